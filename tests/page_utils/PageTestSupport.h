// Pages for the page-utility tests: HTML text loaded into the document
// stand-in, with frames served from a map of addresses.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/Variant.h"
#include "standins/app_server/ArchiveServer.h"
#include "standins/html/HtmlDocument.h"

namespace page_test {

inline com::ComPtr<IDispatch> LoadPage(const std::string& html, const std::wstring& url = L"http://example.com/page.html",
                                       std::map<std::wstring, std::string> frames = {}) {
  standins::html::LoadOptions options;
  options.frames = standins::html::MapLoader(std::move(frames));
  com::ComPtr<IDispatch> document = standins::html::LoadDocument(html, url, options);
  if (!document) throw std::runtime_error("the page did not load");
  return document;
}

inline com::Variant Ref(IDispatch* document) { return com::Variant(document); }

// What the highlighting tests mark archived links with: underlined, bold, red text, the page's background.
inline standins::ArchiveServer::HighlightSettings MarkArchivedInRed() {
  standins::ArchiveServer::HighlightSettings settings;
  settings.enabled = true;
  settings.markArchived = true;
  settings.decoration = 3;
  settings.bold = true;
  settings.textColorDefault = false;
  settings.textColor = 0x000000FF;
  settings.backColorDefault = true;
  return settings;
}

}  // namespace page_test
