// The archive application in a process of its own: the thread's wrapper finds
// it in the running-object table, its events cross the process boundary into
// this apartment, its death is noticed at the next call, and message 0x500
// finds the restarted one.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "band_hosting/RecordingBand.h"
#include "server_link/ServerWrapperUnit.h"

namespace {

using band_testing::BrowserWindow;
using vorn::ServerWrapper;

// A handle closed when it goes.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
  ~Handle() { Reset(); }
  Handle(Handle&& other) noexcept : h_(other.h_) { other.h_ = nullptr; }
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      Reset();
      h_ = other.h_;
      other.h_ = nullptr;
    }
    return *this;
  }
  void Reset() {
    if (h_) CloseHandle(h_);
    h_ = nullptr;
  }
  HANDLE Get() const { return h_; }
  HANDLE* Out() { return &h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  HANDLE h_ = nullptr;
};

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, n);
  return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

// Keeps this thread's apartment serving calls (the server's events arrive as
// messages) until `done` holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= end) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count();
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left < 50 ? left : 50), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return true;
}

// vornie-archive-server.exe, started beside this program; it is killed if
// the test leaves it running.
class ServerProcess {
 public:
  // Starts the server and waits for its "ready" line. Empty on failure, with the reason in `error`.
  static ServerProcess Start(std::string& error) {
    ServerProcess p;
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    Handle readEnd, writeEnd;
    if (!CreatePipe(readEnd.Out(), writeEnd.Out(), &inherit, 0)) {
      error = "no pipe";
      return p;
    }
    SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd.Get();
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::wstring command = L"\"" + ProgramFolder() + L"vornie-archive-server.exe\"";
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
      error = "vornie-archive-server.exe did not start (error " + std::to_string(GetLastError()) + ")";
      return p;
    }
    p.process_ = Handle(pi.hProcess);
    CloseHandle(pi.hThread);
    writeEnd.Reset();
    // The first line is "ready <process id> <thread id>".
    std::string line;
    char c = 0;
    DWORD got = 0;
    while (ReadFile(readEnd.Get(), &c, 1, &got, nullptr) && got == 1 && c != '\n') line += c;
    unsigned long pid = 0, tid = 0;
    if (std::sscanf(line.c_str(), "ready %lu %lu", &pid, &tid) != 2) {
      error = "the server said \"" + line + "\" instead of ready";
      p.Kill();
      return p;
    }
    p.thread_ = tid;
    p.output_ = std::move(readEnd);
    return p;
  }

  ServerProcess() = default;
  ServerProcess(ServerProcess&&) = default;
  ServerProcess& operator=(ServerProcess&& other) noexcept {
    Kill();
    process_ = std::move(other.process_);
    output_ = std::move(other.output_);
    thread_ = other.thread_;
    return *this;
  }
  ~ServerProcess() { Kill(); }

  explicit operator bool() const { return thread_ != 0; }
  // Makes the server fire the event with that DISPID.
  bool Fire(DISPID id, LPARAM value = 0) const { return PostThreadMessageW(thread_, WM_APP, id, value) != FALSE; }
  // Ends the process the hard way, as a crash or the task manager would.
  void Kill() {
    if (process_) {
      TerminateProcess(process_.Get(), 99);
      WaitForSingleObject(process_.Get(), 10000);
    }
    process_.Reset();
    output_.Reset();
    thread_ = 0;
  }
  // Asks the server to quit; true when it ended within the time.
  bool Quit() {
    if (!process_ || !PostThreadMessageW(thread_, WM_QUIT, 0, 0)) return false;
    const bool ended = WaitForSingleObject(process_.Get(), 20000) == WAIT_OBJECT_0;
    if (ended) {
      process_.Reset();
      thread_ = 0;
    }
    return ended;
  }

 private:
  Handle process_;
  Handle output_;  // kept open so that the server's prints never block
  DWORD thread_ = 0;
};

class ListeningForm : public vorn::TStowlyIEToolBandForm {
 public:
  explicit ListeningForm(vorn::TIEBand* band) : TStowlyIEToolBandForm(band) {}
  std::vector<std::wstring> heard;

  void ServerConnected(void*) override { heard.push_back(L"Connected"); }
  void ServerDisconnected(void*) override { heard.push_back(L"Disconnected"); }
  void SettingsChange(void*) override { heard.push_back(L"Settings"); }
  void DocumentDataChange(void*, LONG id, bool, const std::wstring&, LONG, LONG) override {
    heard.push_back(L"Document " + std::to_wstring(id));
  }
  bool Heard(const std::wstring& news) const {
    for (const auto& h : heard)
      if (h == news) return true;
    return false;
  }
};

