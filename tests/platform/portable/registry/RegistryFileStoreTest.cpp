// The registry store on disk: where it lives, what survives reopening, bad
// files, several processes writing at once, and the vornie-reg tool.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/portable/registry/RegistryControl.h"
#include "platform/portable/registry/StoreFiles.h"
#include "platform/win/RegKey.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

const std::string kTool = std::string(VORN_TOOLS_DIR) + "/vornie-reg";

using storetest::EnvironmentOverride;
using storetest::ReadFile;
using storetest::ToolRun;

class RegistryFileStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vornie-registry-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    db_ = (dir_ / "registry.db").string();
  }
  void TearDown() override {
    win::registry::Reset();
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  // Starts vornie-reg on the store at `store`, its output going to files in the test folder.
  pid_t Spawn(const std::vector<std::string>& args, const std::string& store, int tag) {
    return storetest::SpawnTool(kTool, args, store, OutPath(tag, "out"), OutPath(tag, "err"));
  }
  ToolRun Wait(pid_t pid, int tag) {
    ToolRun run;
    run.exitCode = storetest::WaitForTool(pid);
    run.out = ReadFile(OutPath(tag, "out"));
    run.err = ReadFile(OutPath(tag, "err"));
    return run;
  }
  ToolRun Tool(const std::vector<std::string>& args) { return Wait(Spawn(args, db_, 0), 0); }

  std::string OutPath(int tag, const char* stream) const {
    return (dir_ / ("tool" + std::to_string(tag) + "." + stream)).string();
  }

  fs::path dir_;
  std::string db_;
  EnvironmentOverride env_;
};

// ------------------------------------------------------------- the store

TEST_F(RegistryFileStoreTest, ValuesAndKeysSurviveReopeningTheStore) {
  ASSERT_EQ(win::registry::UseFileStore(db_), ERROR_SUCCESS);
  EXPECT_EQ(win::registry::StorePath(), db_);
  {
    win::RegKey key;
    ASSERT_EQ(key.Create(HKEY_CLASSES_ROOT, L"CLSID\\{A}\\InprocServer32"), ERROR_SUCCESS);
    ASSERT_EQ(key.SetString(L"", L"/opt/vorn/lib\u00E9.so"), ERROR_SUCCESS);
    ASSERT_EQ(key.SetString(L"ThreadingModel", L"Apartment"), ERROR_SUCCESS);
    win::RegKey machine;
    ASSERT_EQ(machine.Create(HKEY_LOCAL_MACHINE, L"Software\\\u00C4pfel"), ERROR_SUCCESS);
    ASSERT_EQ(machine.SetDword(L"Z\u00E4hler", 42), ERROR_SUCCESS);
  }
  win::registry::Reset();
  EXPECT_EQ(win::registry::UseFileStore(db_), ERROR_SUCCESS);

  win::RegKey key;
  ASSERT_EQ(key.Open(HKEY_CURRENT_USER, L"software\\classes\\clsid\\{a}\\inprocserver32"), ERROR_SUCCESS);
  EXPECT_EQ(key.GetString(L""), L"/opt/vorn/lib\u00E9.so");
  EXPECT_EQ(key.ValueNames(), (std::vector<std::wstring>{L"", L"ThreadingModel"}));
  win::RegKey machine;
  ASSERT_EQ(machine.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\\u00E4PFEL"), ERROR_SUCCESS);
  EXPECT_EQ(machine.GetDword(L"z\u00C4HLER"), 42u);
}

TEST_F(RegistryFileStoreTest, StringDataReadsBackByteForByteAfterReopening) {
  // Terminated strings are kept as text, anything else as bytes; both must
  // come back from the file exactly as they were written.
  const std::wstring multi(L"one\0two\0\0", 9);
  const std::vector<wchar_t> notText = {L'x', static_cast<wchar_t>(0xDC00), L'\0'};
  struct Case {
    const wchar_t* name;
    DWORD type;
    std::vector<BYTE> data;
  };
  const auto bytes = [](const void* p, size_t n) {
    return std::vector<BYTE>(static_cast<const BYTE*>(p), static_cast<const BYTE*>(p) + n);
  };
  const std::vector<Case> cases = {
      {L"terminated", REG_SZ, bytes(L"\u00E9t\u00E9", 4 * sizeof(wchar_t))},
      {L"bare", REG_EXPAND_SZ, bytes(L"%A%", 3 * sizeof(wchar_t))},
      {L"stray byte", REG_SZ, bytes(L"ab", sizeof(wchar_t) + 1)},
      {L"nothing", REG_SZ, {}},
      {L"multi", REG_MULTI_SZ, bytes(multi.c_str(), (multi.size() + 1) * sizeof(wchar_t))},
      {L"not text", REG_SZ, bytes(notText.data(), notText.size() * sizeof(wchar_t))},
  };
  ASSERT_EQ(win::registry::UseFileStore(db_), ERROR_SUCCESS);
  {
    win::RegKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, L"Software\\Strings"), ERROR_SUCCESS);
    for (const Case& c : cases)
      ASSERT_EQ(win::RegSetValueExW(key.Get(), c.name, 0, c.type, c.data.empty() ? nullptr : c.data.data(),
                                    static_cast<DWORD>(c.data.size())),
                ERROR_SUCCESS);
  }
  win::registry::Reset();
  ASSERT_EQ(win::registry::UseFileStore(db_), ERROR_SUCCESS);
  win::RegKey key;
  ASSERT_EQ(key.Open(HKEY_CURRENT_USER, L"Software\\Strings"), ERROR_SUCCESS);
  for (const Case& c : cases) {
    std::vector<BYTE> back(64, 0xCC);
    DWORD size = static_cast<DWORD>(back.size());
    DWORD type = 0;
    ASSERT_EQ(win::RegQueryValueExW(key.Get(), c.name, nullptr, &type, back.data(), &size), ERROR_SUCCESS) << c.name;
    back.resize(size);
    EXPECT_EQ(type, c.type) << c.name;
    EXPECT_EQ(back, c.data) << c.name;
  }
}

