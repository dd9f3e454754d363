// The registry subset's Windows behaviour: paths, case, values and their byte
// counts, enumeration order, handles and their access rights. Each test has a
// private registry, so these run against the system's own functions on Windows
// and against the portable store elsewhere.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/win/Registry.h"
#include "support/Platform.h"
#include "support/RegistryKeys.h"
#include "support/TestRegistry.h"

namespace {

class RegistryTest : public ::testing::Test, protected testing_support::RegistryKeys {
 protected:
  void TearDown() override { CloseKeys(); }

  static std::vector<std::wstring> Sorted(std::vector<std::wstring> names) {
    std::sort(names.begin(), names.end());
    return names;
  }

  testing_support::TestRegistry registry_;
};

std::vector<BYTE> Bytes(const void* p, size_t n) {
  return std::vector<BYTE>(static_cast<const BYTE*>(p), static_cast<const BYTE*>(p) + n);
}

// ------------------------------------------------------------------- keys

TEST_F(RegistryTest, CreateMakesIntermediateKeysAndReportsWhetherTheKeyIsNew) {
  DWORD disposition = 0;
  Create(HKEY_CURRENT_USER, L"Software\\Vorn\\A\\B", KEY_ALL_ACCESS, &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, L"Software\\Vorn"));
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, L"Software\\Vorn\\A"));

  Create(HKEY_CURRENT_USER, L"SOFTWARE\\vorn\\a\\b", KEY_ALL_ACCESS, &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  HKEY vorn = nullptr;
  ASSERT_EQ(Open(HKEY_CURRENT_USER, L"Software\\Vorn", &vorn), ERROR_SUCCESS);
  EXPECT_EQ(SubKeys(vorn), std::vector<std::wstring>{L"A"});
}

TEST_F(RegistryTest, NamesCompareWithoutCaseAndKeepTheCaseTheyWereCreatedWith) {
  struct Case {
    const wchar_t* created;
    const wchar_t* lookedUp;
  };
  const Case cases[] = {
      {L"MixedCase", L"mIXEDcASE"},
      {L"\u00C4rger\u00DF", L"\u00E4RGER\u00DF"},     // Latin-1 letters; sharp s has no single upper case
      {L"\u0141\u00F3d\u017A", L"\u0142\u00D3D\u0179"},  // Latin Extended-A
      {L"\u03A3\u03BF\u03C6\u03AF\u03B1", L"\u03C3\u039F\u03A6\u038A\u0391"},  // Greek, accented iota
      {L"\u041F\u0440\u0438\u0432\u0435\u0442", L"\u043F\u0420\u0418\u0412\u0415\u0422"},  // Cyrillic
      {L"Emoji\U0001F600", L"EMOJI\U0001F600"},
  };
  HKEY parent = Create(HKEY_CURRENT_USER, L"Software\\Case");
  for (const Case& c : cases) {
    Create(parent, c.created);
    EXPECT_TRUE(Exists(parent, c.lookedUp)) << "looked up as a different case";
    DWORD disposition = 0;
    Create(parent, c.lookedUp, KEY_READ, &disposition);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  }
  const auto names = SubKeys(parent);
  ASSERT_EQ(names.size(), std::size(cases)) << "a differently cased name created a second key";
  for (const Case& c : cases) EXPECT_NE(std::find(names.begin(), names.end(), c.created), names.end());
  EXPECT_FALSE(Exists(parent, L"Arger\u00DF")) << "letters that differ in more than case are different";
}

