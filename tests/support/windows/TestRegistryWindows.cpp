// On Windows a test's registry is a private tree under the real user hive:
// the three predefined roots are redirected into it for this process, so the
// library's own registry calls land there and nothing of the machine is touched.
#include <atomic>
#include <stdexcept>
#include <string>

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

void Override(HKEY root, const std::wstring& path, REGSAM sam) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, sam, &key) != ERROR_SUCCESS ||
      RegOverridePredefKey(root, key) != ERROR_SUCCESS)
    throw std::runtime_error("cannot redirect a registry root");
  RegCloseKey(key);
}

void RestoreRoots() {
  for (const auto& r : kRoots) RegOverridePredefKey(r.root, nullptr);
}

}  // namespace

TestRegistry::TestRegistry() {
  RestoreRoots();
  ++g_sandboxes;
  const std::wstring base = SandboxPath();
  RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str());
  for (const auto& r : kRoots) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, (base + L"\\" + r.name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
      throw std::runtime_error("cannot create the test registry");
    RegCloseKey(key);
  }
  for (const auto& r : kRoots) Override(r.root, base + L"\\" + r.name, KEY_ALL_ACCESS);
}

TestRegistry::~TestRegistry() {
  RestoreRoots();
  RegDeleteTreeW(HKEY_CURRENT_USER, SandboxPath().c_str());
  --g_sandboxes;
  if (g_sandboxes.load() > 0) {
    // An enclosing sandbox is still in use: point the roots back at it.
    for (const auto& r : kRoots) Override(r.root, SandboxPath() + L"\\" + r.name, KEY_ALL_ACCESS);
  }
}

// A machine hive that can only be read, as for a user without administrator rights.
void TestRegistry::SetMachineWritable(bool writable) {
  Override(HKEY_LOCAL_MACHINE, SandboxPath() + L"\\HKLM", writable ? KEY_ALL_ACCESS : KEY_READ);
}

}  // namespace testing_support
