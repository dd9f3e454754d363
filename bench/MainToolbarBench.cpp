// A top-level navigation as the main toolbar lives it: from the browser's
// first event to every action updated (the posted update messages handled),
// with the stand-in archive application in this process. Each iteration
// moves between two archived pages, so every one refreshes the strip.
#include <benchmark/benchmark.h>

#include "band_hosting/VornIEExplorerBarUnit.h"
#include "main_toolbar/MainIEToolBandFormUnit.h"
#include "platform/com/Variant.h"
#include "platform/win/Window.h"
#include "standins/app_server/ArchiveServer.h"
#include "standins/browser/BandSite.h"
#include "standins/browser/HostWindow.h"
#include "standins/browser/WebBrowser.h"

namespace {

void PumpAll() {
  MSG msg{};
  while (win::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    win::TranslateMessage(&msg);
    win::DispatchMessageW(&msg);
  }
}

void BM_TopLevelNavigation(benchmark::State& state) {
  const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  {
    auto server = standins::ArchiveServer::CreateWithSampleArchive();
    server->Register();
    standins::HostWindow host(L"bench", 1000, 300);
    auto browser = standins::WebBrowser::Create(host.Frame());
    auto site = standins::BandSite::Create(host.BandSiteWindow(), browser);
    com::ComPtr<IDeskBand> band;
    vorn::TVornIEExplorerBar::Create(IID_IDeskBand, band.PutVoid());
    com::QueryAs<IObjectWithSite>(band.Get())->SetSite(site->Identity());
    auto* form = dynamic_cast<vorn::TMainIEToolBandForm*>(static_cast<vorn::TIEBand*>(band.Get())->Form());
    if (!form || !form->Active()) state.SkipWithError("the main toolbar is not connected");
    PumpAll();
    const com::Variant pages[2] = {com::Variant(L"http://www.example.com/news.html"),
                                   com::Variant(L"http://www.example.com/")};
    int next = 0;
    for (auto _ : state) {
      com::Variant url(pages[next]);
      next ^= 1;
      browser->Navigate2(url.Ptr(), nullptr, nullptr, nullptr, nullptr);
      PumpAll();
    }
    if (form && form->DocID() < 0) state.SkipWithError("the page was not found in the archive");
    state.counters["server_calls_per_navigation"] = benchmark::Counter(
        static_cast<double>(server->Calls().size()), benchmark::Counter::kAvgIterations);
    band->CloseDW(0);
    band.Reset();
    server->Revoke();
  }
  if (com) CoUninitialize();
}
BENCHMARK(BM_TopLevelNavigation)->Unit(benchmark::kMicrosecond);

}  // namespace
