// The file subset of platform/win/Files.h on the Linux file system.
//
// Every decision Windows makes from a file's attributes is made here from
// lstat, never left to the kernel's permission checks: a program running as
// root may remove a file that no one may write, where Windows refuses.
#include "platform/win/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>

#include "platform/com/Text.h"
#include "platform/portable/system/FileControl.h"
#include "platform/portable/system/HandleTable.h"
#include "platform/win/Window.h"

#ifndef ERROR_TOO_MANY_OPEN_FILES
#define ERROR_TOO_MANY_OPEN_FILES 4L
#endif
#ifndef ERROR_WRITE_PROTECT
#define ERROR_WRITE_PROTECT 19L
#endif
#ifndef ERROR_GEN_FAILURE
#define ERROR_GEN_FAILURE 31L
#endif
#ifndef ERROR_BUSY
#define ERROR_BUSY 170L
#endif
#ifndef ERROR_FILENAME_EXCED_RANGE
#define ERROR_FILENAME_EXCED_RANGE 206L
#endif
#ifndef ERROR_DIRECTORY
#define ERROR_DIRECTORY 267L
#endif
#ifndef ERROR_CANT_RESOLVE_FILENAME
#define ERROR_CANT_RESOLVE_FILENAME 1921L
#endif

namespace win {
namespace {

// ------------------------------------------------------------------ paths and errors

// The path as the file system spells it: UTF-8, '/' between parts, and no
// trailing separator, which would make lstat follow a link to a folder.
std::string NativePath(std::wstring_view path) {
  std::string native = com::ToUtf8(path);
  std::replace(native.begin(), native.end(), '\\', '/');
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  return native;
}

std::string_view LastName(std::string_view native) {
  const auto slash = native.rfind('/');
  return slash == std::string_view::npos ? native : native.substr(slash + 1);
}

DWORD ErrorFromErrno(int err) {
  switch (err) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
      return ERROR_ACCESS_DENIED;
    case ENOTEMPTY:
    case EEXIST:
      return ERROR_DIR_NOT_EMPTY;
    case EROFS:
      return ERROR_WRITE_PROTECT;
    case EBUSY:
      return ERROR_BUSY;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case ELOOP:
      return ERROR_CANT_RESOLVE_FILENAME;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EMFILE:
    case ENFILE:
      return ERROR_TOO_MANY_OPEN_FILES;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    default:
      return ERROR_GEN_FAILURE;
  }
}

// ENOENT says only that something along the path is missing; Windows tells a
// missing last name (ERROR_FILE_NOT_FOUND) from a missing folder on the way.
DWORD PathError(int err, const std::string& native) {
  if (err != ENOENT) return ErrorFromErrno(err);
  const auto slash = native.rfind('/');
  const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : native.substr(0, slash);
  struct stat st {};
  return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

DWORD FailAttributes(DWORD error) {
  SetLastError(error);
  return INVALID_FILE_ATTRIBUTES;
}

// The functions answer as C functions do: a failed allocation is an error code.
template <class R, class Body>
R Guarded(R failed, Body body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return failed;
  }
}

// Runs `body` with the path as the file system spells it and what lstat says
// of it, once the failures every call on one path shares are answered.
template <class Body>
BOOL OnPath(LPCWSTR path, Body body) {
  return Guarded(FALSE, [&]() -> BOOL {
    if (!path) return Fail(ERROR_INVALID_PARAMETER);
    const std::string native = NativePath(path);
    if (native.empty()) return Fail(ERROR_PATH_NOT_FOUND);
    struct stat st {};
    if (lstat(native.c_str(), &st) != 0) return Fail(PathError(errno, native));
    return body(native, st);
  });
}

// ------------------------------------------------------------------ attributes

bool IsHiddenName(std::string_view name) {
  // "." and ".." stand for folders whose own names decide.
  return !name.empty() && name.front() == '.' && name != "." && name != "..";
}

struct Examined {
  struct stat st {};
  DWORD attributes = 0;
};

// Looks at `path` (relative to dirFd) without following a link; answers errno, 0 on success.
int Examine(int dirFd, const char* path, std::string_view name, Examined& out) {
  if (fstatat(dirFd, path, &out.st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
  DWORD attributes = 0;
  if (S_ISLNK(out.st.st_mode)) {
    attributes = FILE_ATTRIBUTE_REPARSE_POINT;
    struct stat target {};
    if (fstatat(dirFd, path, &target, 0) == 0 && S_ISDIR(target.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  } else {
    // Anything else that is not a folder (a pipe, a device) is shown as a plain file.
    // Plain files carry the archive bit, as every file written on Windows does.
    attributes = S_ISDIR(out.st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (!(out.st.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
  }
  if (IsHiddenName(name)) attributes |= FILE_ATTRIBUTE_HIDDEN;
  out.attributes = attributes;
  return 0;
}

bool IsLinkToFolder(const std::string& native) {
  struct stat target {};
  return stat(native.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
}

FILETIME ToFileTime(const timespec& t) {
  // 100-nanosecond ticks since 1601-01-01; earlier times are shown as that day.
  constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600LL;
  const std::int64_t seconds = static_cast<std::int64_t>(t.tv_sec) + kSecondsFrom1601To1970;
  const std::uint64_t ticks =
      seconds < 0 ? 0 : static_cast<std::uint64_t>(seconds) * 10000000ULL + static_cast<std::uint64_t>(t.tv_nsec) / 100;
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

void Fill(const std::string& name, const Examined& entry, WIN32_FIND_DATAW& data) {
  data = WIN32_FIND_DATAW{};
  data.dwFileAttributes = entry.attributes;
  // Linux keeps no birth time in stat: the last status change is the closest.
  data.ftCreationTime = ToFileTime(entry.st.st_ctim);
  data.ftLastAccessTime = ToFileTime(entry.st.st_atim);
  data.ftLastWriteTime = ToFileTime(entry.st.st_mtim);
  if (S_ISREG(entry.st.st_mode)) {
    const auto size = static_cast<std::uint64_t>(entry.st.st_size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size);
  }
  // A Linux name has at most 255 bytes, so its wide form always fits; the
  // bound only keeps the copy honest.
  const std::wstring wide = com::FromUtf8(name);
  const size_t n = std::min(wide.size(), static_cast<size_t>(MAX_PATH - 1));
  wide.copy(data.cFileName, n);
  data.cFileName[n] = 0;
}

// ------------------------------------------------------------------ held files

std::string HoldKey(const std::string& native) {
  std::error_code ignored;
  std::filesystem::path absolute = std::filesystem::absolute(native, ignored);
  if (ignored) absolute = native;  // no working folder to resolve against: compare as given
  std::string key = absolute.lexically_normal().string();
  while (key.size() > 1 && key.back() == '/') key.pop_back();
  return key;
}

std::mutex g_holdsLock;
std::map<std::string, unsigned> g_holds;

bool IsHeld(const std::string& native) {
  const std::string key = HoldKey(native);
  std::lock_guard lock(g_holdsLock);
  return g_holds.count(key) != 0;
}

// ------------------------------------------------------------------ searches

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

// One listing: "." and ".." first (not in a root folder, as on NTFS), then
// the folder's entries as readdir gives them, read as the caller asks, so
// that an entry removed meanwhile is skipped rather than reported.
class Search {
 public:
  explicit Search(std::unique_ptr<DIR, DirCloser> dir) : dir_(std::move(dir)) {
    struct stat self {}, parent {};
    const int fd = dirfd(dir_.get());
    const bool root = fstatat(fd, ".", &self, 0) == 0 && fstatat(fd, "..", &parent, 0) == 0 &&
                      self.st_dev == parent.st_dev && self.st_ino == parent.st_ino;
    dotsLeft_ = root ? 0 : 2;
  }

  // ERROR_SUCCESS with the entry, ERROR_NO_MORE_FILES after the last, or why reading failed.
  DWORD Next(WIN32_FIND_DATAW& data) {
    std::lock_guard lock(mutex_);
    for (;;) {
      std::string name;
      if (dotsLeft_ > 0) {
        name = dotsLeft_-- == 2 ? "." : "..";
      } else {
        errno = 0;
        const dirent* entry = readdir(dir_.get());
        if (!entry) return errno ? ErrorFromErrno(errno) : ERROR_NO_MORE_FILES;
        name = entry->d_name;
        if (name == "." || name == "..") continue;
      }
      Examined examined;
      const int err = Examine(dirfd(dir_.get()), name.c_str(), name, examined);
      if (err == ENOENT) continue;
      if (err) return ErrorFromErrno(err);
      Fill(name, examined, data);
      return ERROR_SUCCESS;
    }
  }

 private:
  std::mutex mutex_;
  std::unique_ptr<DIR, DirCloser> dir_;
  int dotsLeft_ = 2;
};

portable::HandleTable<Search>& Searches() {
  static portable::HandleTable<Search> table;
  return table;
}

// The folder named before "\*" or "\*.*", or nothing for any other pattern.
bool SearchFolder(std::string native, std::string& folder) {
  for (std::string_view suffix : {"/*.*", "/*"}) {
    if (native.size() >= suffix.size() && native.compare(native.size() - suffix.size(), suffix.size(), suffix) == 0) {
      native.resize(native.size() - suffix.size());
      folder = native.empty() ? "/" : native;
      return true;
    }
  }
  return false;
}

}  // namespace

HANDLE FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData) {
  return Guarded(INVALID_HANDLE_VALUE, [&]() -> HANDLE {
    std::string folder;
    if (!lpFileName || !lpFindFileData || !SearchFolder(NativePath(lpFileName), folder)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_HANDLE_VALUE;
    }
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir) {
      // Windows names the folder of a search a path, whichever name along it is missing.
      const int err = errno;
      SetLastError(err == ENOENT || err == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(err));
      return INVALID_HANDLE_VALUE;
    }
    auto search = std::make_shared<Search>(std::move(dir));
    if (const DWORD error = search->Next(*lpFindFileData); error != ERROR_SUCCESS) {
      SetLastError(error == ERROR_NO_MORE_FILES ? ERROR_FILE_NOT_FOUND : error);
      return INVALID_HANDLE_VALUE;
    }
    return Searches().Add(std::move(search));
  });
}

BOOL FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData) {
  return Guarded(FALSE, [&]() -> BOOL {
    auto search = Searches().Find(hFindFile);
    if (!search) return Fail(ERROR_INVALID_HANDLE);
    if (!lpFindFileData) return Fail(ERROR_INVALID_PARAMETER);
    const DWORD error = search->Next(*lpFindFileData);
    return error == ERROR_SUCCESS ? TRUE : Fail(error);
  });
}

BOOL FindClose(HANDLE hFindFile) { return Searches().Remove(hFindFile) ? TRUE : Fail(ERROR_INVALID_HANDLE); }

DWORD GetFileAttributesW(LPCWSTR lpFileName) {
  return Guarded(INVALID_FILE_ATTRIBUTES, [&]() -> DWORD {
    if (!lpFileName) return FailAttributes(ERROR_INVALID_PARAMETER);
    const std::string native = NativePath(lpFileName);
    if (native.empty()) return FailAttributes(ERROR_PATH_NOT_FOUND);
    Examined examined;
    if (const int err = Examine(AT_FDCWD, native.c_str(), LastName(native), examined); err != 0)
      return FailAttributes(PathError(err, native));
    return examined.attributes;
  });
}

BOOL SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes) {
  return OnPath(lpFileName, [&](const std::string& native, const struct stat& st) -> BOOL {
    // chmod would change what the link points to; a link's own mode means nothing here.
    if (S_ISLNK(st.st_mode)) return Fail(ERROR_NOT_SUPPORTED);
    const mode_t current = st.st_mode & 07777;
    // Read-only means no one may write, as on Windows; clearing it gives the owner back.
    const mode_t wanted = (dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? current & ~mode_t{S_IWUSR | S_IWGRP | S_IWOTH}
                                                                     : current | S_IWUSR;
    if (wanted != current && chmod(native.c_str(), wanted) != 0) return Fail(PathError(errno, native));
    return TRUE;
  });
}

BOOL DeleteFileW(LPCWSTR lpFileName) {
  return OnPath(lpFileName, [&](const std::string& native, const struct stat& st) -> BOOL {
    // A link to a folder is a folder here too: RemoveDirectoryW takes it.
    const bool link = S_ISLNK(st.st_mode);
    if (S_ISDIR(st.st_mode) || (link && IsLinkToFolder(native))) return Fail(ERROR_ACCESS_DENIED);
    if (!link && !(st.st_mode & S_IWUSR)) return Fail(ERROR_ACCESS_DENIED);
    if (IsHeld(native)) return Fail(ERROR_SHARING_VIOLATION);
    if (unlink(native.c_str()) != 0) return Fail(PathError(errno, native));
    return TRUE;
  });
}

BOOL RemoveDirectoryW(LPCWSTR lpPathName) {
  return OnPath(lpPathName, [&](const std::string& native, const struct stat& st) -> BOOL {
    if (S_ISLNK(st.st_mode)) {
      // The link goes, what it points to stays.
      if (!IsLinkToFolder(native)) return Fail(ERROR_DIRECTORY);
      return unlink(native.c_str()) == 0 ? TRUE : Fail(PathError(errno, native));
    }
    if (!S_ISDIR(st.st_mode)) return Fail(ERROR_DIRECTORY);
    if (!(st.st_mode & S_IWUSR)) return Fail(ERROR_ACCESS_DENIED);
    if (rmdir(native.c_str()) != 0) return Fail(PathError(errno, native));
    return TRUE;
  });
}

namespace files {

void HoldOpen(std::wstring_view path) {
  std::string key = HoldKey(NativePath(path));
  std::lock_guard lock(g_holdsLock);
  ++g_holds[std::move(key)];
}

void Release(std::wstring_view path) {
  const std::string key = HoldKey(NativePath(path));
  std::lock_guard lock(g_holdsLock);
  auto it = g_holds.find(key);
  if (it != g_holds.end() && --it->second == 0) g_holds.erase(it);
}

void ReleaseAll() {
  std::lock_guard lock(g_holdsLock);
  g_holds.clear();
}

}  // namespace files
}  // namespace win
