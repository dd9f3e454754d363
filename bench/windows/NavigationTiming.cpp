// vornie-navigation-timing: a top-level navigation under the main toolbar,
// timed from the browser's first event to every action updated, with the
// archive application's stand-in in a process of its own, so that every
// server call crosses the process boundary as it does on a user's machine.
// Windows only (run it under Wine); prints the median and the 90th
// percentile of N navigations (default 200) between two archived pages.
//
//   vornie-navigation-timing [N]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "band_hosting/VornIEExplorerBarUnit.h"
#include "main_toolbar/MainIEToolBandFormUnit.h"
#include "platform/com/Variant.h"
#include "standins/browser/BandSite.h"
#include "standins/browser/HostWindow.h"
#include "standins/browser/WebBrowser.h"

namespace {

using Clock = std::chrono::steady_clock;

void PumpAll() {
  MSG msg{};
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// The stand-in server's process, ended (after its sinks are told) when this goes.
class ServerProcess {
 public:
  bool Start() {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring command(path, n);
    command = L"\"" + command.substr(0, command.find_last_of(L"\\/") + 1) + L"vornie-archive-server.exe\"";
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return false;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    const bool started =
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi) != FALSE;
    CloseHandle(writeEnd);
    std::string line;
    if (started) {
      process_ = pi.hProcess;
      CloseHandle(pi.hThread);
      char c = 0;
      DWORD got = 0;
      while (ReadFile(readEnd, &c, 1, &got, nullptr) && got == 1 && c != '\n') line += c;
    }
    CloseHandle(readEnd);
    unsigned long pid = 0, tid = 0;
    if (std::sscanf(line.c_str(), "ready %lu %lu", &pid, &tid) != 2) return false;
    thread_ = tid;
    return true;
  }
  ~ServerProcess() {
    if (!process_) return;
    if (thread_) PostThreadMessageW(thread_, WM_QUIT, 0, 0);
    if (WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
    CloseHandle(process_);
  }

 private:
  HANDLE process_ = nullptr;
  DWORD thread_ = 0;
};

int Run(int navigations) {
  ServerProcess server;
  if (!server.Start()) {
    std::fprintf(stderr, "vornie-navigation-timing: vornie-archive-server.exe did not start\n");
    return 1;
  }
  standins::HostWindow host(L"timing", 1000, 300);
  auto browser = standins::WebBrowser::Create(host.Frame());
  auto site = standins::BandSite::Create(host.BandSiteWindow(), browser);
  com::ComPtr<IDeskBand> band;
  if (FAILED(vorn::TVornIEExplorerBar::Create(IID_IDeskBand, band.PutVoid())) ||
      FAILED(com::QueryAs<IObjectWithSite>(band.Get())->SetSite(site->Identity()))) {
    std::fprintf(stderr, "vornie-navigation-timing: the main toolbar band cannot be sited\n");
    return 1;
  }
  auto* form = dynamic_cast<vorn::TMainIEToolBandForm*>(static_cast<vorn::TIEBand*>(band.Get())->Form());
  PumpAll();
  int status = 0;
  if (!form || !form->Active()) {
    std::fprintf(stderr, "vornie-navigation-timing: the main toolbar did not connect to the server\n");
    status = 1;
  } else {
    const wchar_t* pages[2] = {L"http://www.example.com/news.html", L"http://www.example.com/"};
    std::vector<double> micros;
    for (int i = 0; i < navigations; ++i) {
      com::Variant url(pages[i % 2]);
      const auto start = Clock::now();
      browser->Navigate2(url.Ptr(), nullptr, nullptr, nullptr, nullptr);
      PumpAll();
      micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(micros.begin(), micros.end());
    std::printf("top-level navigation, server in its own process: median %.0f us, 90th percentile %.0f us "
                "(%d navigations, last page's archive ID %ld)\n",
                micros[micros.size() / 2], micros[micros.size() * 9 / 10], navigations,
                static_cast<long>(form->DocID()));
    if (form->DocID() < 0) status = 1;
  }
  band->CloseDW(0);
  band.Reset();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const int navigations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  const int status = Run(navigations);
  CoUninitialize();
  return status;
}
