#include "platform/win/Module.h"

#ifdef _WIN32
#include <shlwapi.h>

#include <vector>
#else
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include "platform/com/Text.h"
#endif

namespace win {

#ifdef _WIN32

std::wstring ModuleFileNameOf(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<LPCWSTR>(address), &module))
    return {};
  std::vector<wchar_t> name(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(module, name.data(), static_cast<DWORD>(name.size()));
    if (n == 0) return {};
    if (n < name.size()) break;
    name.resize(name.size() * 2);
  }
  DWORD longLen = GetLongPathNameW(name.data(), nullptr, 0);
  if (longLen == 0) return name.data();
  std::vector<wchar_t> longName(longLen);
  if (GetLongPathNameW(name.data(), longName.data(), longLen) == 0) return name.data();
  return longName.data();
}

std::wstring PathBesideModule(const void* address, const std::wstring& path) {
  if (path.empty() || !PathIsRelativeW(path.c_str())) return path;
  std::wstring folder = ModuleFileNameOf(address);
  const auto slash = folder.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return path;
  folder.resize(slash + 1);
  return folder + path;
}

std::wstring ShortPathOf(const std::wstring& path) {
  DWORD len = GetShortPathNameW(path.c_str(), nullptr, 0);
  if (len == 0) return path;
  std::vector<wchar_t> shortName(len);
  if (GetShortPathNameW(path.c_str(), shortName.data(), len) == 0) return path;
  return shortName.data();
}

#else

std::wstring ModuleFileNameOf(const void* address) {
  Dl_info info{};
  if (!dladdr(address, &info) || !info.dli_fname) return {};
  char resolved[PATH_MAX];
  const char* name = realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
  return com::FromUtf8(name);
}

std::wstring PathBesideModule(const void* address, const std::wstring& path) {
  if (path.empty() || path.front() == L'/') return path;
  std::wstring folder = ModuleFileNameOf(address);
  const auto slash = folder.rfind(L'/');
  if (slash == std::wstring::npos) return path;
  folder.resize(slash + 1);
  return folder + path;
}

std::wstring ShortPathOf(const std::wstring& path) { return path; }

HMODULE LoadLibraryW(LPCWSTR lpLibFileName) {
  if (!lpLibFileName) return nullptr;
  return static_cast<HMODULE>(dlopen(com::ToUtf8(lpLibFileName).c_str(), RTLD_NOW | RTLD_LOCAL));
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  if (!hModule || !lpProcName) return nullptr;
  return reinterpret_cast<FARPROC>(dlsym(hModule, lpProcName));
}

BOOL FreeLibrary(HMODULE hLibModule) { return hLibModule && dlclose(hLibModule) == 0; }

#endif

}  // namespace win
