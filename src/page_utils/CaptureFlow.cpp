#include "page_utils/CaptureFlow.h"

#include <vector>

#include "page_utils/ImageCaptureUnit.h"
#include "platform/browser/BandInterfaces.h"
#include "platform/browser/LateBound.h"
#include "platform/browser/ViewObject.h"
#include "platform/browser/WebBrowser.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComError.h"
#include "platform/com/ComPtr.h"
#include "platform/com/SafeArray.h"
#include "platform/com/Variant.h"
#include "server_link/ServerWrapperUnit.h"

namespace vorn {

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
    com::Check(server->StoreCapture1(url.Get(), data), L"StoreCapture1");
  }
  if (wantSecondShot) {
    com::Variant data;
    CapturePicture(view.Get(), width, height, secondShotScale, secondShotFormat, data);
    if (!data.IsEmpty()) com::Check(server->StoreCapture2(url.Get(), data), L"StoreCapture2");
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
