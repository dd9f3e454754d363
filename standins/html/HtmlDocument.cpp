#include "standins/html/HtmlDocument.h"

#include <filesystem>

#include "platform/com/ComError.h"
#include "platform/com/Text.h"
#include "standins/html/Charset.h"
#include "standins/html/Dom.h"
#include "standins/html/DomObjects.h"
#include "standins/html/PageFile.h"
#include "standins/html/Url.h"

namespace standins::html {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The local path of a file:/// address; empty when it names no local file.
std::string FilePath(const std::wstring& url) {
  const std::string text = com::ToUtf8(url);
  if (text.compare(0, 8, "file:///") != 0) return {};
  std::string encoded = text.substr(7);
  const size_t tail = encoded.find_first_of("?#");
  if (tail != std::string::npos) encoded.resize(tail);
  std::string path;
  for (size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] == '%' && i + 2 < encoded.size() && HexValue(encoded[i + 1]) >= 0 && HexValue(encoded[i + 2]) >= 0) {
      path += static_cast<char>(HexValue(encoded[i + 1]) * 16 + HexValue(encoded[i + 2]));
      i += 2;
    } else {
      path += encoded[i];
    }
  }
  // "/C:/dir" names a drive path.
  if (path.size() >= 3 && path[0] == '/' && path[2] == ':') path.erase(0, 1);
  return path;
}

std::shared_ptr<Dom> Require(IDispatch* document) {
  std::shared_ptr<Dom> dom = DomOf(document);
  if (!dom) throw com::ComError(E_INVALIDARG, L"not a document of the HTML stand-in");
  return dom;
}

int RequireElement(Dom& dom, std::wstring_view id) {
  const int node = dom.ById(id);
  if (node < 0) throw com::ComError(E_INVALIDARG, L"no element with id \"" + std::wstring(id) + L"\"");
  return node;
}

}  // namespace

std::string FilePathOfUrl(const std::wstring& url) { return FilePath(url); }

PageLoader FileLoader() {
  return [](const std::wstring& url) -> std::optional<std::string> {
    const std::string path = FilePath(url);
    if (path.empty()) return std::nullopt;
    // A frame whose file cannot be a page stays empty, as a browser leaves a frame it cannot load.
    try {
      return ReadPageFile(std::filesystem::u8path(path));
    } catch (const PageFileError&) {
      return std::nullopt;
    }
  };
}

PageLoader MapLoader(std::map<std::wstring, std::string> pages) {
  return [pages = std::move(pages)](const std::wstring& url) -> std::optional<std::string> {
    auto it = pages.find(url);
    if (it == pages.end()) return std::nullopt;
    return it->second;
  };
}

com::ComPtr<IDispatch> LoadDocument(std::string_view bytes, const std::wstring& url, const LoadOptions& options) {
  auto dom = Dom::Parse(DecodeToUtf8(bytes, options.charset), url);
  dom->loader = options.frames;
  return CreateDocumentObject(std::move(dom));
}

com::ComPtr<IDispatch> LoadDocumentFile(const std::string& path, const LoadOptions& options) {
  try {
    return OpenDocumentFile(path, options);
  } catch (const PageFileError&) {
    return nullptr;
  }
}

com::ComPtr<IDispatch> OpenDocumentFile(const std::string& path, const LoadOptions& options) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::u8path(path), error);
  if (error) throw PageFileError(path + ": " + error.message());
  const std::string bytes = ReadPageFile(absolute);
  const std::u8string u8 = absolute.generic_u8string();
  std::string generic(u8.begin(), u8.end());
  if (!generic.empty() && generic[0] == '/') generic.erase(0, 1);
  const std::wstring raw = L"file:///" + com::FromUtf8(generic);
  const std::wstring url = ResolveUrl(raw, L"").value_or(raw);
  return LoadDocument(bytes, url, options);
}

com::ComPtr<IDispatch> ElementById(IDispatch* document, std::wstring_view id) {
  std::shared_ptr<Dom> dom = DomOf(document);
  if (!dom) return nullptr;
  const int node = dom->ById(id);
  return node >= 0 ? ElementObject(dom, node) : nullptr;
}

void SelectRange(IDispatch* document, std::wstring_view fromId, std::wstring_view toId) {
  std::shared_ptr<Dom> dom = Require(document);
  const int from = RequireElement(*dom, fromId);
  const int to = RequireElement(*dom, toId);
  dom->selectionType = Dom::SelectionType::Text;
  dom->selectionFirst = std::min(from, to);
  dom->selectionLast = std::max(dom->At(from).end, dom->At(to).end);
}

void SelectControl(IDispatch* document, std::wstring_view id) {
  std::shared_ptr<Dom> dom = Require(document);
  const int node = RequireElement(*dom, id);
  dom->selectionType = Dom::SelectionType::Control;
  dom->selectionFirst = node;
  dom->selectionLast = dom->At(node).end;
}

void FailMember(IDispatch* document, std::wstring_view elementId, std::wstring_view member, HRESULT hr) {
  std::shared_ptr<Dom> dom = Require(document);
  dom->Fail(elementId.empty() ? -1 : RequireElement(*dom, elementId), member, hr);
}

std::string SerializeHtml(IDispatch* document) { return Require(document)->Serialize(); }

}  // namespace standins::html
