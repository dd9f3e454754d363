// Control of the portable file functions (platform/win/Files.h), for tests and
// tools (portable build only).
//
// Linux lets anyone remove a file that is open; Windows does not when the
// program holding it did not share deletion. HoldOpen plays such a program:
// while a path is held, DeleteFileW on it fails with ERROR_SHARING_VIOLATION,
// and so the folder that contains it stays not empty for RemoveDirectoryW.
// Paths are compared after their separators ('\' or '/') are made one, repeated
// and trailing ones dropped, and relative paths made absolute; letter case
// counts, as on the Linux file system.
#pragma once

#include <string>
#include <string_view>

namespace win::files {

// Holds are counted: a path held twice needs two Release calls.
void HoldOpen(std::wstring_view path);
// Does nothing for a path that is not held.
void Release(std::wstring_view path);
// Drops every hold.
void ReleaseAll();

// Holds a path for the lifetime of the object.
class ScopedHold {
 public:
  explicit ScopedHold(std::wstring_view path) : path_(path) { HoldOpen(path_); }
  ~ScopedHold() { Release(path_); }
  ScopedHold(const ScopedHold&) = delete;
  ScopedHold& operator=(const ScopedHold&) = delete;

 private:
  std::wstring path_;
};

}  // namespace win::files
