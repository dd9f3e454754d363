// On Windows a test's registry is a private tree under the real user hive:
// the three predefined roots are redirected into it for this process, so the
// library's own registry calls land there and nothing of the machine is touched.
#include <windows.h>

#include <sddl.h>

#include <atomic>
#include <cwchar>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/TestRegistry.h"

namespace testing_support {
namespace {

constexpr const wchar_t* kTestHive = L"Software\\VornIETestHive";
std::atomic<int> g_sandboxes{0};

struct Redirect {
  HKEY root;
  const wchar_t* name;
};
const Redirect kRoots[] = {
    {HKEY_CLASSES_ROOT, L"HKCR"}, {HKEY_CURRENT_USER, L"HKCU"}, {HKEY_LOCAL_MACHINE, L"HKLM"}};

std::wstring SandboxPath() {
  return std::wstring(kTestHive) + L"\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(g_sandboxes.load());
}

// The user's real hive. HKEY_CURRENT_USER itself cannot name it once it has
// been redirected into the sandbox.
class UserHive {
 public:
  UserHive() {
    if (RegOpenCurrentUser(KEY_ALL_ACCESS, &key_) != ERROR_SUCCESS)
      throw std::runtime_error("cannot open the user hive");
  }
  ~UserHive() { RegCloseKey(key_); }
  UserHive(const UserHive&) = delete;
  UserHive& operator=(const UserHive&) = delete;
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

void Override(HKEY root, const std::wstring& path, REGSAM sam) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(UserHive().Get(), path.c_str(), 0, sam, &key) != ERROR_SUCCESS)
    throw std::runtime_error("cannot open a redirected registry root");
  const LSTATUS status = RegOverridePredefKey(root, key);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS) throw std::runtime_error("cannot redirect a registry root");
}

// Gives the key and every key below it an access list that lets everyone read
// it and, when `writable`, change it; keys created later inherit it. The owner
// may always change the list again, so a read-only tree can be made writable.
void SetTreeAccess(HKEY key, bool writable) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(writable ? L"D:(A;CI;KA;;;WD)" : L"D:(A;CI;KR;;;WD)",
                                                            SDDL_REVISION_1, &descriptor, nullptr))
    throw std::runtime_error("cannot make a registry access list");
  struct Walk {
    PSECURITY_DESCRIPTOR descriptor;
    LSTATUS operator()(HKEY k) const {
      if (LSTATUS status = RegSetKeySecurity(k, DACL_SECURITY_INFORMATION, descriptor)) return status;
      wchar_t name[256];
      for (DWORD index = 0;; ++index) {
        DWORD chars = 256;
        const LSTATUS status = RegEnumKeyExW(k, index, name, &chars, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (status != ERROR_SUCCESS) return status;
        HKEY child = nullptr;
        if (LSTATUS opened = RegOpenKeyExW(k, name, 0, KEY_READ | WRITE_DAC, &child)) return opened;
        const LSTATUS walked = (*this)(child);
        RegCloseKey(child);
        if (walked != ERROR_SUCCESS) return walked;
      }
    }
  };
  const LSTATUS status = Walk{descriptor}(key);
  LocalFree(descriptor);
  if (status != ERROR_SUCCESS) throw std::runtime_error("cannot change the test registry's access");
}

void SetMachineTreeAccess(const std::wstring& sandbox, bool writable) {
  HKEY machine = nullptr;
  if (RegOpenKeyExW(UserHive().Get(), (sandbox + L"\\HKLM").c_str(), 0, KEY_READ | WRITE_DAC, &machine) !=
      ERROR_SUCCESS)
    throw std::runtime_error("cannot open the test registry's machine hive");
  try {
    SetTreeAccess(machine, writable);
  } catch (...) {
    RegCloseKey(machine);
    throw;
  }
  RegCloseKey(machine);
}

