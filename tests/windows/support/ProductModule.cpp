#include "windows/support/ProductModule.h"

#include <vector>

namespace win_tests {
namespace {

// Owns one kernel handle.
class Handle {
 public:
  explicit Handle(HANDLE h = nullptr) : h_(h) {}
  ~Handle() {
    if (h_) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE Get() const { return h_; }

 private:
  HANDLE h_;
};

// A registration run normally takes well under a second; a tool that hangs
// (a dialog waiting for a click) must end the test, not the session.
constexpr DWORD kProcessWaitMs = 60'000;

std::wstring ExePath() {
  std::vector<wchar_t> name(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (n == 0) return {};
    if (n < name.size()) return std::wstring(name.data(), n);
    name.resize(name.size() * 2);
  }
}

template <class F>
std::wstring PathQuery(F query, const std::wstring& path) {
  const DWORD needed = query(path.c_str(), nullptr, 0);
  if (needed == 0) return {};
  std::vector<wchar_t> out(needed);
  const DWORD n = query(path.c_str(), out.data(), needed);
  if (n == 0 || n >= needed) return {};
  return std::wstring(out.data(), n);
}

}  // namespace

std::wstring FolderOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring ProductDllPath() { return FolderOf(ExePath()) + L"\\VornIEGUI.dll"; }

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring LongPathOf(const std::wstring& path) { return PathQuery(&GetLongPathNameW, path); }
std::wstring ShortPathOf(const std::wstring& path) { return PathQuery(&GetShortPathNameW, path); }

ProcessResult RunProgram(const std::wstring& commandLine) {
  ProcessResult result;
  std::wstring mutableLine = commandLine;  // CreateProcessW may write into it
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &startup, &info)) {
    result.failure = L"CreateProcessW failed with error " + std::to_wstring(GetLastError()) + L": " + commandLine;
    return result;
  }
  Handle process(info.hProcess);
  Handle thread(info.hThread);
  if (WaitForSingleObject(process.Get(), kProcessWaitMs) != WAIT_OBJECT_0) {
    TerminateProcess(process.Get(), 1);
    WaitForSingleObject(process.Get(), kProcessWaitMs);
    result.failure = L"did not end: " + commandLine;
    return result;
  }
  if (!GetExitCodeProcess(process.Get(), &result.exitCode)) {
    result.failure = L"no exit code: " + commandLine;
    return result;
  }
  result.ran = true;
  return result;
}

ProcessResult Regsvr32(const std::wstring& switches, const std::wstring& dll) {
  wchar_t system[MAX_PATH] = {};
  const UINT n = GetSystemDirectoryW(system, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {
    ProcessResult result;
    result.failure = L"no system folder";
    return result;
  }
  return RunProgram(L"\"" + std::wstring(system) + L"\\regsvr32.exe\" " + switches + L" \"" + dll + L"\"");
}

}  // namespace win_tests
