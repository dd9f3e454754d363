// Feeds arbitrary page bytes through the document stand-in to the page
// walkers: the links with frames and a selection, the images, and a
// highlighting run without a server. Whatever the page holds, the walkers
// must end with lists they own and never crash or leak.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "page_utils/HTML_UI_Less.h"
#include "page_utils/OffUtilsFuncUnit.h"
#include "platform/com/ComError.h"
#include "platform/com/Variant.h"
#include "standins/html/HtmlDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  // Markers around the page give the selection a start and an end, unless the
  // page swallows them (an open comment, a script), which is a case too.
  const std::string page = "<p id=\"fuzz-first\">.</p>" + bytes + "<p id=\"fuzz-last\">.</p>";
  standins::html::LoadOptions options;
  // Every frame is the page itself, so frame walking meets the same shapes.
  options.frames = [&bytes](const std::wstring&) -> std::optional<std::string> { return bytes; };
  com::ComPtr<IDispatch> document = standins::html::LoadDocument(page, L"http://fuzz.example/page.html", options);
  if (!document) return 0;
  try {
    standins::html::SelectRange(document.Get(), L"fuzz-first", L"fuzz-last");
  } catch (const std::exception&) {
    // No markers left: the selection stays empty.
  }
  const com::Variant ref(document.Get());
  std::vector<std::wstring> urls, titles;
  for (bool selection : {false, true}) {
    if (!vorn::CollectLinks(ref, true, selection, urls, titles) || urls.size() != titles.size()) __builtin_trap();
    if (!vorn::CollectImages(ref, true, selection, urls)) __builtin_trap();
  }
  try {
    vorn::HighlightDocument(1, document.Get(), nullptr);
  } catch (const com::ComError&) {
    // A page may refuse a style: an error for the caller, not a crash.
  }
  return 0;
}
