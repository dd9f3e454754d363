// The product DLL as the system sees it: the file beside this test program,
// the system's registration tool run on it in a process of its own, and the
// module loaded by hand with its exported entry points.
#pragma once

#include <windows.h>

#include <string>

namespace win_tests {

// "<folder of this program>\VornIEGUI.dll".
std::wstring ProductDllPath();
std::wstring FolderOf(const std::wstring& path);
bool FileExists(const std::wstring& path);

// GetLongPathNameW / GetShortPathNameW of an existing path; empty when the system refuses.
std::wstring LongPathOf(const std::wstring& path);
std::wstring ShortPathOf(const std::wstring& path);

struct ProcessResult {
  bool ran = false;      // started and ended within the wait
  DWORD exitCode = 0;
  std::wstring failure;  // why it did not run, for the test's message
};

// Starts commandLine (no window), waits for it to end and reports its exit code.
ProcessResult RunProgram(const std::wstring& commandLine);

// "<system folder>\regsvr32.exe <switches> "<dll>"". switches: e.g. L"/s" or L"/u /s".
ProcessResult Regsvr32(const std::wstring& switches, const std::wstring& dll);

// A module loaded with LoadLibraryW and freed on destruction.
class LoadedModule {
 public:
  explicit LoadedModule(const std::wstring& path) : module_(LoadLibraryW(path.c_str())) {}
  ~LoadedModule() {
    if (module_) FreeLibrary(module_);
  }
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  HMODULE Get() const { return module_; }
  explicit operator bool() const { return module_ != nullptr; }

  // An exported function, or null.
  template <class F>
  F* Export(const char* name) const {
    return module_ ? reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(module_, name))) : nullptr;
  }

 private:
  HMODULE module_;
};

using DllGetClassObjectFn = HRESULT STDAPICALLTYPE(REFCLSID, REFIID, LPVOID*);
using DllEntryFn = HRESULT STDAPICALLTYPE();

}  // namespace win_tests