TEST_F(RegistryTest, PathSyntaxFollowsWindows) {
  Create(HKEY_CURRENT_USER, L"Software\\P\\Q");
  const std::wstring tooLong(256, L'k');
  const std::wstring longest(255, L'k');
  // Windows limits a key name to 255 characters; Wine takes longer ones.
  const LSTATUS tooLongOpen = testing_support::RunningUnderWine() ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_PARAMETER;
  const LSTATUS tooLongCreate = testing_support::RunningUnderWine() ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
  struct Case {
    std::wstring path;
    LSTATUS open;
  };
  const Case cases[] = {
      {L"Software\\P\\Q", ERROR_SUCCESS},
      {L"Software\\P\\Q\\", ERROR_SUCCESS},  // a trailing backslash is tolerated
      {L"software\\p", ERROR_SUCCESS},
      {L"\\Software\\P", ERROR_BAD_PATHNAME},
      {L"\\", ERROR_BAD_PATHNAME},
      {L"Software\\\\P", ERROR_SUCCESS},  // separators in a row count as one
      {L"Software\\P\\\\\\Q", ERROR_SUCCESS},
      {L"Software\\P\\Missing", ERROR_FILE_NOT_FOUND},
      {L"Software/P", ERROR_FILE_NOT_FOUND},  // a slash is part of a name, not a separator
      {L"Software\\" + tooLong, tooLongOpen},
      {L"Software\\" + longest, ERROR_FILE_NOT_FOUND},
  };
  for (const Case& c : cases) {
    HKEY h = reinterpret_cast<HKEY>(0x1);
    EXPECT_EQ(Open(HKEY_CURRENT_USER, c.path.c_str(), &h), c.open)
        << c.path.size() << " chars: " << c.path.substr(0, 40);
    if (c.open != ERROR_SUCCESS) {
      EXPECT_EQ(h, nullptr) << "a failed open leaves no handle behind";
    }
  }
  HKEY h = nullptr;
  EXPECT_EQ(win::RegCreateKeyExW(HKEY_CURRENT_USER, L"\\Bad", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
            ERROR_BAD_PATHNAME);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(win::RegCreateKeyExW(HKEY_CURRENT_USER, (L"Software\\" + tooLong).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                 nullptr, &h, nullptr),
            tooLongCreate);
  if (h) Keep(h);
  DWORD disposition = 0;
  Create(HKEY_CURRENT_USER, L"Software\\\\Twice\\\\Separated\\", KEY_ALL_ACCESS, &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, L"Software\\Twice\\Separated"));
  Create(HKEY_CURRENT_USER, (L"Software\\" + longest).c_str());
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, (L"Software\\" + longest).c_str()));
}

