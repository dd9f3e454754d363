// The registry store when things go wrong or grow large: failures part way
// through a walk, walks over large keys and while the key changes, readers
// beside a writer that holds the lock, stores that do not exist and databases
// that belong to another program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/portable/registry/RegistryControl.h"
#include "platform/portable/registry/RegistryStore.h"
#include "platform/win/RegKey.h"
#include "platform/portable/registry/StoreFiles.h"

namespace {

using storetest::RawDatabase;
using storetest::ReadFile;
using storetest::RunTool;
using storetest::ToolPath;
namespace fs = std::filesystem;

class RegistryStoreFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.Path().empty());
    db_ = (folder_.Path() / "registry.db").string();
  }
  void TearDown() override { win::registry::Reset(); }

  // The store this process opens lazily, as a tool does.
  void UseStoreLazily(const std::string& path) {
    env_.Set("VORNIE_REGISTRY", path);
    win::registry::Reset();
  }
  storetest::ToolRun Reg(const std::vector<std::string>& args, const std::string& store) {
    return RunTool(ToolPath("vornie-reg"), args, store, folder_.Path());
  }

  storetest::TempFolder folder_;
  storetest::EnvironmentOverride env_;
  std::string db_;
};

// Names through a fresh handle: its walk starts from nothing.
std::vector<std::wstring> FreshValueNames(const std::wstring& path) {
  win::RegKey key;
  EXPECT_EQ(key.Open(HKEY_CURRENT_USER, path), ERROR_SUCCESS);
  return key.ValueNames();
}

std::wstring EnumValueName(HKEY key, DWORD index, LSTATUS* status = nullptr) {
  wchar_t name[256];
  DWORD chars = 256;
  const LSTATUS rc = win::RegEnumValueW(key, index, name, &chars, nullptr, nullptr, nullptr, nullptr);
  if (status) *status = rc;
  return rc == ERROR_SUCCESS ? std::wstring(name, chars) : std::wstring();
}

std::wstring EnumKeyName(HKEY key, DWORD index) {
  wchar_t name[256];
  DWORD chars = 256;
  if (win::RegEnumKeyExW(key, index, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return {};
  return std::wstring(name, chars);
}

// ------------------------------------------------------------ failing walks

TEST_F(RegistryStoreFaultsTest, AWalkThatFailsPartWayRaisesInsteadOfEndingShort) {
  struct Case {
    const char* what;
    bool values;
  };
  for (const Case& c : {Case{"values", true}, Case{"subkeys", false}}) {
    win::registry::ScopedMemoryStore store;
    win::RegKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, L"Software\\Walk"), ERROR_SUCCESS);
    for (int i = 0; i < 100; ++i) {
      if (c.values)
        ASSERT_EQ(key.SetDword(L"v" + std::to_wstring(i), i), ERROR_SUCCESS);
      else
        ASSERT_EQ(win::RegKey().Create(key.Get(), L"k" + std::to_wstring(i)), ERROR_SUCCESS);
    }
    EXPECT_EQ((c.values ? key.ValueNames() : key.SubKeyNames()).size(), 100u) << c.what;

    win::registry::FailStoreCallAfter(50);
    try {
      const auto names = c.values ? key.ValueNames() : key.SubKeyNames();
      ADD_FAILURE() << c.what << ": the walk passed for a list of " << names.size();
    } catch (const win::RegistryError& e) {
      EXPECT_EQ(e.status(), ERROR_REGISTRY_IO_FAILED) << c.what;
      EXPECT_NE(std::string(e.what()).find("I/O error"), std::string::npos) << e.what();
    }
    EXPECT_EQ((c.values ? key.ValueNames() : key.SubKeyNames()).size(), 100u) << c.what << ": one failure only";
  }
}

// ------------------------------------------------------------ large walks

