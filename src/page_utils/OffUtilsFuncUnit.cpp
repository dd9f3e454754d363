#include "page_utils/OffUtilsFuncUnit.h"

#include <cstdio>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <vector>

#include "page_utils/HTML_UI_Less.h"
#include "page_utils/IEFuncs.h"
#include "page_utils/ImageCaptureUnit.h"
#include "platform/browser/BandInterfaces.h"
#include "platform/browser/LateBound.h"
#include "platform/browser/ViewObject.h"
#include "platform/browser/WebBrowserInterface.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComError.h"
#include "platform/com/ComPtr.h"
#include "platform/com/SafeArray.h"
#include "platform/com/Variant.h"
#include "platform/win/Strings.h"
#include "platform/win/System.h"
#include "server_link/ServerCallError.h"
#include "server_link/ServerWrapperUnit.h"
#include "platform/app_server/ZRStowly_TLB.h"

namespace vorn {

namespace {

// The server's highlight settings turned into the strings the style properties take.
struct HighlightStyle {
  bool markArchived = false;
  std::wstring decoration;
  std::wstring fontWeight;
  std::wstring textColor;  // empty: the default colour
  std::wstring backColor;
};

std::wstring DecorationText(LONG decoration) {
  switch (decoration) {
    case 0:
      return L"none";
    case 1:
      return L"overline";
    case 2:
      return L"line-through";
    case 3:
      return L"underline";
    default:
      return {};
  }
}

// Nothing when highlighting is off for this browser.
std::optional<HighlightStyle> ReadHighlightStyle(IGUIServer* server, ULONG browserId) {
  VARIANT_BOOL enabled = VARIANT_FALSE, markArchived = VARIANT_FALSE, backDefault = VARIANT_FALSE;
  VARIANT_BOOL textDefault = VARIANT_FALSE, bold = VARIANT_FALSE;
  OLE_COLOR backColor = 0, textColor = 0;
  LONG decoration = 0;
  CheckServerCall(server->GetHighlightSettings(static_cast<LONG>(browserId), &enabled, &markArchived, &backDefault,
                                               &backColor, &textDefault, &textColor, &bold, &decoration),
                  L"GetHighlightSettings");
  if (!enabled) return std::nullopt;
  HighlightStyle style;
  style.markArchived = markArchived != VARIANT_FALSE;
  style.decoration = DecorationText(decoration);
  style.fontWeight = bold ? L"bold" : L"";
  style.textColor = textDefault ? L"" : ColorToStyleValue(textColor);
  style.backColor = backDefault ? L"" : ColorToStyleValue(backColor);
  return style;
}

// The members a run asks every link for: each is looked up once per run.
struct LinkMembers {
  browser::Member item{L"item"};
  browser::Member href{L"href"};
  browser::Member style{L"style"};
  browser::Member textDecoration{L"textDecoration"};
  browser::Member fontWeight{L"fontWeight"};
  browser::Member color{L"color"};
  browser::Member backgroundColor{L"backgroundColor"};
};

// A style property's current text; an unset property may come back empty or null.
std::wstring StyleText(IDispatch* style, browser::Member& property) {
  com::Variant value = property.Get(style);
  if (value.vt() == VT_EMPTY || value.vt() == VT_NULL) return {};
  if (value.vt() == VT_BSTR) return value.bstrVal ? std::wstring(value.bstrVal, SysStringLen(value.bstrVal)) : L"";
  return value.ToString();
}

void PutStyleText(IDispatch* style, browser::Member& property, const std::wstring& text) {
  property.Put(style, com::Variant(text));
}

void PutIfDifferent(IDispatch* style, browser::Member& property, const std::wstring& text) {
  if (StyleText(style, property) != text) PutStyleText(style, property, text);
}

com::ComPtr<IDispatch> AsHtmlDocument(IUnknown* unknown) {
  if (!unknown) return {};
  com::ComPtr<IUnknown> html;
  if (FAILED(unknown->QueryInterface(browser::IID_IHTMLDocument2, html.PutVoid())) || !html) return {};
  com::ComPtr<IDispatch> dispatch;
  if (FAILED(html->QueryInterface(IID_IDispatch, dispatch.PutVoid())) || !dispatch) return {};
  return dispatch;
}

// Adds the "A" links of one document. pageAddress non-null: links to that page are left alone.
void CollectItems(IDispatch* document, const std::wstring* pageAddress, LinkMembers& members,
                  std::vector<TDocItem>& items) {
  com::ComPtr<IDispatch> all = browser::GetObjectProperty(document, L"all");
  com::ComPtr<IDispatch> links = browser::DispatchOf(browser::CallMethod(all.Get(), L"tags", {com::Variant(L"A")}));
  const LONG count = browser::GetProperty(links.Get(), L"length").ToLong();
  const com::Variant omitted = browser::OmittedArgument();
  for (LONG i = 0; i < count; ++i) {
    com::Variant element = members.item.Call(links.Get(), {com::Variant(i), omitted});
    com::ComPtr<IDispatch> dispatch = browser::DispatchOf(element);
    const std::wstring address = NormalizeLinkURL(members.href.GetString(dispatch.Get()));
    if (address.empty()) continue;
    if (pageAddress && win::lstrcmpiW(address.c_str(), pageAddress->c_str()) == 0) continue;
    TDocItem& item = items.emplace_back();
    item.SetElement(com::Variant(dispatch.Get()));
    item.SetURL(address);
  }
}

// The documents of the browsers embedded in the page (its frames), one level deep.
void CollectFrameItems(IUnknown* document, LinkMembers& members, std::vector<TDocItem>& items) {
  com::ComPtr<IOleContainer> container;
  if (FAILED(document->QueryInterface(IID_IOleContainer, container.PutVoid())) || !container) return;
  com::ComPtr<IEnumUnknown> objects;
  com::Check(container->EnumObjects(OLECONTF_EMBEDDINGS, objects.ReleaseAndGetAddressOf()), L"EnumObjects");
  if (!objects) return;
  for (;;) {
    com::ComPtr<IUnknown> object;
    ULONG fetched = 0;
    if (objects->Next(1, object.ReleaseAndGetAddressOf(), &fetched) != S_OK || !object) break;
    com::ComPtr<IWebBrowser2> frame;
    if (FAILED(object->QueryInterface(IID_IWebBrowser2, frame.PutVoid())) || !frame) continue;
    com::ComPtr<IDispatch> frameDocument;
    com::Check(frame->get_Document(frameDocument.ReleaseAndGetAddressOf()), L"reading a frame's document");
    com::ComPtr<IDispatch> html = AsHtmlDocument(frameDocument.Get());
    if (html) CollectItems(html.Get(), nullptr, members, items);
  }
}

com::Variant AddressArray(const std::vector<std::wstring>& addresses) {
  return com::SafeArray::FromStrings(addresses).IntoVariant();
}

void RestyleItem(TDocItem& item, const HighlightStyle* style, const com::SafeArray* states, LONG index,
                 LinkMembers& members) {
  com::Variant element = std::move(item.Element);
  item.Element.Clear();
  com::ComPtr<IDispatch> css = browser::DispatchOf(members.style.Get(browser::DispatchOf(element).Get()));
  bool marked = false;
  if (style) {
    com::Variant state;
    LONG lower = 0;
    ULONG count = 0;
    if (HRESULT hr = states->GetVectorBounds(&lower, &count); FAILED(hr)) throw com::ComError(hr, L"no link states");
    // The bounds are the server's: a state beyond its array is no state (the
    // link is not marked), and the position is found without overflowing.
    if (index >= 0 && static_cast<ULONG>(index) < count) {
      const LONG position = static_cast<LONG>(static_cast<long long>(lower) + index);
      if (HRESULT hr = states->GetVariant(position, &state); FAILED(hr))
        throw com::ComError(hr, L"link state missing");
      const LONG value = state.ToLong();
      marked = (value == -1 && !style->markArchived) || (value >= 0 && style->markArchived);
    }
  }
  if (marked) {
    PutIfDifferent(css.Get(), members.textDecoration, style->decoration);
    PutIfDifferent(css.Get(), members.fontWeight, style->fontWeight);
    PutStyleText(css.Get(), members.color, style->textColor);
    PutStyleText(css.Get(), members.backgroundColor, style->backColor);
    return;
  }
  for (browser::Member* property :
       {&members.textDecoration, &members.fontWeight, &members.color, &members.backgroundColor}) {
    if (!StyleText(css.Get(), *property).empty()) PutStyleText(css.Get(), *property, L"");
  }
}

}  // namespace

std::wstring ColorToStyleValue(OLE_COLOR color) {
  DWORD rgb = color;
  if (color & 0x80000000u) rgb = win::GetSysColor(static_cast<int>(color & 0xFF));
  rgb &= 0x00FFFFFF;
  const DWORD swapped = ((rgb & 0xFF) << 16) | (rgb & 0x00FF00) | ((rgb >> 16) & 0xFF);
  wchar_t text[16];
  std::swprintf(text, std::size(text), L"%06X", static_cast<unsigned>(swapped));
  return text;
}

void HighlightDocument(ULONG WB_ID, IUnknown* Unk, IUnknown* Srv) {
  com::ComPtr<IGUIServer> server;
  if (Srv && (FAILED(Srv->QueryInterface(IID_IGUIServer, server.PutVoid())))) server.Reset();
  com::ComPtr<IDispatch> document = AsHtmlDocument(Unk);
  if (!document) return;

  HighlightStyle style;
  if (server) {
    // The server takes the identifier as a signed number.
    if (WB_ID > 0x7FFFFFFFu) throw std::out_of_range("browser identifier out of range");
    if (std::optional<HighlightStyle> settings = ReadHighlightStyle(server.Get(), WB_ID))
      style = std::move(*settings);
    else
      server.Reset();  // highlighting is off: the run only clears earlier marks
  }

  std::wstring pageAddress;
  try {
    pageAddress = browser::GetProperty(document.Get(), L"URL").ToString();
  } catch (const com::ComError&) {
    pageAddress.clear();
  }
  pageAddress = NormalizeLinkURL(pageAddress);

  LinkMembers members;
  std::vector<TDocItem> items;
  CollectItems(document.Get(), &pageAddress, members, items);
  CollectFrameItems(document.Get(), members, items);

  com::SafeArray states;
  if (server) {
    std::vector<std::wstring> addresses;
    addresses.reserve(items.size());
    for (const TDocItem& item : items) addresses.push_back(item.URL);
    com::Variant addressArray = AddressArray(addresses);
    com::Variant stateArray = com::SafeArray::CreateVector(VT_VARIANT, 0, static_cast<ULONG>(items.size())).IntoVariant();
    CheckServerCall(server->GetLinkStates(addressArray, stateArray.Ptr()), L"GetLinkStates");
    if (HRESULT hr = com::SafeArray::FromVariant(stateArray, &states); FAILED(hr))
      throw com::ComError(hr, L"the link states are not an array");
  }
  for (std::size_t k = 0; k < items.size(); ++k)
    RestyleItem(items[k], server ? &style : nullptr, &states, static_cast<LONG>(k), members);
}

void OpenLinks(const VARIANT& ADocument, LONG AOnlySel) {
  std::vector<std::wstring> urls;
  std::vector<std::wstring> titles;
  if (!CollectLinks(ADocument, true, AOnlySel > 0, urls, titles) || urls.empty()) return;
  com::Variant addresses = AddressArray(urls);
  com::Variant texts = AddressArray(titles);
  com::ComPtr<IGUIServer> server = TServerWrapper::GetRunningServer();
  if (!server) return;
  CheckServerCall(server->SubmitLinks(addresses, texts, nullptr, IsHostIExplore() ? VARIANT_FALSE : VARIANT_TRUE),
                  L"SubmitLinks");
}

void AddBanners(const VARIANT& ADocument, const VARIANT& AElement) {
  com::ComPtr<IDispatch> document = browser::DispatchOf(ADocument);
  com::ComPtr<IDispatch> selection = browser::GetObjectProperty(document.Get(), L"selection");
  const std::wstring type = browser::GetProperty(selection.Get(), L"type").ToString();
  std::vector<std::wstring> urls;
  if (type != L"None") {
    if (!CollectImages(ADocument, true, true, urls)) return;
  } else {
    try {
      urls.push_back(browser::GetProperty(browser::DispatchOf(AElement).Get(), L"src").ToString());
    } catch (const com::ComError&) {
      return;  // an element without a picture: nothing to submit
    }
  }
  if (urls.empty()) return;
  com::Variant addresses = AddressArray(urls);
  com::ComPtr<IGUIServer> server = TServerWrapper::GetRunningServer();
  if (!server) return;
  CheckServerCall(server->AddBannerImages(addresses), L"AddBannerImages");
}

// Pictures of pages: the capture flow and the picture fetch.


namespace {

// The browser's HTML document, or null when it has none or asking fails.
com::ComPtr<IDispatch> HtmlDocument(IWebBrowser2* browser) {
  com::ComPtr<IDispatch> document;
  if (FAILED(browser->get_Document(document.ReleaseAndGetAddressOf())) || !document) return nullptr;
  com::ComPtr<IDispatch> html;
  if (FAILED(document->QueryInterface(browser::IID_IHTMLDocument2, html.PutVoid())) || !html) return nullptr;
  return html;
}

}  // namespace

void CaptureScreenShot(IUnknown* AWebBrowser, VARIANT_BOOL ARewriteIfExists, IUnknown* AServer) {
  if (!AWebBrowser || !AServer) return;
  com::ComPtr<IGUIServer> server;
  com::ComPtr<IWebBrowser2> browser;
  if (FAILED(com::ComPtr<IUnknown>(AServer).As(&server)) || !server) return;
  if (FAILED(com::ComPtr<IUnknown>(AWebBrowser).As(&browser)) || !browser) return;
  const com::ComPtr<IDispatch> document = HtmlDocument(browser.Get());
  if (!document) return;
  const com::Bstr url(browser::GetProperty(document.Get(), L"URL").ToString());

  VARIANT_BOOL wantShot = VARIANT_FALSE, wantSecondShot = VARIANT_FALSE;
  LONG shotScale = 0, shotFormat = 0, secondShotScale = 0, secondShotFormat = 0;
  if (FAILED(server->GetCaptureSettings(url.Get(), ARewriteIfExists, &wantShot, &shotScale, &shotFormat,
                                        &wantSecondShot, &secondShotScale, &secondShotFormat)))
    return;

  com::ComPtr<IViewObject> view;
  com::ComPtr<IOleWindow> oleWindow;
  if (FAILED(document.As(&view)) || !view || FAILED(document.As(&oleWindow)) || !oleWindow) return;
  HWND window = nullptr;
  RECT rect{};
  if (FAILED(oleWindow->GetWindow(&window)) || !window || !win::GetWindowRect(window, &rect)) return;
  // The visible part of the page, at window size: the page is not scrolled.
  const LONG width = rect.right - rect.left, height = rect.bottom - rect.top;

  if (wantShot) {
    com::Variant data;
    CapturePicture(view.Get(), width, height, shotScale, shotFormat, data);
    if (data.IsEmpty()) return;
    CheckServerCall(server->StoreCapture1(url.Get(), data), L"StoreCapture1");
  }
  if (wantSecondShot) {
    com::Variant data;
    CapturePicture(view.Get(), width, height, secondShotScale, secondShotFormat, data);
    if (!data.IsEmpty()) CheckServerCall(server->StoreCapture2(url.Get(), data), L"StoreCapture2");
  }
}

bool GetLinkPicture(IGUIServer* Server, const std::wstring& URL, LONG ID, bool Flag, forms::TBitmap& Bitmap) {
  try {
    com::ComPtr<IGUIServer> server(Server);
    if (!server) {
      try {
        server = TServerWrapper::GetRunningServer();
      } catch (...) {
        server = nullptr;
      }
    }
    if (!server) return false;
    const com::Bstr url(URL);
    VARIANT_BOOL found = VARIANT_FALSE;
    com::Variant data;
    if (FAILED(server->GetDocumentPicture(url.Get(), ID, &found, data.ReleaseAndGetAddressOf(),
                                          Flag ? VARIANT_TRUE : VARIANT_FALSE)))
      return false;
    if (!found) return false;
    if (data.vt() & VT_ARRAY) {
      com::SafeArray array;
      std::vector<BYTE> bytes;
      if (FAILED(com::SafeArray::FromVariant(data, &array)) || FAILED(array.ToBytes(&bytes))) return false;
      Bitmap.LoadFromBytes(bytes.data(), bytes.size());
    }
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace vorn