TEST_F(RegistryFileStoreTest, TheStoreOpensOnFirstUseWhereTheEnvironmentSays) {
  env_.Set("VORNIE_REGISTRY", db_);
  win::registry::Reset();
  EXPECT_EQ(win::registry::StorePath(), "");
  EXPECT_FALSE(fs::exists(db_)) << "nothing is opened before it is needed";
  win::RegKey key;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, L"Software\\Lazy"), ERROR_SUCCESS);
  EXPECT_EQ(win::registry::StorePath(), db_);
  EXPECT_TRUE(fs::exists(db_));
}

TEST_F(RegistryFileStoreTest, TheDefaultPathFollowsTheEnvironment) {
  const std::string xdg = (dir_ / "xdg").string(), home = (dir_ / "home").string();
  struct Case {
    std::optional<std::string> registry, xdgDataHome, home;
    std::string expected;
  };
  const Case cases[] = {
      {db_, xdg, home, db_},
      {std::nullopt, xdg, home, xdg + "/vornie/registry.db"},
      {std::string(), xdg, home, xdg + "/vornie/registry.db"},  // empty counts as unset
      {std::nullopt, std::string("relative"), home, home + "/.local/share/vornie/registry.db"},
      {std::nullopt, std::nullopt, home, home + "/.local/share/vornie/registry.db"},
  };
  for (const Case& c : cases) {
    env_.Set("VORNIE_REGISTRY", c.registry);
    env_.Set("XDG_DATA_HOME", c.xdgDataHome);
    env_.Set("HOME", c.home);
    EXPECT_EQ(win::registry::DefaultStorePath(), c.expected);
  }

  // The default folder is created on first use.
  env_.Set("VORNIE_REGISTRY", std::nullopt);
  env_.Set("XDG_DATA_HOME", xdg);
  win::registry::Reset();
  win::RegKey key;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, L"Software\\Default"), ERROR_SUCCESS) << win::registry::LastStoreError();
  EXPECT_TRUE(fs::exists(xdg + "/vornie/registry.db"));
}

