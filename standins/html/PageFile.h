// Reading a page, or a frame's page, from disk. A browser loads a page from a file only when the
// file holds one: a device (/dev/zero), a named pipe or a directory is refused before any byte is
// read, so that nothing waits for a writer that never comes or reads without end, and a page is
// read up to a fixed size, so that a huge file fails at once with a reason instead of exhausting
// memory inside the parser. Both the page and its frames come through here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace standins::html {

// The largest page read from disk: 256 MiB.
inline constexpr std::uintmax_t kMaxPageBytes = std::uintmax_t{256} << 20;

// Why a file could not be read as a page; what() names the file and the reason.
class PageFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The whole content of the regular file at `path`, when it holds at most `limit` bytes.
// Throws PageFileError when the file is missing, is not a regular file (a directory, a device,
// a pipe, a socket), holds more than `limit` bytes, or cannot be read.
std::string ReadPageFile(const std::filesystem::path& path, std::uintmax_t limit = kMaxPageBytes);

}  // namespace standins::html