TEST_F(RegistryStoreFaultsTest, EachStepOfAWalkCostsTheSameHoweverLargeTheKey) {
  // A walk that searched from the start for every index would do work growing
  // with the square of the key's size; a walk that goes on from where it stands
  // does a bounded amount per entry.
  constexpr int kEntries = 3000;
  constexpr std::int64_t kWorkPerEntry = 200;  // virtual machine steps; a scan from the start needs thousands
  win::registry::ScopedMemoryStore store;
  win::RegKey key;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, L"Software\\Large"), ERROR_SUCCESS);
  for (int i = 0; i < kEntries; ++i) {
    ASSERT_EQ(key.SetDword(L"value" + std::to_wstring(i), i), ERROR_SUCCESS);
    ASSERT_EQ(win::RegKey().Create(key.Get(), L"key" + std::to_wstring(i)), ERROR_SUCCESS);
  }
  struct Walk {
    const char* what;
    std::vector<std::wstring> (win::RegKey::*names)() const;
  };
  for (const Walk& w : {Walk{"values", &win::RegKey::ValueNames}, Walk{"subkeys", &win::RegKey::SubKeyNames}}) {
    const std::int64_t before = win::registry::StoreWorkDone();
    EXPECT_EQ((key.*w.names)().size(), static_cast<size_t>(kEntries)) << w.what;
    const std::int64_t work = win::registry::StoreWorkDone() - before;
    EXPECT_LT(work, kEntries * kWorkPerEntry) << w.what << ": " << work / kEntries << " steps per entry";
  }
}

TEST_F(RegistryStoreFaultsTest, AWalkFollowsChangesMadeBetweenItsSteps) {
  // Whatever changes between two steps, index n is the n-th entry as the key
  // stands at that moment, as a walk started afresh would find it.
  win::registry::ScopedMemoryStore store;
  win::RegKey writer;
  ASSERT_EQ(writer.Create(HKEY_CURRENT_USER, L"Software\\Changing"), ERROR_SUCCESS);
  for (int i = 0; i < 10; ++i) ASSERT_EQ(writer.SetDword(L"v" + std::to_wstring(i), i), ERROR_SUCCESS);
  win::RegKey walker;
  ASSERT_EQ(walker.Open(HKEY_CURRENT_USER, L"Software\\Changing"), ERROR_SUCCESS);
  for (DWORD i = 0; i <= 3; ++i) EXPECT_EQ(EnumValueName(walker.Get(), i), L"v" + std::to_wstring(i));

  ASSERT_EQ(writer.DeleteValue(L"v0"), ERROR_SUCCESS);  // everything after it moves up one place
  EXPECT_EQ(EnumValueName(walker.Get(), 4), FreshValueNames(L"Software\\Changing")[4]);
  EXPECT_EQ(EnumValueName(walker.Get(), 4), L"v5");
  EXPECT_EQ(EnumValueName(walker.Get(), 5), L"v6");

  ASSERT_EQ(writer.DeleteValue(L"v6"), ERROR_SUCCESS);
  ASSERT_EQ(writer.SetDword(L"late", 1), ERROR_SUCCESS);
  std::vector<std::wstring> rest;
  LSTATUS status = ERROR_SUCCESS;
  for (DWORD i = 5;; ++i) {
    const std::wstring name = EnumValueName(walker.Get(), i, &status);
    if (status != ERROR_SUCCESS) break;
    rest.push_back(name);
  }
  EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(rest, (std::vector<std::wstring>{L"v7", L"v8", L"v9", L"late"}));

  // Two walks over one key through two handles keep their own places.
  win::RegKey other;
  ASSERT_EQ(other.Open(HKEY_CURRENT_USER, L"Software\\Changing"), ERROR_SUCCESS);
  EXPECT_EQ(EnumValueName(walker.Get(), 0), L"v1");
  EXPECT_EQ(EnumValueName(other.Get(), 0), L"v1");
  EXPECT_EQ(EnumValueName(walker.Get(), 1), L"v2");
  EXPECT_EQ(EnumValueName(other.Get(), 1), L"v2");
  EXPECT_EQ(EnumValueName(walker.Get(), 1), L"v2") << "the same index again";
}

