// win::RegKey: one owned handle, typed reads that refuse values of the wrong type.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "platform/win/RegKey.h"
#include "support/TestRegistry.h"

namespace {

class RegistryKeyTest : public ::testing::Test {
 protected:
  testing_support::TestRegistry registry_;
};

TEST_F(RegistryKeyTest, StringsAndDwordsRoundTrip) {
  win::RegKey key;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, L"Software\\Vorn"), ERROR_SUCCESS);
  ASSERT_TRUE(key);
  EXPECT_EQ(key.SetString(L"", L"default"), ERROR_SUCCESS);
  EXPECT_EQ(key.SetString(L"Text", L"h\u00E9llo \U0001F600"), ERROR_SUCCESS);
  EXPECT_EQ(key.SetString(L"Empty", L""), ERROR_SUCCESS);
  EXPECT_EQ(key.SetString(L"Expand", L"%TEMP%\\x", REG_EXPAND_SZ), ERROR_SUCCESS);
  EXPECT_EQ(key.SetDword(L"Count", 0xFFFFFFFFu), ERROR_SUCCESS);

  win::RegKey reader;
  ASSERT_EQ(reader.Open(HKEY_CURRENT_USER, L"software\\vorn"), ERROR_SUCCESS);
  EXPECT_EQ(reader.GetString(L""), L"default");
  EXPECT_EQ(reader.GetString(L"text"), L"h\u00E9llo \U0001F600");
  EXPECT_EQ(reader.GetString(L"Empty"), L"");
  EXPECT_EQ(reader.GetString(L"Expand"), L"%TEMP%\\x") << "returned as stored, not expanded";
  EXPECT_EQ(reader.GetDword(L"COUNT"), 0xFFFFFFFFu);
}

TEST_F(RegistryKeyTest, ValuesOfAnotherTypeOrMissingReadAsNothing) {
  win::RegKey key;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, L"Software\\Types"), ERROR_SUCCESS);
  ASSERT_EQ(key.SetDword(L"Number", 5), ERROR_SUCCESS);
  ASSERT_EQ(key.SetString(L"Text", L"5"), ERROR_SUCCESS);
  const BYTE four[4] = {1, 0, 0, 0};
  ASSERT_EQ(win::RegSetValueExW(key.Get(), L"Binary", 0, REG_BINARY, four, 4), ERROR_SUCCESS);
  const BYTE shortDword[2] = {5, 0};
  ASSERT_EQ(win::RegSetValueExW(key.Get(), L"Short", 0, REG_DWORD, shortDword, 2), ERROR_SUCCESS);
  const ULONGLONG wide = 5;
  ASSERT_EQ(win::RegSetValueExW(key.Get(), L"Long", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&wide), 8),
            ERROR_SUCCESS);
  const wchar_t multi[] = L"a\0b\0";
  ASSERT_EQ(win::RegSetValueExW(key.Get(), L"Multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi),
                                sizeof multi),
            ERROR_SUCCESS);

  EXPECT_EQ(key.GetString(L"Number"), std::nullopt);
  EXPECT_EQ(key.GetString(L"Binary"), std::nullopt);
  EXPECT_EQ(key.GetString(L"Multi"), std::nullopt);
  EXPECT_EQ(key.GetString(L"Missing"), std::nullopt);
  EXPECT_EQ(key.GetDword(L"Text"), std::nullopt);
  EXPECT_EQ(key.GetDword(L"Binary"), std::nullopt) << "four bytes, but not a DWORD";
  EXPECT_EQ(key.GetDword(L"Short"), std::nullopt) << "a DWORD by name, but too short";
  EXPECT_EQ(key.GetDword(L"Long"), std::nullopt) << "a DWORD by name, but too long";
  EXPECT_EQ(key.GetDword(L"Missing"), std::nullopt);
}

TEST_F(RegistryKeyTest, StringsWrittenWithoutTerminatorOrWithEmbeddedNullsReadUpToTheFirstNull) {
  win::RegKey key;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, L"Software\\Raw"), ERROR_SUCCESS);
  const wchar_t bare[] = {L'a', L'b', L'c'};
  ASSERT_EQ(win::RegSetValueExW(key.Get(), L"Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(bare), sizeof bare),
            ERROR_SUCCESS);
  const wchar_t embedded[] = L"left\0right";
  ASSERT_EQ(win::RegSetValueExW(key.Get(), L"Embedded", 0, REG_SZ, reinterpret_cast<const BYTE*>(embedded),
                                sizeof embedded),
            ERROR_SUCCESS);
  const BYTE odd[sizeof(wchar_t) + 1] = {'x'};  // a stray byte after the last whole character
  ASSERT_EQ(win::RegSetValueExW(key.Get(), L"Odd", 0, REG_SZ, odd, sizeof odd), ERROR_SUCCESS);
  ASSERT_EQ(win::RegSetValueExW(key.Get(), L"Nothing", 0, REG_SZ, nullptr, 0), ERROR_SUCCESS);
  EXPECT_EQ(key.GetString(L"Bare"), L"abc");
  EXPECT_EQ(key.GetString(L"Embedded"), L"left");
  EXPECT_EQ(key.GetString(L"Nothing"), L"");
  const auto oddText = key.GetString(L"Odd");
  ASSERT_TRUE(oddText.has_value());
  EXPECT_EQ(oddText->size(), 1u) << "the whole character is read, the stray byte is not";
}