TEST_F(RegistryFileStoreTest, AFileThatIsNotAStoreIsRefusedAndTheStoreInUseStays) {
  win::registry::UseMemoryStore();
  win::RegKey before;
  ASSERT_EQ(before.Create(HKEY_CURRENT_USER, L"Software\\Before"), ERROR_SUCCESS);
  const std::string garbage = (dir_ / "garbage.db").string();
  std::ofstream(garbage) << std::string(4096, 'x');

  EXPECT_EQ(win::registry::UseFileStore(garbage), ERROR_REGISTRY_CORRUPT);
  EXPECT_NE(win::registry::LastStoreError(), "");
  EXPECT_EQ(win::registry::StorePath(), ":memory:");
  EXPECT_EQ(before.SetDword(L"still", 1), ERROR_SUCCESS) << "handles of the store in use stay valid";
  EXPECT_EQ(ReadFile(garbage), std::string(4096, 'x')) << "the file was not touched";
}

TEST_F(RegistryFileStoreTest, AStoreThatCannotBeOpenedMakesEveryCallFail) {
  const std::string unreachable = (dir_ / "no-such-folder" / "registry.db").string();
  EXPECT_EQ(win::registry::UseFileStore(unreachable), ERROR_REGISTRY_IO_FAILED);
  EXPECT_NE(win::registry::LastStoreError().find(unreachable), std::string::npos) << win::registry::LastStoreError();

  env_.Set("VORNIE_REGISTRY", unreachable);
  win::registry::Reset();
  win::RegKey key;
  EXPECT_EQ(key.Create(HKEY_CURRENT_USER, L"Software\\X"), ERROR_REGISTRY_IO_FAILED);
  EXPECT_EQ(key.Open(HKEY_LOCAL_MACHINE, L"Software"), ERROR_REGISTRY_IO_FAILED);
  EXPECT_FALSE(key);
  EXPECT_NE(win::registry::LastStoreError(), "");
}

TEST_F(RegistryFileStoreTest, AnEmptyFileBecomesAStore) {
  std::ofstream(db_).close();
  ASSERT_EQ(win::registry::UseFileStore(db_), ERROR_SUCCESS) << win::registry::LastStoreError();
  win::RegKey key;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, L"Software\\Fresh"), ERROR_SUCCESS);
  EXPECT_EQ(key.SetDword(L"n", 1), ERROR_SUCCESS);
}

// ----------------------------------------------------- several processes

TEST_F(RegistryFileStoreTest, TwoProcessesFillingOneKeyAtOnceLoseNoValue) {
  constexpr int kCount = 300;
  // The same key, named once through the classes root and once through the user's hive.
  const pid_t a = Spawn({"fill", "HKCR\\Vorn.Shared", "a", std::to_string(kCount)}, db_, 1);
  const pid_t b = Spawn({"fill", "HKCU\\Software\\Classes\\vorn.shared", "b", std::to_string(kCount)}, db_, 2);
  const ToolRun runA = Wait(a, 1), runB = Wait(b, 2);
  ASSERT_EQ(runA.exitCode, 0) << runA.err;
  ASSERT_EQ(runB.exitCode, 0) << runB.err;

  ASSERT_EQ(win::registry::UseFileStore(db_), ERROR_SUCCESS);
  win::RegKey shared;
  ASSERT_EQ(shared.Open(HKEY_CLASSES_ROOT, L"Vorn.Shared"), ERROR_SUCCESS);
  EXPECT_EQ(shared.ValueNames().size(), 2u * kCount);
  int wrong = 0;
  for (const char* prefix : {"a", "b"}) {
    for (int i = 0; i < kCount; ++i) {
      const std::wstring name = std::wstring(prefix, prefix + 1) + std::to_wstring(i);
      if (shared.GetDword(name) != static_cast<DWORD>(i)) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0) << "values missing or wrong";
}

TEST_F(RegistryFileStoreTest, ChangesByAnotherProcessShowThroughOpenHandles) {
  ASSERT_EQ(win::registry::UseFileStore(db_), ERROR_SUCCESS);
  win::RegKey key;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, L"Software\\Seen"), ERROR_SUCCESS);

  const ToolRun set = Tool({"set", "HKCU\\Software\\Seen", "Name", "from outside"});
  ASSERT_EQ(set.exitCode, 0) << set.err;
  EXPECT_EQ(key.GetString(L"name"), L"from outside");

  const ToolRun removed = Tool({"delete-tree", "HKCU\\Software\\Seen"});
  ASSERT_EQ(removed.exitCode, 0) << removed.err;
  EXPECT_EQ(key.SetDword(L"n", 1), ERROR_KEY_DELETED);
}