// Sandboxes of test programs that crashed or were killed stay behind; the
// first sandbox of a program removes those whose process is gone.
void RemoveAbandonedSandboxes(HKEY user) {
  HKEY hive = nullptr;
  if (RegOpenKeyExW(user, kTestHive, 0, KEY_READ, &hive) != ERROR_SUCCESS) return;
  std::vector<std::wstring> abandoned;
  wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD chars = 256;
    if (RegEnumKeyExW(hive, index, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    const DWORD pid = static_cast<DWORD>(std::wcstoul(name, nullptr, 10));
    if (pid == GetCurrentProcessId()) continue;
    if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)) {
      DWORD code = 0;
      const bool running = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
      CloseHandle(process);
      if (running) continue;
    }
    abandoned.emplace_back(name, chars);
  }
  RegCloseKey(hive);
  for (const auto& sandbox : abandoned) {
    const std::wstring path = std::wstring(kTestHive) + L"\\" + sandbox;
    HKEY machine = nullptr;  // a read-only machine hive has to be made writable to go
    if (RegOpenKeyExW(user, (path + L"\\HKLM").c_str(), 0, KEY_READ | WRITE_DAC, &machine) == ERROR_SUCCESS) {
      try {
        SetTreeAccess(machine, true);
      } catch (const std::exception&) {
        // Then deleting fails too, and the next program tries again.
      }
      RegCloseKey(machine);
    }
    RegDeleteTreeW(user, path.c_str());
  }
}

void RestoreRoots() {
  for (const auto& r : kRoots) RegOverridePredefKey(r.root, nullptr);
}

}  // namespace

TestRegistry::TestRegistry() {
  RestoreRoots();
  ++g_sandboxes;
  const std::wstring base = SandboxPath();
  try {
    const UserHive user;
    if (g_sandboxes.load() == 1) RemoveAbandonedSandboxes(user.Get());
    RegDeleteTreeW(user.Get(), base.c_str());
    for (const auto& r : kRoots) {
      HKEY key = nullptr;
      if (RegCreateKeyExW(user.Get(), (base + L"\\" + r.name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &key, nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create the test registry");
      RegCloseKey(key);
    }
    for (const auto& r : kRoots) Override(r.root, base + L"\\" + r.name, KEY_ALL_ACCESS);
  } catch (...) {
    // No destructor runs for a sandbox that failed to start: undo it here.
    RestoreRoots();
    --g_sandboxes;
    throw;
  }
}

TestRegistry::~TestRegistry() {
  RestoreRoots();
  const std::wstring own = SandboxPath();
  --g_sandboxes;
  try {
    if (machineReadOnly_) SetMachineTreeAccess(own, true);  // else it cannot be deleted
    RegDeleteTreeW(UserHive().Get(), own.c_str());
    // An enclosing sandbox is still in use: point the roots back at it. Its
    // machine hive may have been made read-only; then it can only be read.
    if (g_sandboxes.load() > 0) {
      for (const auto& r : kRoots) {
        try {
          Override(r.root, SandboxPath() + L"\\" + r.name, KEY_ALL_ACCESS);
        } catch (const std::exception&) {
          if (r.root != HKEY_LOCAL_MACHINE) throw;
          Override(r.root, SandboxPath() + L"\\" + r.name, KEY_READ);
        }
      }
    }
  } catch (const std::exception&) {
    // A destructor cannot report it; the roots stay the real ones, which later tests notice.
  }
}

// A machine hive that can only be read, as for a user without administrator
// rights: the system refuses changes there by the keys' access lists, whatever
// handle they are reached through, so the sandbox's tree gets such lists too.
void TestRegistry::SetMachineWritable(bool writable) {
  const std::wstring sandbox = SandboxPath();
  SetMachineTreeAccess(sandbox, writable);
  machineReadOnly_ = !writable;
  Override(HKEY_LOCAL_MACHINE, sandbox + L"\\HKLM", writable ? KEY_ALL_ACCESS : KEY_READ);
}

}  // namespace testing_support
