// Where a loaded module lives on disk.
#pragma once

#include <string>

#include "platform/win/WinTypes.h"

namespace win {

// Full file name (long path components) of the module containing address.
std::wstring ModuleFileNameOf(const void* address);

// path unchanged when it is absolute; otherwise path taken relative to the
// folder of the module containing address (a program finds the files it
// ships with beside itself, wherever it was installed).
std::wstring PathBesideModule(const void* address, const std::wstring& path);

// The 8.3 form of an existing path; a file system without short names
// answers the path unchanged, as Windows does when 8.3 names are disabled.
std::wstring ShortPathOf(const std::wstring& path);

#ifdef _WIN32
using ::FreeLibrary;
using ::GetProcAddress;
using ::LoadLibraryW;
#else
using FARPROC = void (*)();
// Loads a module by file name (dlopen on this build); null on failure.
HMODULE LoadLibraryW(LPCWSTR lpLibFileName);
FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
BOOL FreeLibrary(HMODULE hLibModule);
#endif

}  // namespace win
