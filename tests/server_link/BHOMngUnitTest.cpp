// The page-filter switches and the picture switch as the toolbar reads them,
// on a private registry (see RegistryUtilsTest.cpp), through the reader the
// module made at load.
#include <gtest/gtest.h>

#include <string>

#include "platform/win/RegKey.h"
#include "server_link/BHOMngUnit.h"
#include "support/ComTest.h"

namespace {

using testing_support::ReadString;
using testing_support::Snapshot;
using testing_support::WriteString;
using vorn::TStowlyBHO;

const std::wstring kSettings = L"Software\\Zandrel\\Brisel\\Settings";
const std::wstring kBrowserMain = L"Software\\Microsoft\\Internet Explorer\\Main";

using Reader = bool (TStowlyBHO::*)() const;
struct Switch {
  const char* reader;
  Reader read;
  std::wstring value;
};
const Switch kSwitches[] = {
    {"Enabled", &TStowlyBHO::Enabled, L"Enabled"},
    {"BannerKillerEnabled", &TStowlyBHO::BannerKillerEnabled, L"Banner killer enabled"},
    {"PopupKillerEnabled", &TStowlyBHO::PopupKillerEnabled, L"Popup killer enabled"},
    {"HighlightEnabled", &TStowlyBHO::HighlightEnabled, L"Highlight enabled"},
    {"LinkHintEnabled", &TStowlyBHO::LinkHintEnabled, L"Link hint enabled"},
};

class BHOMngUnitTest : public testing_support::ComTest {
 protected:
  // What the tests create is removed here too, not only with the sandbox.
  void TearDown() override {
    win::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Zandrel");
    win::RegKey main;
    if (main.Open(HKEY_CURRENT_USER, kBrowserMain, KEY_WRITE) == ERROR_SUCCESS) main.DeleteValue(L"Display Inline Images");
    ComTest::TearDown();
  }

  const TStowlyBHO& Bho() const { return *vorn::StowlyBHO(); }

  static void PutDword(const std::wstring& name, DWORD value) {
    win::RegKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kSettings), ERROR_SUCCESS);
    ASSERT_EQ(key.SetDword(name, value), ERROR_SUCCESS);
  }
  static std::wstring Stored(const std::wstring& key, const std::wstring& name) {
    const auto values = Snapshot(HKEY_CURRENT_USER, key);
    const auto it = values.find(key + L"\\" + name);
    return it == values.end() ? L"<missing>" : it->second;
  }
};

TEST_F(BHOMngUnitTest, TheModuleMadeTheSettingsKeyAndOneReaderAtLoad) {
  EXPECT_EQ(vorn::SettingsKey(), kSettings);
  TStowlyBHO* const moduleReader = vorn::StowlyBHO();
  ASSERT_NE(moduleReader, nullptr);
  {
    // Another store (a second module state) neither replaces nor ends the module's.
    vorn::TSettingsStore other;
    EXPECT_EQ(vorn::StowlyBHO(), moduleReader);
  }
  EXPECT_EQ(vorn::StowlyBHO(), moduleReader);
  EXPECT_EQ(vorn::SettingsKey(), kSettings);
}

TEST_F(BHOMngUnitTest, AFreshProfileGetsEachSwitchCreatedOn) {
  for (const Switch& s : kSwitches) {
    SCOPED_TRACE(s.reader);
    win::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Zandrel");
    EXPECT_TRUE((Bho().*s.read)());
    EXPECT_EQ(Stored(kSettings, s.value), L"DWORD:1");
    // Read from the registry each time: a change by the application shows at once.
    PutDword(s.value, 0);
    EXPECT_FALSE((Bho().*s.read)());
    PutDword(s.value, 2);
    EXPECT_TRUE((Bho().*s.read)());
    // A switch stored as text is replaced by the default number.
    WriteString(HKEY_CURRENT_USER, kSettings, s.value, L"0");
    EXPECT_TRUE((Bho().*s.read)());
    EXPECT_EQ(Stored(kSettings, s.value), L"DWORD:1");
  }
}

TEST_F(BHOMngUnitTest, PicturesAreOnExactlyWhenTheBrowserSaysYes) {
  struct Case {
    const char* what;
    const wchar_t* stored;  // null: no value
    bool expected;
  };
  const Case cases[] = {{"yes", L"yes", true},
                        {"another case", L"Yes", false},
                        {"no", L"no", false},
                        {"missing", nullptr, false},
                        {"empty", L"", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    win::RegKey main;
    ASSERT_EQ(main.Create(HKEY_CURRENT_USER, kBrowserMain), ERROR_SUCCESS);
    main.DeleteValue(L"Display Inline Images");
    if (c.stored) {
      ASSERT_EQ(main.SetString(L"Display Inline Images", c.stored), ERROR_SUCCESS);
    }
    EXPECT_EQ(Bho().DisplayInlineImages(), c.expected);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kBrowserMain, L"Display Inline Images"), c.stored ? c.stored : L"<missing>")
        << "reading writes nothing";
  }

  // A value of another type is replaced by the default, which is on.
  {
    win::RegKey main;
    ASSERT_EQ(main.Create(HKEY_CURRENT_USER, kBrowserMain), ERROR_SUCCESS);
    ASSERT_EQ(main.SetDword(L"Display Inline Images", 0), ERROR_SUCCESS);
  }
  EXPECT_TRUE(Bho().DisplayInlineImages());
  EXPECT_EQ(Stored(kBrowserMain, L"Display Inline Images"), L"SZ:yes");

  Bho().SetDisplayInlineImages(false);
  EXPECT_EQ(Stored(kBrowserMain, L"Display Inline Images"), L"SZ:no");
  EXPECT_FALSE(Bho().DisplayInlineImages());
  Bho().SetDisplayInlineImages(true);
  EXPECT_EQ(Stored(kBrowserMain, L"Display Inline Images"), L"SZ:yes");
  EXPECT_TRUE(Bho().DisplayInlineImages());
}

}  // namespace
