// Registration and unregistration write and remove exactly the library's
// entries, whatever was in the registry before.
#include <gtest/gtest.h>

#include "com_server/ComServerUnit.h"
#include "support/TestRegistry.h"

STDAPI DllRegisterServer();
STDAPI DllUnregisterServer();

namespace {

using testing_support::KeyExists;
using testing_support::ReadString;
using testing_support::Snapshot;
using testing_support::WriteString;

constexpr const wchar_t* kLibId = L"{D21102C9-CB0C-499D-85D7-C67474D21445}";
constexpr const wchar_t* kDeskBandCat = L"{00021492-0000-0000-C000-000000000046}";
constexpr const wchar_t* kToolbarKey = L"SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";

struct ClassRow {
  const wchar_t* clsid;
  const wchar_t* progId;
  const wchar_t* typeLibDescription;
  const wchar_t* registeredDescription;
  bool toolbar;
};

constexpr ClassRow kClasses[] = {
    {L"{75CD0BC5-E317-449C-9FF6-4986B3D48F64}", L"VornIEGUI.VornIEExplorerBar", L"VornIEExplorerBar", L"Brisel Bar",
     true},
    {L"{0BCA9A71-9E56-4727-8756-4358C072C703}", L"VornIEGUI.VornOffUtils", L"VornOffUtils Object",
     L"VornOffUtils Object", false},
    {L"{CC3C4FBC-55E7-4DB5-8F05-D04F7B306F87}", L"VornIEGUI.VornBHOGUI", L"VornBHOGUI Object", L"VornBHOGUI Object",
     false},
    {L"{A8415B7A-F661-4D31-92D7-4398E50483DF}", L"VornIEGUI.BriselQLToolbar", L"BriselQLToolbar",
     L"Brisel Links Bar", true},
};

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

  // The whole store: HKEY_CLASSES_ROOT lives inside the user's root.
  std::map<std::wstring, std::wstring> Everything() {
    std::map<std::wstring, std::wstring> all;
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

  for (const auto& c : kClasses) {
    SCOPED_TRACE(c.progId);
    const std::wstring key = std::wstring(L"CLSID\\") + c.clsid;
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key), c.registeredDescription);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32"), module);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, c.progId), c.typeLibDescription);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, std::wstring(c.progId) + L"\\Clsid"), c.clsid);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key + L"\\ProgID"), c.progId);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key + L"\\Version"), L"1.0");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key + L"\\TypeLib"), kLibId);

    const std::wstring category = key + L"\\Implemented Categories\\" + kDeskBandCat;
    EXPECT_EQ(KeyExists(HKEY_CLASSES_ROOT, category), c.toolbar);
    if (c.toolbar) {
      // The category key is left empty: no values, no subkeys.
      EXPECT_EQ(Snapshot(HKEY_CLASSES_ROOT, category).size(), 1u);
      EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kToolbarKey, c.clsid), c.registeredDescription);
    } else {
      EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kToolbarKey, c.clsid), L"<missing>");
    }
  }
  // The type library is registered with the module's path.
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, std::wstring(L"TypeLib\\") + kLibId + L"\\1.0\\409\\win32"),
            vorn::TComServer::RegisteredModulePath());
}

TEST_F(RegistrationTest, RegisteringTwiceLeavesTheSameEntries) {
  ASSERT_EQ(DllRegisterServer(), S_OK);
  const auto once = Everything();
  ASSERT_EQ(DllRegisterServer(), S_OK);
  EXPECT_EQ(Everything(), once);
}

TEST_F(RegistrationTest, WithoutMachineWriteAccessOnlyTheToolbarValuesAreMissing) {
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
  const std::wstring cache = std::wstring(L"Component Categories\\") + kDeskBandCat + L"\\Enum";
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
