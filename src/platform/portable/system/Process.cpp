#include "platform/portable/system/Process.h"

#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>

#include "platform/com/Text.h"
#include "platform/win/System.h"
#include "platform/win/Window.h"

namespace win {
namespace portable {
namespace {

std::mutex& NameLock() {
  static std::mutex lock;
  return lock;
}

std::wstring& OverriddenName() {
  static std::wstring name;
  return name;
}

std::wstring RealExecutableName() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (n <= 0) return {};
  return com::FromUtf8(std::string(path, static_cast<std::size_t>(n)));
}

std::wstring ExecutableName() {
  {
    std::lock_guard<std::mutex> guard(NameLock());
    if (!OverriddenName().empty()) return OverriddenName();
  }
  return RealExecutableName();
}

}  // namespace

void SetExecutableFileName(const std::wstring& name) {
  std::lock_guard<std::mutex> guard(NameLock());
  OverriddenName() = name;
}

}  // namespace portable

DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
  if (hModule != nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!lpFilename && nSize > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::wstring name = portable::ExecutableName();
  if (name.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  if (nSize == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (name.size() >= nSize) {
    std::copy_n(name.begin(), nSize - 1, lpFilename);
    lpFilename[nSize - 1] = L'\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
  }
  std::copy(name.begin(), name.end(), lpFilename);
  lpFilename[name.size()] = L'\0';
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(name.size());
}

}  // namespace win