TEST_F(RegistryTest, OpeningBelowTheClassesRootToleratesOneLeadingBackslash) {
  // Old programs open "\\CLSID\\..." below HKEY_CLASSES_ROOT, and Windows lets
  // them; only there, only one, and only for opening.
  Create(HKEY_CLASSES_ROOT, L"Vorn.Lead\\Sub");
  Create(HKEY_CURRENT_USER, L"Software\\Lead");
  HKEY h = nullptr;
  EXPECT_EQ(Open(HKEY_CLASSES_ROOT, L"\\Vorn.Lead\\Sub", &h), ERROR_SUCCESS);
  EXPECT_EQ(Open(HKEY_CLASSES_ROOT, L"\\\\Vorn.Lead", &h), ERROR_BAD_PATHNAME);
  EXPECT_EQ(Open(HKEY_CURRENT_USER, L"\\Software\\Lead", &h), ERROR_BAD_PATHNAME);
  EXPECT_EQ(
      win::RegCreateKeyExW(HKEY_CLASSES_ROOT, L"\\Vorn.Lead", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
      ERROR_BAD_PATHNAME);
  HKEY classes = Create(HKEY_CLASSES_ROOT, L"Vorn.Lead");
  EXPECT_EQ(Open(classes, L"\\Sub", &h), ERROR_BAD_PATHNAME) << "a key below the root is not the root";
}

TEST_F(RegistryTest, AnEmptyOrNullPathOpensTheKeyItselfAgain) {
  HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Self");
  ASSERT_EQ(SetDword(key, L"v", 7), ERROR_SUCCESS);
  for (const wchar_t* path : {static_cast<const wchar_t*>(nullptr), L""}) {
    HKEY again = nullptr;
    ASSERT_EQ(Open(key, path, &again), ERROR_SUCCESS);
    EXPECT_NE(again, key) << "a new handle";
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_EQ(Query(again, L"v", type, data), ERROR_SUCCESS);
  }
}

TEST_F(RegistryTest, BadArgumentsToCreateAndOpenAreRefused) {
  HKEY h = nullptr;
  EXPECT_EQ(win::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(win::RegCreateKeyExW(HKEY_CURRENT_USER, L"X", 1, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
            ERROR_INVALID_PARAMETER)
      << "Reserved must be zero";
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, L"X"));
}

TEST_F(RegistryTest, DeleteKeyRemovesOnlyLeafKeys) {
  HKEY leaf = Create(HKEY_CURRENT_USER, L"Software\\Del\\Leaf");
  ASSERT_EQ(SetString(leaf, L"", L"x"), ERROR_SUCCESS);
  EXPECT_EQ(win::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Del"), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, L"Software\\Del\\Leaf"));

  EXPECT_EQ(win::RegDeleteKeyW(HKEY_CURRENT_USER, L"software\\del\\LEAF"), ERROR_SUCCESS);
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, L"Software\\Del\\Leaf"));
  EXPECT_EQ(win::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Del\\Leaf"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(win::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Del"), ERROR_SUCCESS);
  EXPECT_EQ(win::RegDeleteKeyW(HKEY_CURRENT_USER, nullptr), ERROR_INVALID_PARAMETER);

  // Re-created, the key starts empty: the old values went with it.
  HKEY again = Create(HKEY_CURRENT_USER, L"Software\\Del\\Leaf");
  DWORD type = 0;
  std::vector<BYTE> data;
  EXPECT_EQ(Query(again, L"", type, data), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, AKeyCanDeleteItselfThroughAnyHandle) {
  // Deleting needs no right on the handle named: the key is opened again for deleting.
  HKEY self = Create(HKEY_CURRENT_USER, L"Software\\Me", KEY_READ);
  EXPECT_EQ(win::RegDeleteKeyW(self, L""), ERROR_SUCCESS);
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, L"Software\\Me"));
  Create(HKEY_CURRENT_USER, L"Software\\Parent\\Child");
  HKEY parent = Create(HKEY_CURRENT_USER, L"Software\\Parent", KEY_QUERY_VALUE);
  EXPECT_EQ(win::RegDeleteKeyW(parent, L"Child"), ERROR_SUCCESS);
  EXPECT_TRUE(SubKeys(Create(HKEY_CURRENT_USER, L"Software\\Parent", KEY_READ)).empty());
}

TEST_F(RegistryTest, DeleteTreeRemovesASubtreeOrTheContentsOfAKey) {
  HKEY a = Create(HKEY_CURRENT_USER, L"Software\\Tree\\A");
  Create(HKEY_CURRENT_USER, L"Software\\Tree\\A\\B\\C");
  HKEY sibling = Create(HKEY_CURRENT_USER, L"Software\\Tree\\AB");
  ASSERT_EQ(SetDword(a, L"n", 1), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(sibling, L"n", 2), ERROR_SUCCESS);

  EXPECT_EQ(win::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tree\\a"), ERROR_SUCCESS);
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, L"Software\\Tree\\A"));
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, L"Software\\Tree\\AB")) << "a sibling with a common prefix stays";
  EXPECT_EQ(win::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tree\\A"), ERROR_FILE_NOT_FOUND);

  // Without a subkey name only what is below goes.
  HKEY tree = nullptr;
  ASSERT_EQ(Open(HKEY_CURRENT_USER, L"Software\\Tree", &tree, KEY_ALL_ACCESS), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(tree, L"own", 3), ERROR_SUCCESS);
  EXPECT_EQ(win::RegDeleteTreeW(tree, nullptr), ERROR_SUCCESS);
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, L"Software\\Tree"));
  EXPECT_TRUE(SubKeys(tree).empty());
  EXPECT_TRUE(ValueNames(tree).empty());
}