TEST(CrossProcessServer, TheWrapperFollowsTheServerThroughDeathAndRestart) {
  std::string error;
  ServerProcess server = ServerProcess::Start(error);
  ASSERT_TRUE(server) << error;

  {
    BrowserWindow browser;
    ListeningForm* form = browser.AddBand<ListeningForm>();
    ASSERT_TRUE(form);
    ASSERT_NE(ServerWrapper, nullptr);
    ASSERT_TRUE(ServerWrapper->IsConnected()) << "the running server was not found";
    EXPECT_EQ(ServerWrapper->GetDocumentId(L"http://www.example.com/news.html"), 2) << "a call across processes";

    // An event fired in the server's process reaches the form in this one.
    ASSERT_TRUE(server.Fire(vorn::DISPID_OnSettingsChange));
    EXPECT_TRUE(PumpUntil([&] { return form->Heard(L"Settings"); })) << "the event did not arrive";
    ASSERT_TRUE(server.Fire(vorn::DISPID_OnDocumentDataChange, 7));
    EXPECT_TRUE(PumpUntil([&] { return form->Heard(L"Document 7"); }));

    // The server dies: the next call fails, answers its default and tells the form.
    server.Kill();
    form->heard.clear();
    EXPECT_EQ(ServerWrapper->GetDocumentId(L"http://www.example.com/news.html"), -1);
    EXPECT_EQ(form->heard, std::vector<std::wstring>{L"Disconnected"});
    EXPECT_FALSE(ServerWrapper->IsConnected());

    // Restarted: message 0x500, retrieved by this thread's loop, reconnects.
    server = ServerProcess::Start(error);
    ASSERT_TRUE(server) << error;
    form->heard.clear();
    ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), vorn::kReconnectMessage, 0, 0));
    EXPECT_TRUE(PumpUntil([&] { return ServerWrapper && ServerWrapper->IsConnected(); }))
        << "message 0x500 did not reconnect";
    EXPECT_EQ(form->heard, std::vector<std::wstring>{L"Connected"});
    EXPECT_EQ(ServerWrapper->GetDocumentId(L"http://www.example.com/news.html"), 2);
    ASSERT_TRUE(server.Fire(vorn::DISPID_OnSettingsChange));
    EXPECT_TRUE(PumpUntil([&] { return form->Heard(L"Settings"); })) << "the new server's events are not heard";
  }
  // The last form took the wrapper with it; the sink was unadvised, so the server quits cleanly.
  EXPECT_EQ(ServerWrapper, nullptr);
  EXPECT_TRUE(server.Quit());
}

// A second browser thread has a wrapper of its own, with its own sink, and
// both threads hear the server's news.
TEST(CrossProcessServer, EachBrowserThreadHasItsOwnWrapper) {
  std::string error;
  ServerProcess server = ServerProcess::Start(error);
  ASSERT_TRUE(server) << error;

  BrowserWindow browser;
  ListeningForm* form = browser.AddBand<ListeningForm>();
  ASSERT_TRUE(form);
  ASSERT_TRUE(ServerWrapper && ServerWrapper->IsConnected());
  vorn::TServerWrapper* mine = ServerWrapper;

  Handle joined(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  Handle finish(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  struct Outcome {
    bool connected = false;
    bool ownWrapper = false;
    bool heard = false;
    bool wrapperGone = false;
  } outcome;
  std::thread other([&] {
    const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    {
      BrowserWindow otherBrowser;
      ListeningForm* otherForm = otherBrowser.AddBand<ListeningForm>();
      outcome.connected = otherForm && ServerWrapper && ServerWrapper->IsConnected();
      outcome.ownWrapper = ServerWrapper && ServerWrapper != mine;
      SetEvent(joined.Get());
      if (otherForm) {
        outcome.heard = PumpUntil([&] { return otherForm->Heard(L"Settings"); });
        PumpUntil([&] { return WaitForSingleObject(finish.Get(), 0) == WAIT_OBJECT_0; });
      }
    }
    outcome.wrapperGone = ServerWrapper == nullptr;
    if (com) CoUninitialize();
  });
  // Serve this apartment while the other thread connects.
  PumpUntil([&] { return WaitForSingleObject(joined.Get(), 0) == WAIT_OBJECT_0; });
  ASSERT_TRUE(server.Fire(vorn::DISPID_OnSettingsChange));
  EXPECT_TRUE(PumpUntil([&] { return form->Heard(L"Settings"); }));
  SetEvent(finish.Get());
  other.join();

  EXPECT_TRUE(outcome.connected);
  EXPECT_TRUE(outcome.ownWrapper) << "the threads shared a wrapper";
  EXPECT_TRUE(outcome.heard) << "the second thread's sink was not told";
  EXPECT_TRUE(outcome.wrapperGone) << "the second thread's wrapper outlived its form";
  EXPECT_EQ(ServerWrapper, mine) << "the second thread's end touched this thread's wrapper";
}

}  // namespace
