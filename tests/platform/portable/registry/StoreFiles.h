// What tests of the registry store on disk share: a folder of their own, the
// environment the store is found through, running the tools as processes, and
// a plain SQLite connection playing another program.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace storetest {

namespace fs = std::filesystem;

// The built tools' folder; the path is compiled into StoreFiles.cpp alone.
std::string ToolPath(const char* name);

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fresh folder, removed with everything in it afterwards.
class TempFolder {
 public:
  TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vornie-store-XXXXXX";
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// Sets environment variables for one test and puts them back afterwards.
class EnvironmentOverride {
 public:
  ~EnvironmentOverride() {
    for (const auto& [name, value] : saved_) {
      if (value)
        setenv(name.c_str(), value->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
  }
  void Set(const std::string& name, const std::optional<std::string>& value) {
    if (!saved_.count(name)) {
      const char* old = std::getenv(name.c_str());
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value)
      setenv(name.c_str(), value->c_str(), 1);
    else
      unsetenv(name.c_str());
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

struct ToolRun {
  int exitCode = -1;  // -1: did not exit normally
  std::string out;
  std::string err;
};

// Starts a tool on the store at `store`, its output going to the files `out`
// and `err`; the process id, or -1 (a failure of the test) when it cannot start.
inline pid_t SpawnTool(const std::string& tool, const std::vector<std::string>& args, const std::string& store,
                       const std::string& out, const std::string& err) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (std::string(*e).rfind("VORNIE_REGISTRY=", 0) != 0) env.emplace_back(*e);
  env.push_back("VORNIE_REGISTRY=" + store);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> argStrings{tool};
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argStrings) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(rc, 0) << "cannot start " << tool;
  return rc == 0 ? pid : -1;
}

// The exit code of a started tool, -1 when it did not exit normally.
inline int WaitForTool(pid_t pid) {
  int status = 0;
  return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs a tool on the store at `store` to its end; its output goes to files in
// `folder` (standard output to `stdoutPath` instead when given, /dev/full say).
inline ToolRun RunTool(const std::string& tool, const std::vector<std::string>& args, const std::string& store,
                       const fs::path& folder, const std::string& stdoutPath = {}) {
  static int serial = 0;
  const std::string tag = std::to_string(++serial);
  const std::string out = stdoutPath.empty() ? (folder / ("tool" + tag + ".out")).string() : stdoutPath;
  const std::string err = (folder / ("tool" + tag + ".err")).string();
  ToolRun run;
  run.exitCode = WaitForTool(SpawnTool(tool, args, store, out, err));
  if (stdoutPath.empty()) run.out = ReadFile(out);
  run.err = ReadFile(err);
  return run;
}

// A plain SQLite connection to a file, as another program would hold one.
class RawDatabase {
 public:
  explicit RawDatabase(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << "cannot open " << path << ": " << sqlite3_errmsg(db_);
    }
    sqlite3_busy_timeout(db_, 10000);
  }
  ~RawDatabase() { sqlite3_close(db_); }
  RawDatabase(const RawDatabase&) = delete;
  RawDatabase& operator=(const RawDatabase&) = delete;

  bool Exec(const std::string& sql) {
    char* error = nullptr;
    const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) ADD_FAILURE() << sql << ": " << (error ? error : sqlite3_errstr(rc));
    sqlite3_free(error);
    return rc == SQLITE_OK;
  }
  // The first column of the first row, as text ("" without one).
  std::string Text(const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    std::string result;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db_);
      return result;
    }
    if (sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_text(stmt, 0))
      result = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    sqlite3_finalize(stmt);
    return result;
  }

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace storetest