TEST_F(RegistryTest, DeleteTreeOfAKeysContentsNeedsTheRightToChangeItsValues) {
  HKEY writer = Create(HKEY_CURRENT_USER, L"Software\\Guarded");
  ASSERT_EQ(SetDword(writer, L"v", 1), ERROR_SUCCESS);
  HKEY reader = nullptr;
  ASSERT_EQ(Open(HKEY_CURRENT_USER, L"Software\\Guarded", &reader, KEY_READ), ERROR_SUCCESS);
  EXPECT_EQ(win::RegDeleteTreeW(reader, nullptr), ERROR_ACCESS_DENIED);
  DWORD type = 0;
  std::vector<BYTE> data;
  EXPECT_EQ(Query(reader, L"v", type, data), ERROR_SUCCESS) << "the values stay";

  // Named by path, the subtree goes whatever the handle allows.
  Create(writer, L"Sub\\Deeper");
  EXPECT_EQ(win::RegDeleteTreeW(reader, L"Sub"), ERROR_SUCCESS);
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER, L"Software\\Guarded\\Sub"));
  // And with the right to change values, the contents go too.
  EXPECT_EQ(win::RegDeleteTreeW(writer, L""), ERROR_SUCCESS);
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER, L"Software\\Guarded")) << "an empty name is no name";
  EXPECT_TRUE(ValueNames(reader).empty());
}

// ----------------------------------------------------------------- values

TEST_F(RegistryTest, ValuesKeepTheirTypeAndExactBytes) {
  HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Values");
  const DWORD dword = 0xDEADBEEF;
  const ULONGLONG qword = 0x0123456789ABCDEFull;
  const BYTE binary[] = {0, 1, 2, 0xFF, 0};
  const std::wstring text = L"h\u00E9llo \U0001F600";
  const std::wstring expand = L"%HOME%\\x";
  const std::wstring multi(L"one\0two\0\0", 9);
  const std::wstring twoTerminators(L"ab\0\0", 4);
  const auto terminated = [](const std::wstring& s) { return Bytes(s.c_str(), (s.size() + 1) * sizeof(wchar_t)); };
  struct Case {
    const wchar_t* name;
    DWORD type;
    std::vector<BYTE> set;
  };
  // Windows keeps what it was given: a string without its terminator stays
  // without one, and so does an odd byte at the end.
  const Case cases[] = {
      {L"sz", REG_SZ, terminated(text)},
      {L"sz without terminator", REG_SZ, Bytes(text.c_str(), text.size() * sizeof(wchar_t))},
      {L"sz with two terminators", REG_SZ, Bytes(twoTerminators.c_str(), twoTerminators.size() * sizeof(wchar_t))},
      {L"sz and an odd byte", REG_SZ, Bytes(L"ab", sizeof(wchar_t) + 1)},
      {L"empty sz", REG_SZ, Bytes(L"", sizeof(wchar_t))},
      {L"sz of no bytes", REG_SZ, {}},
      {L"expand", REG_EXPAND_SZ, terminated(expand)},
      {L"multi", REG_MULTI_SZ, terminated(multi)},
      {L"dword", REG_DWORD, Bytes(&dword, 4)},
      {L"qword", REG_QWORD, Bytes(&qword, 8)},
      // The type is only a label: Windows does not check the size against it.
      {L"short dword", REG_DWORD, Bytes(&dword, 3)},
      {L"long dword", REG_DWORD, Bytes(&qword, 8)},
      {L"empty dword", REG_DWORD, {}},
      {L"short qword", REG_QWORD, Bytes(&qword, 4)},
      {L"binary", REG_BINARY, Bytes(binary, sizeof binary)},
      {L"empty binary", REG_BINARY, {}},
      {L"none", REG_NONE, Bytes(binary, 3)},
      {L"unknown type", 0x1234, Bytes(binary, 2)},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(win::RegSetValueExW(key, c.name, 0, c.type, c.set.empty() ? nullptr : c.set.data(),
                                  static_cast<DWORD>(c.set.size())),
              ERROR_SUCCESS)
        << c.name;
  }
  for (const Case& c : cases) {
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_EQ(Query(key, c.name, type, data), ERROR_SUCCESS) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
    EXPECT_EQ(data, c.set) << c.name;
  }
}

