// vornie-reg and vornie-host with bad input and broken stores: every failure
// says what failed, where and why, and ends with exit code 1.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/portable/registry/RegistryControl.h"
#include "platform/portable/registry/StoreFiles.h"
#include "platform/win/RegKey.h"

namespace {

using storetest::RawDatabase;
using storetest::ReadFile;
using storetest::RunTool;
using storetest::ToolPath;
namespace fs = std::filesystem;

class RegistryToolErrorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.Path().empty());
    db_ = (folder_.Path() / "registry.db").string();
    garbage_ = (folder_.Path() / "garbage.db").string();
    std::ofstream(garbage_) << std::string(8192, 'g');
  }
  void TearDown() override { win::registry::Reset(); }

  storetest::ToolRun Reg(const std::vector<std::string>& args, const std::string& store,
                         const std::string& stdoutPath = {}) {
    return RunTool(ToolPath("vornie-reg"), args, store, folder_.Path(), stdoutPath);
  }
  storetest::ToolRun Host(const std::vector<std::string>& args, const std::string& store,
                          const std::string& stdoutPath = {}) {
    return RunTool(ToolPath("vornie-host"), args, store, folder_.Path(), stdoutPath);
  }

  storetest::TempFolder folder_;
  std::string db_;
  std::string garbage_;
};

TEST_F(RegistryToolErrorsTest, NumbersAreDecimalUnlessMarkedHexadecimal) {
  struct Case {
    const char* given;
    const char* stored;  // null: refused
  };
  const Case cases[] = {
      {"010", "10"},         {"0", "0"},    {"4294967295", "4294967295"}, {"0x10", "16"}, {"0XfF", "255"},
      {"4294967296", nullptr}, {"99999999999999999999", nullptr}, {"-1", nullptr}, {"+1", nullptr},
      {"1e3", nullptr},      {" 1", nullptr}, {"0x", nullptr},           {"", nullptr},  {"0x1g", nullptr},
  };
  for (const Case& c : cases) {
    const auto set = Reg({"set-dword", "HKCU\\Software\\Numbers", "n", c.given}, db_);
    if (c.stored) {
      EXPECT_EQ(set.exitCode, 0) << c.given << ": " << set.err;
      EXPECT_EQ(Reg({"get", "HKCU\\Software\\Numbers", "n"}, db_).out, std::string(c.stored) + "\n") << c.given;
    } else {
      EXPECT_EQ(set.exitCode, 1) << c.given;
      EXPECT_NE(set.err.find("'" + std::string(c.given) + "'"), std::string::npos) << c.given << ": " << set.err;
    }
  }
}

TEST_F(RegistryToolErrorsTest, OutputThatCannotBeWrittenIsAFailure) {
  ASSERT_EQ(Reg({"set", "HKCU\\Software\\Out", "v", "text"}, db_).exitCode, 0);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"get", "HKCU\\Software\\Out", "v"}, std::vector<std::string>{"list", "HKCU"}}) {
    const auto run = Reg(args, db_, "/dev/full");
    EXPECT_EQ(run.exitCode, 1) << args[0];
    EXPECT_NE(run.err.find("cannot write the output"), std::string::npos) << args[0] << ": " << run.err;
  }
  const auto host = Host({}, db_, "/dev/full");
  EXPECT_EQ(host.exitCode, 1);
  EXPECT_NE(host.err.find("cannot write the output"), std::string::npos) << host.err;
}