// ---------------------------------------------------------- the tool

TEST_F(RegistryFileStoreTest, ToolWritesReadsListsAndDeletes) {
  const std::vector<std::vector<std::string>> writes = {
      {"set", "HKCR\\Vorn.Tool", "@", "h\xC3\xA9llo w\xC3\xB6rld"},
      {"set", "HKCU\\Software\\Classes\\Vorn.Tool\\Sub", "Mode", "a b"},
      {"set-dword", "HKCR\\Vorn.Tool", "Count", "42"},
      {"set-dword", "HKLM\\Software\\Vorn", "Hex", "0x10"},
  };
  for (const auto& args : writes) {
    const ToolRun run = Tool(args);
    EXPECT_EQ(run.exitCode, 0) << args[0] << ": " << run.err;
    EXPECT_EQ(run.err, "");
  }
  EXPECT_EQ(Tool({"get", "HKCU\\Software\\Classes\\vorn.tool", "@"}).out, "h\xC3\xA9llo w\xC3\xB6rld\n");
  EXPECT_EQ(Tool({"get", "HKCR\\Vorn.Tool", "count"}).out, "42\n");
  EXPECT_EQ(Tool({"get", "HKEY_LOCAL_MACHINE\\Software\\Vorn", "Hex"}).out, "16\n");

  const ToolRun list = Tool({"list", "HKCR\\Vorn.Tool"});
  EXPECT_EQ(list.exitCode, 0) << list.err;
  EXPECT_EQ(list.out,
            "HKCR\\Vorn.Tool\n"
            "    (Default)    REG_SZ    h\xC3\xA9llo w\xC3\xB6rld\n"
            "    Count    REG_DWORD    0x2a (42)\n"
            "HKCR\\Vorn.Tool\\Sub\n"
            "    Mode    REG_SZ    a b\n");

  ASSERT_EQ(Tool({"delete-tree", "HKCR\\Vorn.Tool"}).exitCode, 0);
  const ToolRun gone = Tool({"get", "HKCR\\Vorn.Tool", "@"});
  EXPECT_EQ(gone.exitCode, 1);
  EXPECT_NE(gone.err, "");
  EXPECT_EQ(Tool({"get", "HKLM\\Software\\Vorn", "Hex"}).exitCode, 0) << "other keys stay";
}

TEST_F(RegistryFileStoreTest, ToolRefusesBadInvocationsWithAMessageAndChangesNothing) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"bogus"},
      {"get"},
      {"set", "HKCU\\Software\\Bad", "v"},
      {"get", "HKXX\\Software", "v"},
      {"get", "HKCU\\Software\\Missing", "v"},
      {"set", "HKCU\\\\Software\\Bad", "v", "x"},
      {"set-dword", "HKCU\\Software\\Bad", "v", "12x"},
      {"set-dword", "HKCU\\Software\\Bad", "v", "4294967296"},
      {"set-dword", "HKCU\\Software\\Bad", "v", "-1"},
      {"fill", "HKCU\\Software\\Bad", "p", "many"},
      {"delete-tree", "HKCU"},
      {"delete-tree", "HKCU\\Software\\Missing"},
      {"list", "HKCU\\Software\\Missing"},
  };
  for (const auto& args : cases) {
    const ToolRun run = Tool(args);
    std::string shown;
    for (const auto& a : args) shown += a + " ";
    EXPECT_EQ(run.exitCode, 1) << shown;
    EXPECT_NE(run.err, "") << shown;
    EXPECT_EQ(run.out, "") << shown;
  }
  ASSERT_EQ(win::registry::UseFileStore(db_), ERROR_SUCCESS);
  win::RegKey bad;
  EXPECT_EQ(bad.Open(HKEY_CURRENT_USER, L"Software\\Bad"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryFileStoreTest, ToolReportsAStoreItCannotOpen) {
  // A store the tool cannot open is reported, not created somewhere else.
  const ToolRun run = Wait(Spawn({"set", "HKCU\\Software\\X", "v", "x"}, (dir_ / "none" / "r.db").string(), 3), 3);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("cannot be opened"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(dir_ / "none"));
}

}  // namespace
