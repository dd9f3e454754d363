#include "windows/support/RegistryCleanup.h"

#include <string>
#include <utility>

#include "platform/win/RegKey.h"
#include "support/LibraryFacts.h"
#include "windows/support/ProductModule.h"

namespace win_tests {

using namespace testing_support;

ScratchKey::ScratchKey(HKEY root, std::wstring path) : root_(root), path_(std::move(path)) {
  win::RegKey key;
  existed_ = key.Open(root_, path_) == ERROR_SUCCESS;
}

ScratchKey::~ScratchKey() {
  if (!existed_) win::RegDeleteTreeW(root_, path_.c_str());
}

void RemoveEveryLibraryEntry() {
  for (const auto& c : kClasses) {
    win::RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + c.clsid).c_str());
    win::RegDeleteTreeW(HKEY_CLASSES_ROOT, c.progId);
  }
  win::RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"TypeLib\\") + kLibId).c_str());
  for (const auto& i : kInterfaces)
    win::RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"Interface\\") + i.iid).c_str());
  win::RegKey toolbars;
  if (toolbars.Open(HKEY_LOCAL_MACHINE, kToolbarKey, KEY_SET_VALUE) == ERROR_SUCCESS)
    for (const auto& c : kClasses) toolbars.DeleteValue(c.clsid);
}

RegisteredProduct::RegisteredProduct() : toolbarKey_(HKEY_LOCAL_MACHINE, kToolbarKey) {
  const ProcessResult r = Regsvr32(L"/s", ProductDllPath());
  registered_ = r.ran && r.exitCode == 0;
}

RegisteredProduct::~RegisteredProduct() {
  // The module COM loaded for the suite goes before its registration does.
  CoFreeUnusedLibrariesEx(0, 0);
  Regsvr32(L"/u /s", ProductDllPath());
  RemoveEveryLibraryEntry();
}

}  // namespace win_tests