TEST_F(RegistryToolErrorsTest, StoreFailuresNameTheStoreAndTheReason) {
  const std::string missingFolder = (folder_.Path() / "no-such-folder" / "registry.db").string();
  struct Case {
    const char* what;
    std::string store;
    std::string reason;
  };
  const Case cases[] = {
      {"not a database", garbage_, "file is not a database"},
      {"missing folder", missingFolder, "does not exist"},
  };
  for (const Case& c : cases) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"get", "HKCU\\Software", "v"}, std::vector<std::string>{"list", "HKCU"},
          std::vector<std::string>{"set", "HKCU\\Software\\X", "v", "x"}}) {
      const auto run = Reg(args, c.store);
      EXPECT_EQ(run.exitCode, 1) << c.what << " " << args[0];
      EXPECT_NE(run.err.find(c.store), std::string::npos) << c.what << " " << args[0] << ": " << run.err;
      EXPECT_NE(run.err.find(c.reason), std::string::npos) << c.what << " " << args[0] << ": " << run.err;
    }
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, std::vector<std::string>{"--unregister"}}) {
      const auto run = Host(args, c.store);
      const std::string shown = std::string(c.what) + (args.empty() ? " register" : " unregister");
      EXPECT_EQ(run.exitCode, 1) << shown << ": " << run.out;
      EXPECT_NE(run.err.find(c.store), std::string::npos) << shown << ": " << run.err;
      EXPECT_NE(run.err.find(c.reason), std::string::npos) << shown << ": " << run.err;
    }
  }
  EXPECT_EQ(ReadFile(garbage_), std::string(8192, 'g'));
  EXPECT_FALSE(fs::exists(folder_.Path() / "no-such-folder"));
}

TEST_F(RegistryToolErrorsTest, AListingThatBreaksOffPartWayFails) {
  // Damaged pages in the middle of a large key: the listing must not pass for a shorter one.
  ASSERT_EQ(Reg({"fill", "HKCU\\Software\\Damaged", "value", "1600"}, db_).exitCode, 0);
  ASSERT_EQ(Reg({"list", "HKCU\\Software\\Damaged"}, db_).exitCode, 0);
  const auto size = fs::file_size(db_);
  ASSERT_FALSE(fs::exists(db_ + "-wal")) << "the last process folds the log back";
  ASSERT_GT(size, 16u * 4096);
  {
    std::fstream file(db_, std::ios::in | std::ios::out | std::ios::binary);
    for (std::uintmax_t page = size / 4096 / 2; page < size / 4096 / 2 + 4; ++page) {
      file.seekp(static_cast<std::streamoff>(page * 4096));
      const std::string junk(4096, '\xA5');
      file.write(junk.data(), static_cast<std::streamsize>(junk.size()));
    }
  }
  const auto list = Reg({"list", "HKCU\\Software\\Damaged"}, db_);
  EXPECT_EQ(list.exitCode, 1) << "listed " << std::count(list.out.begin(), list.out.end(), '\n') << " lines";
  EXPECT_NE(list.err.find(db_), std::string::npos) << list.err;
}

TEST_F(RegistryToolErrorsTest, AModuleThatCannotBeLoadedIsReported) {
  const std::string notModule = (folder_.Path() / "not-a-module.so").string();
  std::ofstream(notModule) << "not a module";
  struct Case {
    std::string module;
    const char* reason;
  };
  for (const Case& c : {Case{notModule, "not a loadable module"},
                        Case{(folder_.Path() / "missing.so").string(), "no such file"}}) {
    const auto run = Host({c.module}, db_);
    EXPECT_EQ(run.exitCode, 1) << c.module;
    EXPECT_NE(run.err.find(c.module), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
  }
}

TEST_F(RegistryToolErrorsTest, HostRegistersAndUnregistersAWorkingStore) {
  const auto registered = Host({}, db_);
  EXPECT_EQ(registered.exitCode, 0) << registered.err;
  EXPECT_NE(registered.out.find("DllRegisterServer"), std::string::npos);
  EXPECT_EQ(registered.err, "");
  const auto unregistered = Host({"--unregister"}, db_);
  EXPECT_EQ(unregistered.exitCode, 0) << unregistered.err;
  EXPECT_EQ(unregistered.err, "");
  // Nothing to unregister in a store that does not exist yet, in a folder that does.
  const auto fresh = Host({"--unregister"}, (folder_.Path() / "fresh.db").string());
  EXPECT_EQ(fresh.exitCode, 0) << fresh.err;
  EXPECT_FALSE(fs::exists(folder_.Path() / "fresh.db"));
}

}  // namespace
