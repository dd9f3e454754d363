#include "standins/html/PageFile.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <system_error>

namespace standins::html {

namespace {

namespace fs = std::filesystem;

std::string Shown(const fs::path& path) {
  const std::u8string u8 = path.u8string();
  return std::string(u8.begin(), u8.end());
}

std::string KindOf(fs::file_type type) {
  switch (type) {
    case fs::file_type::directory: return "a directory";
    case fs::file_type::character: return "a character device";
    case fs::file_type::block: return "a block device";
    case fs::file_type::fifo: return "a named pipe";
    case fs::file_type::socket: return "a socket";
    default: return "a special file";
  }
}

std::string Reason(const std::error_code& error) {
  return error ? error.message() : std::string("unknown error");
}

[[noreturn]] void Refuse(const fs::path& path, const std::string& why) {
  throw PageFileError(Shown(path) + ": " + why);
}

std::string TooLarge(std::uintmax_t limit) {
  constexpr std::uintmax_t kMiB = std::uintmax_t{1} << 20;
  const std::string most = limit % kMiB == 0 && limit > 0 ? std::to_string(limit / kMiB) + " MiB"
                                                          : std::to_string(limit) + " bytes";
  return "larger than " + most + ", the most a page may hold";
}

}  // namespace

std::string ReadPageFile(const fs::path& path, std::uintmax_t limit) {
  // The type is checked before the file is opened: opening a named pipe waits for a writer.
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (status.type() == fs::file_type::not_found) Refuse(path, "no such file");
  if (error) Refuse(path, Reason(error));
  if (status.type() != fs::file_type::regular) Refuse(path, KindOf(status.type()) + ", not a regular file");
  const std::uintmax_t size = fs::file_size(path, error);
  if (error) Refuse(path, Reason(error));
  if (size > limit) Refuse(path, TooLarge(limit));

  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) Refuse(path, "cannot be opened" + (errno ? " (" + std::generic_category().message(errno) + ")" : ""));
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(size));
  // The file may grow while it is read: never more than one byte past the limit.
  char chunk[64 * 1024];
  while (in) {
    const std::uintmax_t room = limit - std::min<std::uintmax_t>(limit, bytes.size()) + 1;
    in.read(chunk, static_cast<std::streamsize>(std::min<std::uintmax_t>(sizeof chunk, room)));
    bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > limit) Refuse(path, TooLarge(limit));
  }
  if (in.bad()) Refuse(path, "read failed");
  return bytes;
}

}  // namespace standins::html