TEST_F(RegistryTest, QueryFollowsTheBufferProtocol) {
  HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Buffers");
  ASSERT_EQ(SetString(key, L"s", L"abc"), ERROR_SUCCESS);
  const DWORD needed = 4 * sizeof(wchar_t);  // the terminator counts

  DWORD type = 0, size = 0;
  EXPECT_EQ(win::RegQueryValueExW(key, L"s", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, needed);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

  BYTE small[3 * sizeof(wchar_t)];
  size = sizeof small;
  type = 0;
  EXPECT_EQ(win::RegQueryValueExW(key, L"s", nullptr, &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, needed);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << "the type is reported even when the buffer is short";

  wchar_t exact[4] = {L'x', L'x', L'x', L'x'};
  size = sizeof exact;
  EXPECT_EQ(win::RegQueryValueExW(key, L"s", nullptr, nullptr, reinterpret_cast<BYTE*>(exact), &size), ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(exact), L"abc");
  EXPECT_EQ(size, needed);

  wchar_t large[16];
  size = sizeof large;
  EXPECT_EQ(win::RegQueryValueExW(key, L"s", nullptr, nullptr, reinterpret_cast<BYTE*>(large), &size), ERROR_SUCCESS);
  EXPECT_EQ(size, needed) << "the size is what was copied, not the buffer";

  EXPECT_EQ(win::RegQueryValueExW(key, L"s", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS) << "exists";
  EXPECT_EQ(win::RegQueryValueExW(key, L"missing", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(win::RegQueryValueExW(key, L"s", nullptr, nullptr, reinterpret_cast<BYTE*>(large), nullptr),
            ERROR_INVALID_PARAMETER);
  DWORD reserved = 0;
  EXPECT_EQ(win::RegQueryValueExW(key, L"s", &reserved, nullptr, nullptr, &size), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryTest, MalformedValueDataIsRefusedAndChangesNothing) {
  HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Bad");
  ASSERT_EQ(SetDword(key, L"d", 5), ERROR_SUCCESS);
  // Data that is not there: a size without a buffer.
  for (DWORD type : {REG_SZ, REG_BINARY, REG_DWORD}) {
    EXPECT_EQ(win::RegSetValueExW(key, L"d", 0, type, nullptr, 4), ERROR_NOACCESS) << "type " << type;
  }
  DWORD type = 0;
  std::vector<BYTE> data;
  ASSERT_EQ(Query(key, L"d", type, data), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(data, (std::vector<BYTE>{5, 0, 0, 0}));

  const std::wstring longName(16384, L'n');
  EXPECT_EQ(SetDword(key, longName.c_str(), 1), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(SetDword(key, longName.substr(1).c_str(), 1), ERROR_SUCCESS) << "16383 characters are allowed";
}

TEST_F(RegistryTest, TheDefaultValueHasAnEmptyOrNullName) {
  HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Default");
  ASSERT_EQ(SetString(key, nullptr, L"via null"), ERROR_SUCCESS);
  DWORD type = 0;
  std::vector<BYTE> data;
  ASSERT_EQ(Query(key, L"", type, data), ERROR_SUCCESS);
  EXPECT_EQ(AsString(data), std::wstring(L"via null\0", 9));
  ASSERT_EQ(SetString(key, L"", L"via empty"), ERROR_SUCCESS);
  EXPECT_EQ(ValueNames(key), std::vector<std::wstring>{L""}) << "one default value";
  EXPECT_EQ(win::RegDeleteValueW(key, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(Query(key, L"", type, data), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, ValueNamesCompareWithoutCaseAndAValueCanChangeType) {
  HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Names");
  ASSERT_EQ(SetString(key, L"Path", L"a"), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key, L"PATH", 9), ERROR_SUCCESS);
  EXPECT_EQ(ValueNames(key), std::vector<std::wstring>{L"Path"}) << "the first spelling stays";
  DWORD type = 0;
  std::vector<BYTE> data;
  ASSERT_EQ(Query(key, L"path", type, data), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(data, (std::vector<BYTE>{9, 0, 0, 0}));
  EXPECT_EQ(win::RegDeleteValueW(key, L"pAtH"), ERROR_SUCCESS);
  EXPECT_EQ(win::RegDeleteValueW(key, L"Path"), ERROR_FILE_NOT_FOUND);
}

// ------------------------------------------------------------ enumeration

TEST_F(RegistryTest, SubkeysEnumerateInOrderOfTheirUpperCasedNames) {
  // Windows documents no order, but it keeps subkeys sorted by their upper-cased
  // names and lists them that way.
  HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Order");
  for (const wchar_t* name : {L"b", L"_x", L"C", L"a1", L"A", L"\u00E9t\u00E9", L"Z"}) Create(key, name);
  // '_' lies between the upper-case and the lower-case letters, so it tells
  // upper-casing from lower-casing: Windows puts it after Z, Wine (which
  // compares lower-cased names) before A.
  const std::vector<std::wstring> upperCased{L"A", L"a1", L"b", L"C", L"Z", L"_x", L"\u00E9t\u00E9"};
  const std::vector<std::wstring> lowerCased{L"_x", L"A", L"a1", L"b", L"C", L"Z", L"\u00E9t\u00E9"};
  EXPECT_EQ(SubKeys(key), testing_support::RunningUnderWine() ? lowerCased : upperCased);
}

TEST_F(RegistryTest, EveryValueIsEnumeratedOnceUnderTheNameItWasCreatedWith) {
  // The order of values is not documented (and differs between Windows and
  // Wine), so only the set is pinned here.
  HKEY key = Create(HKEY_CURRENT_USER, L"Software\\ValueSet");
  for (const wchar_t* name : {L"zeta", L"alpha", L"", L"Mid"}) ASSERT_EQ(SetDword(key, name, 1), ERROR_SUCCESS);
  ASSERT_EQ(SetString(key, L"ALPHA", L"changed"), ERROR_SUCCESS);
  ASSERT_EQ(win::RegDeleteValueW(key, L"zeta"), ERROR_SUCCESS);
  EXPECT_EQ(Sorted(ValueNames(key)), (std::vector<std::wstring>{L"", L"Mid", L"alpha"}));
}

TEST_F(RegistryTest, EnumerationReportsShortBuffersAndTheEnd) {
  HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Enum");
  Create(key, L"Four");
  ASSERT_EQ(SetString(key, L"Name", L"value"), ERROR_SUCCESS);

  wchar_t name[8];
  DWORD chars = 4;  // no room for the terminator
  EXPECT_EQ(win::RegEnumKeyExW(key, 0, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  chars = 5;
  FILETIME written{};
  EXPECT_EQ(win::RegEnumKeyExW(key, 0, name, &chars, nullptr, nullptr, nullptr, &written), ERROR_SUCCESS);
  EXPECT_EQ(chars, 4u);
  EXPECT_EQ(std::wstring(name), L"Four");
  EXPECT_NE(written.dwHighDateTime, 0u) << "a last-write time is reported";
  chars = 8;
  EXPECT_EQ(win::RegEnumKeyExW(key, 1, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

  chars = 4;
  DWORD type = 0, size = 0;
  EXPECT_EQ(win::RegEnumValueW(key, 0, name, &chars, nullptr, &type, nullptr, &size), ERROR_MORE_DATA);
  chars = 5;
  BYTE data[4 * sizeof(wchar_t)];
  size = sizeof data;
  EXPECT_EQ(win::RegEnumValueW(key, 0, name, &chars, nullptr, &type, data, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 6 * sizeof(wchar_t)) << "the data size needed";
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  wchar_t value[6];
  size = sizeof value;
  chars = 5;
  EXPECT_EQ(win::RegEnumValueW(key, 0, name, &chars, nullptr, &type, reinterpret_cast<BYTE*>(value), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(name), L"Name");
  EXPECT_EQ(std::wstring(value), L"value");
  chars = 8;
  EXPECT_EQ(win::RegEnumValueW(key, 1, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
}

// ---------------------------------------------------------------- handles

TEST_F(RegistryTest, InvalidHandlesAreReportedByEveryCall) {
  HKEY closed = nullptr;
  ASSERT_EQ(win::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\H", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &closed,
                                 nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(win::RegCloseKey(closed), ERROR_SUCCESS);
  // Nothing below opens a handle, so the closed one cannot come back as another key.
  for (HKEY bad : {static_cast<HKEY>(nullptr), reinterpret_cast<HKEY>(0x1234), closed}) {
    HKEY h = nullptr;
    wchar_t name[8];
    DWORD chars = 8, size = 0;
    const DWORD one = 1;
    EXPECT_EQ(win::RegOpenKeyExW(bad, L"x", 0, KEY_READ, &h), ERROR_INVALID_HANDLE);
    EXPECT_EQ(win::RegCreateKeyExW(bad, L"x", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(win::RegSetValueExW(bad, L"v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(win::RegQueryValueExW(bad, L"v", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(win::RegDeleteValueW(bad, L"v"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(win::RegDeleteKeyW(bad, L"x"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(win::RegDeleteTreeW(bad, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(win::RegEnumKeyExW(bad, 0, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(win::RegEnumValueW(bad, 0, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
  }
  EXPECT_EQ(win::RegCloseKey(closed), ERROR_INVALID_HANDLE) << "closing twice";
  EXPECT_EQ(win::RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, ClosingAPredefinedRootDoesNothing) {
  for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    EXPECT_EQ(win::RegCloseKey(root), ERROR_SUCCESS);
    EXPECT_EQ(SetDword(root, L"still usable", 1), ERROR_SUCCESS);
  }
}

TEST_F(RegistryTest, AHandleToADeletedKeyReportsKeyDeleted) {
  HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Gone\\Sub");
  ASSERT_EQ(win::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Gone"), ERROR_SUCCESS);
  HKEY h = nullptr;
  wchar_t name[8];
  DWORD chars = 8, size = 0;
  EXPECT_EQ(SetDword(key, L"v", 1), ERROR_KEY_DELETED);
  EXPECT_EQ(win::RegQueryValueExW(key, L"v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(win::RegEnumKeyExW(key, 0, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
  EXPECT_EQ(win::RegOpenKeyExW(key, L"", 0, KEY_READ, &h), ERROR_KEY_DELETED);
  EXPECT_EQ(win::RegCreateKeyExW(key, L"x", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr), ERROR_KEY_DELETED);
  // Re-creating the path makes a new key; the old handle stays dead.
  Create(HKEY_CURRENT_USER, L"Software\\Gone\\Sub");
  EXPECT_EQ(SetDword(key, L"v", 1), ERROR_KEY_DELETED);
}

TEST_F(RegistryTest, AHandleAllowsWhatItWasOpenedFor) {
  Create(HKEY_CURRENT_USER, L"Software\\Rights");
  HKEY reader = nullptr, writer = nullptr;
  ASSERT_EQ(Open(HKEY_CURRENT_USER, L"Software\\Rights", &reader, KEY_READ), ERROR_SUCCESS);
  ASSERT_EQ(Open(HKEY_CURRENT_USER, L"Software\\Rights", &writer, KEY_WRITE), ERROR_SUCCESS);
  EXPECT_EQ(SetDword(reader, L"v", 1), ERROR_ACCESS_DENIED);
  EXPECT_EQ(SetDword(writer, L"v", 1), ERROR_SUCCESS);
  EXPECT_EQ(win::RegDeleteValueW(reader, L"v"), ERROR_ACCESS_DENIED);
  DWORD size = 0;
  EXPECT_EQ(win::RegQueryValueExW(writer, L"v", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
  EXPECT_EQ(win::RegQueryValueExW(reader, L"v", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  wchar_t name[8];
  DWORD chars = 8;
  EXPECT_EQ(win::RegEnumKeyExW(writer, 0, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryTest, HandlesAreSharedSafelyBetweenThreads) {
  constexpr int kThreads = 4;
  constexpr int kValues = 50;
  HKEY shared = Create(HKEY_CURRENT_USER, L"Software\\Threads");
  std::vector<std::thread> threads;
  std::vector<int> failures(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kValues; ++i) {
        const std::wstring name = L"t" + std::to_wstring(t) + L"_" + std::to_wstring(i);
        HKEY own = nullptr;
        if (win::RegCreateKeyExW(shared, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &own, nullptr) ||
            SetDword(shared, name.c_str(), static_cast<DWORD>(i)) || win::RegCloseKey(own))
          ++failures[t];
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures, std::vector<int>(kThreads, 0));
  EXPECT_EQ(SubKeys(shared).size(), static_cast<size_t>(kThreads * kValues));
  EXPECT_EQ(ValueNames(shared).size(), static_cast<size_t>(kThreads * kValues));
}

// ------------------------------------------ HKEY_LOCAL_MACHINE without rights

TEST_F(RegistryTest, AReadOnlyMachineHiveRefusesChangesButStillReads) {
  HKEY writable = Create(HKEY_LOCAL_MACHINE, L"Software\\Vorn\\Sub");
  ASSERT_EQ(SetString(writable, L"kept", L"yes"), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(HKEY_LOCAL_MACHINE, L"old", 1), ERROR_SUCCESS);
  registry_.SetMachineWritable(false);

  HKEY h = nullptr;
  EXPECT_EQ(win::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Vorn", 0, KEY_WRITE, &h), ERROR_ACCESS_DENIED);
  EXPECT_EQ(win::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Vorn", 0, KEY_ALL_ACCESS, &h), ERROR_ACCESS_DENIED);
  EXPECT_EQ(win::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Vorn", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                                 &h, nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(SetDword(HKEY_LOCAL_MACHINE, L"new", 1), ERROR_ACCESS_DENIED);
  EXPECT_EQ(win::RegDeleteValueW(HKEY_LOCAL_MACHINE, L"old"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(win::RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Missing"), ERROR_FILE_NOT_FOUND);

  // Reading works, and so does "creating" a key that exists when only reading is asked for.
  HKEY reader = nullptr;
  ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, L"Software\\Vorn\\Sub", &reader), ERROR_SUCCESS);
  DWORD type = 0;
  std::vector<BYTE> data;
  EXPECT_EQ(Query(reader, L"kept", type, data), ERROR_SUCCESS);
  EXPECT_EQ(AsString(data), std::wstring(L"yes\0", 4));
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, L"old", type, data), ERROR_SUCCESS);
  DWORD disposition = 0;
  Create(HKEY_LOCAL_MACHINE, L"Software\\Vorn", KEY_READ, &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  EXPECT_EQ(SubKeys(reader).size(), 0u);

  // The user's hive is unaffected.
  EXPECT_EQ(SetDword(Create(HKEY_CURRENT_USER, L"Software\\Vorn"), L"n", 1), ERROR_SUCCESS);
  EXPECT_EQ(SetDword(Create(HKEY_CLASSES_ROOT, L"Vorn.Class"), L"n", 1), ERROR_SUCCESS);

  // Windows checks the parent's access list before it creates a key, and the
  // key's own before it deletes one. Wine checks neither (though it does check
  // opening for writing), so there the new key appears and the old ones go.
  const LSTATUS created =
      win::RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\New", 0, nullptr, 0, KEY_READ, nullptr, &h, nullptr);
  if (h) Keep(h);
  const LSTATUS deletedKey = win::RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Vorn\\Sub");
  const LSTATUS deletedTree = win::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Vorn");
  if (!testing_support::RunningUnderWine()) {
    EXPECT_EQ(created, ERROR_ACCESS_DENIED);
    EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE, L"Software\\New"));
    EXPECT_EQ(deletedKey, ERROR_ACCESS_DENIED);
    EXPECT_EQ(deletedTree, ERROR_ACCESS_DENIED);
    EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE, L"Software\\Vorn\\Sub"));
  }

  registry_.SetMachineWritable(true);
  EXPECT_EQ(SetDword(HKEY_LOCAL_MACHINE, L"new", 1), ERROR_SUCCESS);
  EXPECT_EQ(win::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software"), ERROR_SUCCESS);
}

}  // namespace
