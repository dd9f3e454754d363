// vornie-navigation-timing: the toolbars' paths that cross into the archive
// application most, timed with the application's stand-in in a process of
// its own, so that every server call crosses the process boundary as it does
// on a user's machine. Windows only (run it under Wine); prints the median
// and the 90th percentile of:
// - N top-level navigations (default 200) between two archived pages under
//   the main toolbar, from the browser's first event to every action updated;
// - 20 rebuilds of the quick-links toolbar's 50 groups of 50 links.
//
//   vornie-navigation-timing [N]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "band_hosting/BriselQLToolbarUnit.h"
#include "band_hosting/VornIEExplorerBarUnit.h"
#include "main_toolbar/MainIEToolBandFormUnit.h"
#include "quick_links/QLIEToolBandFormUnit.h"
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
    command = L"\"" + command.substr(0, command.find_last_of(L"\\/") + 1) +
              L"vornie-archive-server.exe\" --quick-groups 50 50";
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

int TimeQuickGroupRebuilds(const com::ComPtr<standins::WebBrowser>& browser) {
  standins::HostWindow host(L"timing links", 1000, 300);
  auto site = standins::BandSite::Create(host.BandSiteWindow(), browser);
  com::ComPtr<IDeskBand> band;
  if (FAILED(vorn::TBriselQLToolbar::Create(IID_IDeskBand, band.PutVoid())) ||
      FAILED(com::QueryAs<IObjectWithSite>(band.Get())->SetSite(site->Identity()))) {
    std::fprintf(stderr, "vornie-navigation-timing: the quick-links band cannot be sited\n");
    return 1;
  }
  auto* form = dynamic_cast<vorn::TQLIEToolBandForm*>(static_cast<vorn::TIEBand*>(band.Get())->Form());
  int status = 0;
  if (!form || form->Groups().size() != 50) {
    std::fprintf(stderr, "vornie-navigation-timing: the quick-links toolbar did not build 50 groups\n");
    status = 1;
  } else {
    std::vector<double> millis;
    for (int i = 0; i < 20; ++i) {
      const auto start = Clock::now();
      form->QuickGroupChange(nullptr);
      millis.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(millis.begin(), millis.end());
    std::printf("quick-links rebuild of 50 groups of 50 links, server in its own process: median %.1f ms, "
                "90th percentile %.1f ms (20 rebuilds, %zu groups shown)\n",
                millis[millis.size() / 2], millis[millis.size() * 9 / 10], form->Groups().size());
  }
  band->CloseDW(0);
  band.Reset();
  return status;
}

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
  if (status == 0) status = TimeQuickGroupRebuilds(browser);
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
