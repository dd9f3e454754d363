// Several processes on one store file at once: writers, a writer that holds
// the lock for long stretches, readers that open the store again and again,
// and a writer killed in the middle of its work. Whatever a writer was told
// was committed must be there afterwards, the file must be intact, and no
// read may fail while the writers work.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/portable/registry/RegistryControl.h"
#include "platform/portable/registry/StoreFiles.h"
#include "platform/win/RegKey.h"

namespace {

using storetest::RawDatabase;
namespace fs = std::filesystem;

constexpr int kWriters = 3;
constexpr int kValuesPerWriter = 150;
constexpr int kKillAfter = 40;  // commits of the doomed writer before it is killed
constexpr size_t kBigValue = 32 * 1024;

void Report(int fd, const std::string& line) {
  const std::string text = line + "\n";
  (void)!write(fd, text.data(), text.size());
}

std::vector<BYTE> BigValue(int n) { return std::vector<BYTE>(kBigValue, static_cast<BYTE>(n * 7 + 1)); }

// Writes `count` numbered values (forever with a negative count), one
// transaction each, and reports each one once it is committed.
[[noreturn]] void Writer(const std::wstring& path, int count, bool big, int out) {
  win::RegKey key;
  if (LSTATUS status = key.Create(HKEY_CURRENT_USER, path)) {
    Report(out, "! create " + std::to_string(status) + " " + win::registry::LastStoreError());
    _exit(1);
  }
  for (int i = 0; count < 0 || i < count; ++i) {
    const std::wstring name = L"v" + std::to_wstring(i);
    const std::vector<BYTE> data = big ? BigValue(i) : std::vector<BYTE>{};
    const DWORD n = static_cast<DWORD>(i);
    const LSTATUS status =
        big ? win::RegSetValueExW(key.Get(), name.c_str(), 0, REG_BINARY, data.data(), static_cast<DWORD>(data.size()))
            : key.SetDword(name, n);
    if (status != ERROR_SUCCESS) {
      Report(out, "! set " + std::to_string(status) + " " + win::registry::LastStoreError());
      _exit(1);
    }
    Report(out, std::to_string(i));
  }
  key.Close();
  win::registry::Reset();
  _exit(0);
}

bool Stopped(int stop) {
  pollfd p{stop, POLLIN, 0};
  return poll(&p, 1, 0) > 0;  // readable: the parent closed its end
}

// Opens the store afresh and reads everything under the writers' key, again
// and again; every failure is reported. Exits with the number of failures.
[[noreturn]] void Reader(int stop, int out) {
  int failures = 0;
  int rounds = 0;
  while (!Stopped(stop) || rounds == 0) {
    ++rounds;
    win::registry::Reset();  // each round opens the store anew, as a new process would
    try {
      win::RegKey top;
      const LSTATUS status = top.Open(HKEY_CURRENT_USER, L"Software\\Processes");
      if (status == ERROR_FILE_NOT_FOUND) continue;
      if (status != ERROR_SUCCESS) throw win::RegistryError(status, "open: " + win::registry::LastStoreError());
      for (const std::wstring& sub : top.SubKeyNames()) {
        win::RegKey key;
        if (LSTATUS s = key.Open(top.Get(), sub)) throw win::RegistryError(s, "open sub: " + win::registry::LastStoreError());
        for (const std::wstring& name : key.ValueNames()) {
          DWORD size = 0;
          const LSTATUS q = win::RegQueryValueExW(key.Get(), name.c_str(), nullptr, nullptr, nullptr, &size);
          if (q != ERROR_SUCCESS) throw win::RegistryError(q, "query: " + win::registry::LastStoreError());
        }
      }
    } catch (const std::exception& e) {
      ++failures;
      Report(out, std::string("! ") + e.what());
    }
  }
  Report(out, "rounds " + std::to_string(rounds));
  win::registry::Reset();
  _exit(failures > 100 ? 100 : failures);
}

// Holds the write lock for long stretches, as a slow writer of another program would.
[[noreturn]] void LongWriter(const std::string& db, int stop, int out) {
  int held = 0;
  {
    RawDatabase raw(db);
    while (!Stopped(stop)) {
      if (!raw.Exec("BEGIN IMMEDIATE; UPDATE keys SET written = written WHERE id = 1;")) _exit(1);
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      if (!raw.Exec("COMMIT")) _exit(1);
      ++held;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  Report(out, "held " + std::to_string(held));
  _exit(0);
}

struct Child {
  pid_t pid = -1;
  int out = -1;  // read end of its report pipe
  std::string buffer;
  std::vector<std::string> lines;
  bool open = true;
  int exitStatus = -1;
};

template <typename F>
Child Start(F&& body) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    body(fds[1]);
    _exit(99);
  }
  close(fds[1]);
  Child child;
  child.pid = pid;
  child.out = fds[0];
  return child;
}

// Reads whatever the children reported, waiting at most `ms`.
void Collect(std::vector<Child*> children, int ms) {
  std::vector<pollfd> fds;
  for (Child* c : children)
    if (c->open) fds.push_back({c->out, POLLIN, 0});
  if (fds.empty() || poll(fds.data(), fds.size(), ms) <= 0) return;
  for (Child* c : children) {
    if (!c->open) continue;
    pollfd p{c->out, POLLIN, 0};
    if (poll(&p, 1, 0) <= 0) continue;
    char buf[4096];
    const ssize_t n = read(c->out, buf, sizeof buf);
    if (n <= 0) {
      c->open = false;
      continue;
    }
    c->buffer.append(buf, static_cast<size_t>(n));
    for (size_t cut; (cut = c->buffer.find('\n')) != std::string::npos;) {
      c->lines.push_back(c->buffer.substr(0, cut));
      c->buffer.erase(0, cut + 1);
    }
  }
}

int Committed(const Child& c) {
  int n = 0;
  for (const auto& line : c.lines)
    if (!line.empty() && line[0] != '!') ++n;
  return n;
}

std::string Problems(const Child& c) {
  std::string text;
  for (const auto& line : c.lines)
    if (!line.empty() && line[0] == '!') text += line + "\n";
  return text;
}

TEST(RegistryProcessesTest, ConcurrentWritersReadersAndAKilledWriterLoseNothing) {
  storetest::TempFolder folder;
  ASSERT_FALSE(folder.Path().empty());
  const std::string db = (folder.Path() / "registry.db").string();
  storetest::EnvironmentOverride env;
  env.Set("VORNIE_REGISTRY", db);
  win::registry::Reset();
  {
    win::RegKey top;
    ASSERT_EQ(top.Create(HKEY_CURRENT_USER, L"Software\\Processes"), ERROR_SUCCESS);
  }
  win::registry::Reset();  // no connection may cross a fork

  int stopPipe[2];
  ASSERT_EQ(pipe(stopPipe), 0);
  std::vector<Child> writers;
  for (int w = 0; w < kWriters; ++w)
    writers.push_back(Start([&](int out) {
      close(stopPipe[1]);
      Writer(L"Software\\Processes\\W" + std::to_wstring(w), kValuesPerWriter, false, out);
    }));
  Child doomed = Start([&](int out) {
    close(stopPipe[1]);
    Writer(L"Software\\Processes\\Doomed", -1, true, out);
  });
  std::vector<Child> readers;
  for (int r = 0; r < 2; ++r)
    readers.push_back(Start([&](int out) {
      close(stopPipe[1]);
      Reader(stopPipe[0], out);
    }));
  Child slow = Start([&](int out) {
    close(stopPipe[1]);
    LongWriter(db, stopPipe[0], out);
  });
  close(stopPipe[0]);

  std::vector<Child*> all{&doomed, &slow};
  for (auto& c : writers) all.push_back(&c);
  for (auto& c : readers) all.push_back(&c);
  for (Child* c : all) ASSERT_GT(c->pid, 0);

  // Kill the doomed writer once it has committed enough, at an unforeseen moment.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(40);
  while (Committed(doomed) < kKillAfter && doomed.open && std::chrono::steady_clock::now() < deadline)
    Collect(all, 50);
  std::this_thread::sleep_for(std::chrono::milliseconds(getpid() % 7));
  kill(doomed.pid, SIGKILL);

  // Let the other writers finish, then stop the readers and the slow writer.
  const auto writersOpen = [&] {
    for (auto& c : writers)
      if (c.open) return true;
    return false;
  };
  while (writersOpen() && std::chrono::steady_clock::now() < deadline) Collect(all, 50);
  close(stopPipe[1]);
  for (Child* c : all) {
    while (c->open && std::chrono::steady_clock::now() < deadline + std::chrono::seconds(10)) Collect({c}, 50);
    if (c->open) kill(c->pid, SIGKILL);
    int status = 0;
    waitpid(c->pid, &status, 0);
    c->exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    close(c->out);
  }

  for (const auto& w : writers) {
    EXPECT_EQ(w.exitStatus, 0) << Problems(w);
    EXPECT_EQ(Committed(w), kValuesPerWriter) << Problems(w);
  }
  EXPECT_EQ(doomed.exitStatus, -SIGKILL) << Problems(doomed);
  EXPECT_GE(Committed(doomed), kKillAfter) << Problems(doomed);
  for (const auto& r : readers) EXPECT_EQ(r.exitStatus, 0) << "reads failed while writers worked:\n" << Problems(r);
  EXPECT_EQ(slow.exitStatus, 0);

  // Every committed value is there, with its data.
  ASSERT_EQ(win::registry::UseFileStore(db), ERROR_SUCCESS) << win::registry::LastStoreError();
  for (int w = 0; w < kWriters; ++w) {
    win::RegKey key;
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, L"Software\\Processes\\W" + std::to_wstring(w)), ERROR_SUCCESS);
    int wrong = 0;
    for (int i = 0; i < kValuesPerWriter; ++i)
      if (key.GetDword(L"v" + std::to_wstring(i)) != static_cast<DWORD>(i)) ++wrong;
    EXPECT_EQ(wrong, 0) << "writer " << w;
  }
  win::RegKey doomedKey;
  ASSERT_EQ(doomedKey.Open(HKEY_CURRENT_USER, L"Software\\Processes\\Doomed"), ERROR_SUCCESS);
  int missing = 0;
  for (int i = 0; i < Committed(doomed); ++i) {
    std::vector<BYTE> data(kBigValue + 1);
    DWORD size = static_cast<DWORD>(data.size());
    const std::wstring name = L"v" + std::to_wstring(i);
    if (win::RegQueryValueExW(doomedKey.Get(), name.c_str(), nullptr, nullptr, data.data(), &size) != ERROR_SUCCESS ||
        std::vector<BYTE>(data.begin(), data.begin() + size) != BigValue(i))
      ++missing;
  }
  EXPECT_EQ(missing, 0) << "of " << Committed(doomed) << " values committed before the kill";
  win::registry::Reset();

  RawDatabase check(db);
  EXPECT_EQ(check.Text("PRAGMA integrity_check"), "ok");
}

}  // namespace