TEST_F(RegistryStoreFaultsTest, AWalkFollowsChangesMadeByAnotherProcess) {
  ASSERT_EQ(win::registry::UseFileStore(db_), ERROR_SUCCESS);
  win::RegKey key;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, L"Software\\Shared"), ERROR_SUCCESS);
  for (int i = 0; i < 6; ++i) ASSERT_EQ(win::RegKey().Create(key.Get(), L"k" + std::to_wstring(i)), ERROR_SUCCESS);
  for (DWORD i = 0; i <= 2; ++i) EXPECT_EQ(EnumKeyName(key.Get(), i), L"k" + std::to_wstring(i));

  const auto removed = Reg({"delete-tree", "HKCU\\Software\\Shared\\k0"}, db_);
  ASSERT_EQ(removed.exitCode, 0) << removed.err;
  EXPECT_EQ(EnumKeyName(key.Get(), 3), L"k4") << "k0 went, so k4 is now the fourth";
  EXPECT_EQ(EnumKeyName(key.Get(), 4), L"k5");
  EXPECT_EQ(EnumKeyName(key.Get(), 5), L"");
}

// ------------------------------------------------- readers and the write lock

TEST_F(RegistryStoreFaultsTest, ReadersDoNotWaitForAWriterThatHoldsTheLock) {
  ASSERT_EQ(win::registry::UseFileStore(db_), ERROR_SUCCESS);
  {
    win::RegKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, L"Software\\Busy"), ERROR_SUCCESS);
    ASSERT_EQ(key.SetDword(L"n", 7), ERROR_SUCCESS);
  }
  win::registry::Reset();

  // Another program starts a write and keeps it open for as long as this test runs.
  RawDatabase writer(db_);
  ASSERT_TRUE(writer.Exec("BEGIN IMMEDIATE; UPDATE keys SET written = written + 1 WHERE id = 1;"));

  UseStoreLazily(db_);  // opened afresh while the lock is held
  win::RegKey key;
  ASSERT_EQ(key.Open(HKEY_CURRENT_USER, L"Software\\Busy"), ERROR_SUCCESS) << win::registry::LastStoreError();
  EXPECT_EQ(key.GetDword(L"n"), 7u);
  EXPECT_EQ(key.ValueNames(), std::vector<std::wstring>{L"n"});

  const auto get = Reg({"get", "HKCU\\Software\\Busy", "n"}, db_);
  EXPECT_EQ(get.exitCode, 0) << get.err;
  EXPECT_EQ(get.out, "7\n");
  const auto list = Reg({"list", "HKCU\\Software"}, db_);
  EXPECT_EQ(list.exitCode, 0) << list.err;
  EXPECT_TRUE(writer.Exec("COMMIT"));
}

// ------------------------------------------------------ stores that are not

