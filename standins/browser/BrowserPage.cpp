#include "standins/browser/BrowserPage.h"

#include <cwctype>

#include "platform/com/Text.h"
#include "platform/browser/LateBound.h"
#include "standins/html/HtmlDocument.h"
#include "standins/html/PageFile.h"

namespace standins {

namespace {

// A scheme is two or more letters before the colon: "C:\page.html" is a drive path.
bool HasScheme(const std::wstring& address) {
  const std::size_t colon = address.find(L':');
  if (colon == std::wstring::npos || colon < 2) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    const wchar_t c = address[i];
    if (!(std::iswalnum(c) || c == L'+' || c == L'-' || c == L'.')) return false;
  }
  return std::iswalpha(address[0]) != 0;
}

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
  for (std::size_t i = 0; prefix[i]; ++i)
    if (i >= text.size() || std::towlower(text[i]) != std::towlower(prefix[i])) return false;
  return true;
}

BrowserPage Empty(const std::wstring& url, std::wstring error) {
  return {html::LoadDocument("", url), url, std::move(error)};
}

BrowserPage FromFile(const std::string& path, const std::wstring& address) {
  if (path.empty()) return Empty(address, L"not a local file address");
  try {
    com::ComPtr<IDispatch> document = html::OpenDocumentFile(path);
    // The document knows its own address: the file: form of the absolute path.
    std::wstring url = browser::GetString(document.Get(), L"URL");
    return {std::move(document), std::move(url), {}};
  } catch (const html::PageFileError& e) {
    return Empty(address, com::FromUtf8(e.what()));
  }
}

}  // namespace

BrowserPage LoadBrowserPage(const std::wstring& address) {
  if (address.empty() || StartsWithNoCase(address, L"about:blank")) return Empty(L"about:blank", {});
  if (StartsWithNoCase(address, L"file:")) return FromFile(html::FilePathOfUrl(address), address);
  if (!HasScheme(address)) return FromFile(com::ToUtf8(address), address);
  return Empty(address, L"the stand-in browser loads only files and about:blank");
}

}  // namespace standins
