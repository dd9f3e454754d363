// vornie-page as a user runs it, with bad input: special files as pages, states files or frames,
// a page beyond the size limit, output that cannot be written, numbers out of range, and a page
// in another charset than the one it is written in.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

const std::string kTool = std::string(VORN_TOOLS_DIR) + "/vornie-page";
// A tool that reads without bounds hangs or runs for minutes; it is stopped and the case fails.
constexpr auto kPatience = std::chrono::seconds(20);

struct ToolRun {
  int exitCode = -1;  // -1: killed for taking too long, or did not exit normally
  std::string out;
  std::string err;
};

class VorniePageTool : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vornie-page-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  std::string Write(const std::string& name, const std::string& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  std::string Pipe(const std::string& name) {
    const std::string path = (dir_ / name).string();
    EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
    return path;
  }

  // Runs vornie-page; its standard output goes to `stdoutPath` (a file of the test folder when empty).
  ToolRun Run(const std::vector<std::string>& args, std::string stdoutPath = {}) {
    const std::string errPath = (dir_ / "tool.err").string();
    const bool captured = stdoutPath.empty();
    if (captured) stdoutPath = (dir_ / "tool.out").string();
    std::vector<std::string> strings{kTool};
    strings.insert(strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : strings) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, kTool.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ToolRun run;
    if (rc != 0) {
      ADD_FAILURE() << "cannot start " << kTool;
      return run;
    }
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    pid_t done = 0;
    while ((done = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (done == 0) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      ADD_FAILURE() << "vornie-page still ran after " << kPatience.count() << " s";
    } else if (done == pid && WIFEXITED(status)) {
      run.exitCode = WEXITSTATUS(status);
    }
    if (captured) run.out = ReadAll(stdoutPath);
    run.err = ReadAll(errPath);
    return run;
  }

  static std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  fs::path dir_;
};

TEST_F(VorniePageTool, APageThatIsNoRegularFileOrTooLargeIsAnError) {
  fs::create_directory(dir_ / "folder.html");
  const std::string huge = Write("huge.html", "");
  // Sparse: one byte past the limit costs nothing on disk.
  fs::resize_file(huge, (std::uintmax_t{256} << 20) + 1);
  struct Case {
    std::string page;
    const char* reason;
  } const cases[] = {
      {(dir_ / "folder.html").string(), "a directory, not a regular file"},
      {"/dev/zero", "a character device, not a regular file"},
      {Pipe("pipe.html"), "a named pipe, not a regular file"},
      {huge, "larger than 256 MiB, the most a page may hold"},
      {(dir_ / "absent.html").string(), "no such file"},
  };
  for (const Case& c : cases) {
    for (const char* command : {"links", "highlight"}) {
      const ToolRun run = Run({command, c.page});
      EXPECT_EQ(run.exitCode, 2) << command << " " << c.page << "\n" << run.err;
      EXPECT_NE(run.err.find(c.page + ": " + c.reason), std::string::npos) << run.err;
      EXPECT_EQ(run.err.find("usage:"), std::string::npos) << "input errors are not argument errors\n" << run.err;
      EXPECT_EQ(run.out, "") << c.page;
    }
  }
}

TEST_F(VorniePageTool, AFrameThatIsNoRegularFileIsSkipped) {
  Write("inner.html", "<a href='inner-link.html'>inner</a>");
  Pipe("pipe.html");
  const std::string page = Write("main.html",
                                 "<a href='main-link.html'>main</a>"
                                 "<iframe src='file:///dev/zero'></iframe><iframe src='pipe.html'></iframe>"
                                 "<iframe src='.'></iframe><iframe src='inner.html'></iframe>");
  const ToolRun run = Run({"links", page, "--frames"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("main-link.html\tmain\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("inner-link.html\tinner\n"), std::string::npos) << run.out;
}

TEST_F(VorniePageTool, AStatesFileThatCannotBeReadOrHoldsANumberOutOfRangeIsAnError) {
  const std::string page = Write("page.html", "<a href='http://example.com/a'>a</a>");
  fs::create_directory(dir_ / "states");
  struct Case {
    std::string states;  // a path, or the content of a states file when it starts with "entry "
    const char* message;
  } const cases[] = {
      {(dir_ / "states").string(), "a directory, not a regular file"},
      {"/dev/zero", "a character device, not a regular file"},
      {"entry decoration 99999999999999999999", "line 1: 99999999999999999999 is out of range"},
      {"entry decoration 2147483648", "line 1: 2147483648 is out of range"},
      {"entry decoration -2147483649", "line 1: -2147483649 is out of range"},
      {"entry \nbrowser-id -1", "line 2: -1 is out of range (0 to 4294967295)"},
      {"entry state 4294967295 http://example.com/a", "line 1: 4294967295 is out of range"},
      {"entry text-color system 256", "line 1: 256 is out of range (0 to 255)"},
      {"entry back-color #-12345", "line 1: expected #RRGGBB"},
  };
  for (const Case& c : cases) {
    const std::string states =
        c.states.rfind("entry ", 0) == 0 ? Write("states.txt", c.states.substr(6) + "\n") : c.states;
    const ToolRun run = Run({"highlight", page, "--states", states});
    EXPECT_EQ(run.exitCode, 2) << c.states << "\n" << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.states << "\n" << run.err;
    EXPECT_EQ(run.out, "") << c.states;
  }
  // Numbers in range still work, in decimal even with a leading zero.
  const ToolRun fine = Run({"highlight", page, "--states",
                            Write("states.txt", "decoration 010\nbrowser-id 7\nstate 0 http://example.com/a\n")});
  EXPECT_EQ(fine.exitCode, 0) << fine.err;
  EXPECT_NE(fine.out.find("background-color"), std::string::npos) << fine.out;
}

TEST_F(VorniePageTool, OutputThatCannotBeWrittenIsAnError) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  const std::string page = Write("page.html", "<a href='http://example.com/a'>a</a><img src='b.png'>");
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"links", page}, {"images", page}, {"highlight", page}, {"--help"}}) {
    const ToolRun run = Run(args, "/dev/full");
    EXPECT_EQ(run.exitCode, 1) << args[0] << "\n" << run.err;
    EXPECT_NE(run.err.find("cannot write standard output"), std::string::npos) << args[0] << "\n" << run.err;
  }
}

TEST_F(VorniePageTool, HighlightWritesAPageThatDeclaresTheCharsetOfItsBytes) {
  const std::string page = Write("latin.html",
                                 "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                                 "charset=iso-8859-1\"></head><body><a href='http://example.com/caf\xE9'>caf\xE9</a>");
  const ToolRun run = Run({"highlight", page});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("content=\"text/html; charset=utf-8\""), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("iso-8859-1"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(">caf\xC3\xA9</a>"), std::string::npos) << run.out;
}

}  // namespace
