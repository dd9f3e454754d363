// The quick-links toolbar rebuilding its groups when the application says
// they changed: 50 groups of 50 links from the stand-in server in this
// process, every group's button, menu and manager item made again.
#include <benchmark/benchmark.h>

#include "band_hosting/BriselQLToolbarUnit.h"
#include "quick_links/QLIEToolBandFormUnit.h"
#include "standins/app_server/ArchiveServer.h"
#include "standins/browser/BandSite.h"
#include "standins/browser/HostWindow.h"
#include "standins/browser/WebBrowser.h"

namespace {

void BM_QuickGroupRebuild(benchmark::State& state) {
  const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  {
    const int groups = static_cast<int>(state.range(0)), links = static_cast<int>(state.range(1));
    auto server = standins::ArchiveServer::Create();
    std::vector<standins::ArchiveServer::QuickGroup> table(static_cast<std::size_t>(groups));
    for (int g = 0; g < groups; ++g) {
      table[g].name = L"Group " + std::to_wstring(g);
      for (int l = 0; l < links; ++l)
        table[g].links.push_back({L"Link " + std::to_wstring(l), L"http://example.com/" + std::to_wstring(l)});
    }
    server->SetQuickGroups(std::move(table));
    server->Register();
    standins::HostWindow host(L"bench", 1000, 300);
    auto browser = standins::WebBrowser::Create(host.Frame());
    auto site = standins::BandSite::Create(host.BandSiteWindow(), browser);
    com::ComPtr<IDeskBand> band;
    vorn::TBriselQLToolbar::Create(IID_IDeskBand, band.PutVoid());
    com::QueryAs<IObjectWithSite>(band.Get())->SetSite(site->Identity());
    auto* form = dynamic_cast<vorn::TQLIEToolBandForm*>(static_cast<vorn::TIEBand*>(band.Get())->Form());
    if (!form || form->Groups().size() != static_cast<std::size_t>(groups))
      state.SkipWithError("the quick-links toolbar did not build its groups");
    server->ClearCalls();
    for (auto _ : state) {
      if (form) form->QuickGroupChange(nullptr);
    }
    state.counters["server_calls_per_rebuild"] =
        benchmark::Counter(static_cast<double>(server->Calls().size()), benchmark::Counter::kAvgIterations);
    band->CloseDW(0);
    band.Reset();
    server->Revoke();
  }
  if (com) CoUninitialize();
}
BENCHMARK(BM_QuickGroupRebuild)->Args({50, 50})->Unit(benchmark::kMillisecond);

}  // namespace
