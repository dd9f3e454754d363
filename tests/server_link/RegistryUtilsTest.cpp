// The settings store's registry helpers on a private registry (a fresh
// in-memory store on Linux, a sandbox tree under the user's hive on Windows):
// what each reads, what it creates or overwrites, and what it leaves alone.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "platform/win/RegKey.h"
#include "server_link/RegistryUtils.h"
#include "support/ComTest.h"
#include "support/Platform.h"

namespace {

using testing_support::KeyExists;
using testing_support::Snapshot;
using vorn::RegReadBool;
using vorn::RegReadString;
using vorn::RegWriteString;

const std::wstring kKey = L"Software\\VornSettingsTest\\Switches";
const std::wstring kTop = L"Software\\VornSettingsTest";

class RegistryUtilsTest : public testing_support::ComTest {
 protected:
  // The sandbox goes with the test registry; the tree is removed here as well
  // so that nothing stays in a user's registry whatever the sandbox does.
  void TearDown() override {
    win::RegDeleteTreeW(HKEY_CURRENT_USER, kTop.c_str());
    win::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTop.c_str());
    ComTest::TearDown();
  }

  static void Put(HKEY root, const std::function<LSTATUS(win::RegKey&)>& write) {
    win::RegKey key;
    ASSERT_EQ(key.Create(root, kKey), ERROR_SUCCESS);
    ASSERT_EQ(write(key), ERROR_SUCCESS);
  }
  static std::wstring Stored(HKEY root, const std::wstring& name) {
    const auto values = Snapshot(root, kKey);
    const auto it = values.find(kKey + L"\\" + name);
    return it == values.end() ? L"<missing>" : it->second;
  }
};

TEST_F(RegistryUtilsTest, ReadBoolCreatesMissingSwitchesAndRepairsOthers) {
  struct Case {
    const char* what;
    std::function<LSTATUS(win::RegKey&)> before;  // null: no key at all
    bool defaultValue;
    bool expected;
    std::wstring storedAfter;
  };
  const Case cases[] = {
      {"no key, default on", nullptr, true, true, L"DWORD:1"},
      {"no key, default off", nullptr, false, false, L"DWORD:0"},
      {"key without the value", [](win::RegKey& k) { return k.SetDword(L"Other", 7); }, true, true, L"DWORD:1"},
      {"stored off", [](win::RegKey& k) { return k.SetDword(L"Switch", 0); }, true, false, L"DWORD:0"},
      {"stored non-zero", [](win::RegKey& k) { return k.SetDword(L"Switch", 5); }, false, true, L"DWORD:5"},
      {"stored as a string", [](win::RegKey& k) { return k.SetString(L"Switch", L"0"); }, true, true, L"DWORD:1"},
      {"a number of three bytes",
       [](win::RegKey& k) {
         const BYTE bytes[3] = {1, 0, 0};
         return win::RegSetValueExW(k.Get(), L"Switch", 0, REG_DWORD, bytes, 3);
       },
       false, false, L"DWORD:0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    win::RegDeleteTreeW(HKEY_CURRENT_USER, kTop.c_str());
    if (c.before) Put(HKEY_CURRENT_USER, c.before);
    EXPECT_EQ(RegReadBool(HKEY_CURRENT_USER, kKey, L"Switch", c.defaultValue), c.expected);
    EXPECT_EQ(Stored(HKEY_CURRENT_USER, L"Switch"), c.storedAfter);
    // Read again: the stored value answers now.
    EXPECT_EQ(RegReadBool(HKEY_CURRENT_USER, kKey, L"Switch", !c.defaultValue), c.expected);
  }
}

TEST_F(RegistryUtilsTest, ReadStringTellsMissingValuesFromValuesOfAnotherType) {
  struct Case {
    const char* what;
    std::function<LSTATUS(win::RegKey&)> before;
    std::wstring expected;
    std::wstring storedAfter;
  };
  const Case cases[] = {
      {"no key: created, the value stays missing", nullptr, L"", L"<missing>"},
      {"missing value", [](win::RegKey& k) { return k.SetDword(L"Other", 1); }, L"", L"<missing>"},
      {"a string", [](win::RegKey& k) { return k.SetString(L"Text", L"no"); }, L"no", L"SZ:no"},
      {"an expandable string, not expanded",
       [](win::RegKey& k) { return k.SetString(L"Text", L"%HOME%", REG_EXPAND_SZ); }, L"%HOME%", L"SZ:%HOME%"},
      {"a number", [](win::RegKey& k) { return k.SetDword(L"Text", 1); }, L"fallback", L"SZ:fallback"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    win::RegDeleteTreeW(HKEY_CURRENT_USER, kTop.c_str());
    if (c.before) Put(HKEY_CURRENT_USER, c.before);
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, kKey, L"Text", L"fallback"), c.expected);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kKey));
    EXPECT_EQ(Stored(HKEY_CURRENT_USER, L"Text"), c.storedAfter);
  }
}

TEST_F(RegistryUtilsTest, WriteStringCreatesTheKeyAndReplacesAnyType) {
  RegWriteString(HKEY_CURRENT_USER, kKey, L"Text", L"yes");
  EXPECT_EQ(Stored(HKEY_CURRENT_USER, L"Text"), L"SZ:yes");
  Put(HKEY_CURRENT_USER, [](win::RegKey& k) { return k.SetDword(L"Text", 3); });
  RegWriteString(HKEY_CURRENT_USER, kKey, L"Text", L"no");
  EXPECT_EQ(Stored(HKEY_CURRENT_USER, L"Text"), L"SZ:no");
}

// A key that cannot be opened for writing, as under the machine hive for a
// user without administrator rights.
TEST_F(RegistryUtilsTest, AKeyThatCannotBeOpenedReadsAsOffOrAsTheDefault) {
  if (testing_support::RunningUnderWine())
    GTEST_SKIP() << "Wine lets a process create keys in a hive it may only read; the portable store's "
                    "failures stand in for it (SettingsStoreFailuresTest)";
  registry_.SetMachineWritable(false);
  EXPECT_FALSE(RegReadBool(HKEY_LOCAL_MACHINE, kKey, L"Switch", true)) << "off, not the default";
  EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kKey, L"Text", L"fallback"), L"fallback");
  EXPECT_NO_THROW(RegWriteString(HKEY_LOCAL_MACHINE, kKey, L"Text", L"yes")) << "nothing happens";
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey));
  registry_.SetMachineWritable(true);
}

}  // namespace
