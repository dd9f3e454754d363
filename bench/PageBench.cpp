// The page utilities on large pages: collecting the links, and highlighting
// them with the stand-in server answering every address's state. The page is
// parsed once, outside the measured loop; "per_link" is the time per link.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "page_utils/HTML_UI_Less.h"
#include "page_utils/OffUtilsFuncUnit.h"
#include "platform/com/Variant.h"
#include "standins/app_server/ArchiveServer.h"
#include "standins/html/HtmlDocument.h"

namespace {

// Links in paragraphs, every tenth repeated in other letter case and every
// fifth with a fragment, a few image maps: the mix of an ordinary long page.
std::string GeneratePage(int links) {
  std::string html = "<html><head><title>bench</title></head><body>\n";
  html.reserve(static_cast<std::size_t>(links) * 64);
  for (int i = 0; i < links; ++i) {
    if (i % 20 == 0) html += "<p>";
    std::string address = "http://example.com/section/" + std::to_string(i / 10) + "/page" + std::to_string(i);
    if (i % 10 == 9) address = "HTTP://EXAMPLE.COM/SECTION/" + std::to_string(i / 10) + "/PAGE" + std::to_string(i - 1);
    if (i % 5 == 0) address += "#part";
    if (i % 50 == 49)
      html += "<map><area href=\"" + address + "\" alt=\"area " + std::to_string(i) + "\"></map>";
    else
      html += "<a href=\"" + address + "\">link " + std::to_string(i) + "</a> ";
  }
  html += "</body></html>\n";
  return html;
}

// The stand-in resolves an element's address when it is first asked for; a
// browser has done that while loading. One untimed walk does it here, so every
// timed walk meets the page as a loaded one.
com::ComPtr<IDispatch> LoadGenerated(int links) {
  com::ComPtr<IDispatch> document =
      standins::html::LoadDocument(GeneratePage(links), L"http://example.com/index.html");
  std::vector<std::wstring> urls, titles;
  vorn::CollectLinks(com::Variant(document.Get()), true, false, urls, titles);
  return document;
}

void PerLink(benchmark::State& state, int links) {
  state.counters["links"] = links;
  state.counters["per_link"] =
      benchmark::Counter(static_cast<double>(links), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

void BM_CollectLinks(benchmark::State& state) {
  const int links = static_cast<int>(state.range(0));
  com::ComPtr<IDispatch> document = LoadGenerated(links);
  const com::Variant ref(document.Get());
  for (auto _ : state) {
    // Fresh lists, as callers pass them; freeing them afterwards is the caller's work, not the walk's.
    std::vector<std::wstring> urls, titles;
    vorn::CollectLinks(ref, true, false, urls, titles);
    benchmark::DoNotOptimize(urls.data());
    state.PauseTiming();
    urls = {};
    titles = {};
    state.ResumeTiming();
  }
  PerLink(state, links);
}
BENCHMARK(BM_CollectLinks)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_HighlightDocument(benchmark::State& state) {
  const int links = static_cast<int>(state.range(0));
  com::ComPtr<IDispatch> document = LoadGenerated(links);
  auto server = standins::ArchiveServer::Create();
  for (int i = 0; i < links; i += 3)
    server->SetLinkState(L"http://example.com/section/" + std::to_wstring(i / 10) + L"/page" + std::to_wstring(i), 1);
  IUnknown* serverRef = static_cast<vorn::IGUIServer*>(server.Get());
  for (auto _ : state) {
    vorn::HighlightDocument(1, document.Get(), serverRef);
    state.PauseTiming();
    server->ClearCalls();  // the stand-in's call log is not the library's cost
    state.ResumeTiming();
  }
  PerLink(state, links);
}
BENCHMARK(BM_HighlightDocument)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
