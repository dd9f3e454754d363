// Registration and unregistration write and remove exactly the library's
// entries, whatever was in the registry before.
#include <gtest/gtest.h>

#include "com_server/ComServerUnit.h"
#include "type_library/VornIEGUITypeLib.h"
#include "platform/com/ComPtr.h"
#include "platform/com/TypeLibrary.h"
#include "support/LibraryFacts.h"
#include "support/RegistrationChecks.h"
#include "support/Platform.h"
#include "support/TestRegistry.h"

STDAPI DllRegisterServer();
STDAPI DllUnregisterServer();

namespace {

using testing_support::KeyExists;
using testing_support::ReadString;
using testing_support::Snapshot;
using testing_support::WriteString;
using testing_support::kClasses;
using testing_support::kDeskBandCategory;
using testing_support::kLibId;
using testing_support::kToolbarKey;

class RegistrationTest : public ::testing::Test {
 protected:
  // Unrelated entries that share the parents the library writes into.
  void PopulateNeighbours() {
    WriteString(HKEY_CLASSES_ROOT, L"CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32", L"",
                L"other.dll");
    WriteString(HKEY_CLASSES_ROOT, L"Other.ProgId\\Clsid", L"", L"{11111111-2222-3333-4444-555555555555}");
    WriteString(HKEY_CLASSES_ROOT, L"TypeLib\\{11111111-2222-3333-4444-666666666666}\\1.0", L"", L"Other Library");
    WriteString(HKEY_CLASSES_ROOT, L"Interface\\{11111111-2222-3333-4444-777777777777}", L"", L"IOther");
    WriteString(HKEY_LOCAL_MACHINE, kToolbarKey, L"{11111111-2222-3333-4444-555555555555}", L"Other Bar");
  }

  // The whole test registry. (On the portable build the class root also
  // shows inside the user's root; that only repeats entries.)
  std::map<std::wstring, std::wstring> Everything() {
    std::map<std::wstring, std::wstring> all;
    for (auto& [k, v] : Snapshot(HKEY_CLASSES_ROOT, L"")) all[L"HKCR:" + k] = v;
    for (auto& [k, v] : Snapshot(HKEY_CURRENT_USER, L"Software")) all[L"HKCU:" + k] = v;
    for (auto& [k, v] : Snapshot(HKEY_LOCAL_MACHINE, L"SOFTWARE")) all[L"HKLM:" + k] = v;
    return all;
  }

  testing_support::TestRegistry registry_;
};

TEST_F(RegistrationTest, WritesEveryClassEntry) {
  ASSERT_EQ(DllRegisterServer(), S_OK);
  const std::wstring module = vorn::TComServer::RegisteredModulePath();
  ASSERT_FALSE(module.empty());

  for (const auto& c : kClasses) testing_support::ExpectClassRegistered(c, module);
  // The type library is registered with the module's path, under the
  // platform its embedded library names (a 64-bit Windows build's is win64).
  com::ComPtr<ITypeLib> typeLib;
  ASSERT_EQ(com::LoadOwnTypeLib(vorn::VornIEGUITypeLibModel(), typeLib.ReleaseAndGetAddressOf()), S_OK);
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(typeLib->GetLibAttr(&attr), S_OK);
  const std::wstring platform = attr->syskind == SYS_WIN64 ? L"win64" : L"win32";
  typeLib->ReleaseTLibAttr(attr);
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, std::wstring(L"TypeLib\\") + kLibId + L"\\1.0\\409\\" + platform),
            vorn::TComServer::RegisteredModulePath());
}

TEST_F(RegistrationTest, RegisteringTwiceLeavesTheSameEntries) {
  ASSERT_EQ(DllRegisterServer(), S_OK);
  const auto once = Everything();
  ASSERT_EQ(DllRegisterServer(), S_OK);
  EXPECT_EQ(Everything(), once);
}

TEST_F(RegistrationTest, WithoutMachineWriteAccessOnlyTheToolbarValuesAreMissing) {
  if (testing_support::RunningUnderWine())
    GTEST_SKIP() << "Wine lets a process create keys in a hive it may only read, so a user without "
                    "administrator rights cannot be played there";
  ASSERT_EQ(DllRegisterServer(), S_OK);
  auto expected = Everything();
  std::erase_if(expected, [](const auto& entry) { return entry.first.starts_with(L"HKLM:"); });

  testing_support::TestRegistry fresh;  // a new, empty store for the second run
  fresh.SetMachineWritable(false);
  ASSERT_EQ(DllRegisterServer(), S_OK);
  EXPECT_EQ(Everything(), expected);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kToolbarKey));
}

TEST_F(RegistrationTest, UnregisteringRestoresWhatWasThereBefore) {
  PopulateNeighbours();
  const auto before = Everything();
  ASSERT_EQ(DllRegisterServer(), S_OK);
  ASSERT_NE(Everything(), before);
  ASSERT_EQ(DllUnregisterServer(), S_OK);
  EXPECT_EQ(Everything(), before);
}

TEST_F(RegistrationTest, UnregisteringDropsTheBrowsersCachedBandList) {
  const std::wstring cache = std::wstring(L"Component Categories\\") + kDeskBandCategory + L"\\Enum";
  WriteString(HKEY_CLASSES_ROOT, cache, L"Implementor", L"cached");
  ASSERT_EQ(DllRegisterServer(), S_OK);
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, cache));
  ASSERT_EQ(DllUnregisterServer(), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, cache));
}

TEST_F(RegistrationTest, UnregisteringWhatWasNeverRegisteredSucceedsAndTouchesNothing) {
  PopulateNeighbours();
  const auto before = Everything();
  EXPECT_EQ(DllUnregisterServer(), S_OK);
  EXPECT_EQ(Everything(), before);
}

}  // namespace