TEST_F(RegistryKeyTest, OwnsExactlyOneHandle) {
  // Each closed handle is checked before any other handle is opened, since
  // Windows hands out the values of closed handles again straight away.
  win::RegKey first;
  ASSERT_EQ(first.Create(HKEY_CURRENT_USER, L"Software\\One"), ERROR_SUCCESS);
  const HKEY handle = first.Get();

  win::RegKey moved(std::move(first));
  EXPECT_FALSE(first);
  EXPECT_EQ(moved.Get(), handle);

  win::RegKey assigned;
  ASSERT_EQ(assigned.Create(HKEY_CURRENT_USER, L"Software\\Two"), ERROR_SUCCESS);
  const HKEY replaced = assigned.Get();
  assigned = std::move(moved);
  EXPECT_EQ(assigned.Get(), handle);
  EXPECT_EQ(win::RegCloseKey(replaced), ERROR_INVALID_HANDLE) << "the overwritten key was closed";

  EXPECT_EQ(assigned.Open(HKEY_CURRENT_USER, L"Software\\Missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(assigned);
  EXPECT_EQ(win::RegCloseKey(handle), ERROR_INVALID_HANDLE) << "opening again closed the previous handle";

  ASSERT_EQ(assigned.Open(HKEY_CURRENT_USER, L"Software\\Two"), ERROR_SUCCESS);
  const HKEY last = assigned.Get();
  { win::RegKey scoped(std::exchange(assigned, win::RegKey())); }
  EXPECT_EQ(win::RegCloseKey(last), ERROR_INVALID_HANDLE) << "the destructor closed it";
}

TEST_F(RegistryKeyTest, FailuresLeaveAnEmptyKeyThatFailsCleanly) {
  win::RegKey key;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, L"Software\\Exists"), ERROR_SUCCESS);
  EXPECT_EQ(key.Open(HKEY_CURRENT_USER, L"Software\\Missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(key);

  ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, L"Software\\Vorn"), ERROR_SUCCESS);
  registry_.SetMachineWritable(false);
  EXPECT_EQ(key.Create(HKEY_LOCAL_MACHINE, L"Software\\Vorn"), ERROR_ACCESS_DENIED) << "asks for writing";
  EXPECT_FALSE(key);

  EXPECT_EQ(key.SetString(L"x", L"y"), ERROR_INVALID_HANDLE);
  EXPECT_EQ(key.SetDword(L"x", 1), ERROR_INVALID_HANDLE);
  EXPECT_EQ(key.DeleteValue(L"x"), ERROR_INVALID_HANDLE);
  EXPECT_EQ(key.GetString(L"x"), std::nullopt);
  EXPECT_EQ(key.GetDword(L"x"), std::nullopt);
  EXPECT_TRUE(key.SubKeyNames().empty());
  EXPECT_TRUE(key.ValueNames().empty());
}

TEST_F(RegistryKeyTest, ListsSubkeysAlphabeticallyAndEveryValueOnce) {
  win::RegKey key;
  ASSERT_EQ(key.Create(HKEY_CLASSES_ROOT, L"Vorn.List"), ERROR_SUCCESS);
  for (const wchar_t* name : {L"beta", L"Alpha", L"gamma"}) {
    win::RegKey sub;
    ASSERT_EQ(sub.Create(key.Get(), name), ERROR_SUCCESS);
    ASSERT_EQ(key.SetDword(name, 1), ERROR_SUCCESS);
  }
  const std::wstring longName(300, L'v');  // longer than any key name
  ASSERT_EQ(key.SetDword(longName, 2), ERROR_SUCCESS);
  EXPECT_EQ(key.SubKeyNames(), (std::vector<std::wstring>{L"Alpha", L"beta", L"gamma"}));
  auto values = key.ValueNames();
  std::sort(values.begin(), values.end());
  EXPECT_EQ(values, (std::vector<std::wstring>{L"Alpha", L"beta", L"gamma", longName}));
  EXPECT_EQ(key.DeleteValue(L"ALPHA"), ERROR_SUCCESS);
  EXPECT_EQ(key.DeleteValue(L"ALPHA"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key.ValueNames().size(), 3u);
}

}  // namespace