TEST_F(RegistryStoreFaultsTest, ReadingAStoreThatDoesNotExistFindsNothingAndCreatesNothing) {
  UseStoreLazily(db_);
  win::RegKey key;
  EXPECT_EQ(key.Open(HKEY_CURRENT_USER, L"Software\\Missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(win::RegQueryValueExW(HKEY_CURRENT_USER, L"v", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(win::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(win::RegDeleteValueW(HKEY_CLASSES_ROOT, L"v"), ERROR_FILE_NOT_FOUND);
  win::RegKey root;
  ASSERT_EQ(root.Open(HKEY_CURRENT_USER, L"", KEY_READ | KEY_WRITE), ERROR_SUCCESS) << "the hive's top key is always there";
  EXPECT_EQ(root.SubKeyNames(), std::vector<std::wstring>{});
  EXPECT_EQ(root.ValueNames(), std::vector<std::wstring>{});
  EXPECT_EQ(win::registry::LastStoreError(), "");
  EXPECT_FALSE(fs::exists(db_));

  const auto get = Reg({"get", "HKCU\\Software\\Missing", "v"}, db_);
  EXPECT_EQ(get.exitCode, 1);
  EXPECT_NE(get.err.find("not found"), std::string::npos) << get.err;
  EXPECT_EQ(Reg({"list", "HKCU"}, db_).exitCode, 0);
  EXPECT_FALSE(fs::exists(db_)) << "a read made the store";

  // The first write makes it, and a handle opened before still works.
  ASSERT_EQ(root.SetDword(L"first", 1), ERROR_SUCCESS) << win::registry::LastStoreError();
  EXPECT_TRUE(fs::exists(db_));
  EXPECT_EQ(root.ValueNames(), std::vector<std::wstring>{L"first"});
}

TEST_F(RegistryStoreFaultsTest, ADatabaseOfAnotherProgramIsRefusedAndLeftAsItWas) {
  struct Case {
    const char* what;
    const char* sql;
  };
  const Case cases[] = {
      {"plain tables", "CREATE TABLE notes(id INTEGER PRIMARY KEY, text TEXT); INSERT INTO notes VALUES(1, 'x');"},
      {"another program's id", "PRAGMA application_id=1234; CREATE TABLE t(x);"},
      {"tables of the same names", "CREATE TABLE keys(a); CREATE TABLE vals(b); PRAGMA user_version=1;"},
      {"only a version", "PRAGMA user_version=7;"},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string path = (folder_.Path() / ("foreign" + std::to_string(++n) + ".db")).string();
    {
      RawDatabase other(path);
      ASSERT_TRUE(other.Exec(c.sql)) << c.what;
    }
    const std::string before = ReadFile(path);

    win::registry::Reset();
    EXPECT_EQ(win::registry::UseFileStore(path), ERROR_REGISTRY_CORRUPT) << c.what;
    EXPECT_NE(win::registry::LastStoreError().find("another program"), std::string::npos)
        << c.what << ": " << win::registry::LastStoreError();
    UseStoreLazily(path);
    win::RegKey key;
    EXPECT_EQ(key.Open(HKEY_CURRENT_USER, L"Software"), ERROR_REGISTRY_CORRUPT) << c.what;
    EXPECT_EQ(key.Create(HKEY_CURRENT_USER, L"Software\\X"), ERROR_REGISTRY_CORRUPT) << c.what;

    const auto get = Reg({"get", "HKCU\\Software", "v"}, path);
    EXPECT_EQ(get.exitCode, 1) << c.what;
    EXPECT_NE(get.err.find(path), std::string::npos) << c.what << ": " << get.err;
    EXPECT_NE(get.err.find("another program"), std::string::npos) << c.what << ": " << get.err;
    EXPECT_EQ(Reg({"set", "HKCU\\Software\\X", "v", "x"}, path).exitCode, 1) << c.what;

    EXPECT_EQ(ReadFile(path), before) << c.what << ": the file changed";
    EXPECT_FALSE(fs::exists(path + "-wal")) << c.what;
    RawDatabase check(path);
    EXPECT_EQ(check.Text("PRAGMA journal_mode"), "delete") << c.what;
  }
}

TEST_F(RegistryStoreFaultsTest, StoresAreMarkedAsSuchAndOlderOnesAreTakenOver) {
  ASSERT_EQ(win::registry::UseFileStore(db_), ERROR_SUCCESS);
  win::registry::Reset();
  {
    RawDatabase check(db_);
    EXPECT_EQ(check.Text("PRAGMA application_id"), std::to_string(win::regstore::kApplicationId));
    EXPECT_EQ(check.Text("PRAGMA journal_mode"), "wal");
  }

  // A store written before stores were marked: the same tables, version 1, no id.
  const std::string old = (folder_.Path() / "old.db").string();
  {
    RawDatabase legacy(old);
    ASSERT_TRUE(legacy.Exec(
        "PRAGMA journal_mode=WAL;"
        "CREATE TABLE keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER, name TEXT NOT NULL,"
        "  fold TEXT NOT NULL, written INTEGER NOT NULL DEFAULT 0, UNIQUE(parent, fold));"
        "CREATE TABLE vals(seq INTEGER PRIMARY KEY AUTOINCREMENT, key INTEGER NOT NULL, name TEXT NOT NULL,"
        "  fold TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL, UNIQUE(key, fold));"
        "INSERT INTO keys(id, parent, name, fold) VALUES (1, NULL, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER'),"
        "  (2, NULL, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE'), (3, 1, 'Kept', 'KEPT');"
        "INSERT INTO vals(key, name, fold, type, data) VALUES (3, 'Name', 'NAME', 1, 'old text');"
        "PRAGMA user_version=1;"));
  }
  ASSERT_EQ(win::registry::UseFileStore(old), ERROR_SUCCESS) << win::registry::LastStoreError();
  win::RegKey kept;
  ASSERT_EQ(kept.Open(HKEY_CURRENT_USER, L"kept"), ERROR_SUCCESS);
  EXPECT_EQ(kept.GetString(L"name"), L"old text");
  win::registry::Reset();
  RawDatabase check(old);
  EXPECT_EQ(check.Text("PRAGMA application_id"), std::to_string(win::regstore::kApplicationId));
}

}  // namespace
