#include "page_utils/VornOffUtilsUnit.h"

#include "com_server/VornIEGUITypeLib.h"
#include "page_utils/OffUtilsFuncUnit.h"
#include "platform/com/ComError.h"
#include "platform/com/Variant.h"

namespace vorn {

TVornOffUtils::TVornOffUtils() : AutoObject(VornIEGUITypeLibModel(), CLSID_VornOffUtils) {}

template <class F>
HRESULT TVornOffUtils::PageCall(F&& body) noexcept {
  return AutomationCall([&]() -> HRESULT {
    try {
      body();
      return S_OK;
    } catch (const com::CallFailed&) {
      throw;  // the server's own code goes back to the caller
    } catch (const com::ComError& e) {
      // A failure of the page itself is not the caller's to interpret.
      throw com::ComError(E_UNEXPECTED, e.message());
    }
  });
}

HRESULT TVornOffUtils::OpenLinks(VARIANT ADocument, LONG AOnlySel) {
  return PageCall([&] {
    const com::Variant document(ADocument);  // our own reference for the call
    vorn::OpenLinks(document, AOnlySel);
  });
}

HRESULT TVornOffUtils::HighlightDocument(ULONG WB_ID, IUnknown* Unk, IUnknown* Srv) {
  return PageCall([&] {
    const com::ComPtr<IUnknown> document(Unk);
    const com::ComPtr<IUnknown> server(Srv);
    vorn::HighlightDocument(WB_ID, document.Get(), server.Get());
  });
}

HRESULT TVornOffUtils::AddBanners(VARIANT ADocument, VARIANT AElement) {
  return PageCall([&] {
    const com::Variant document(ADocument);
    const com::Variant element(AElement);
    vorn::AddBanners(document, element);
  });
}

HRESULT TVornOffUtils::CaptureScreenShot(IUnknown* AWebBrowser, VARIANT_BOOL ARewriteIfExists, IUnknown* AServer) {
  return PageCall([&] {
    const com::ComPtr<IUnknown> browser(AWebBrowser);
    const com::ComPtr<IUnknown> server(AServer);
    vorn::CaptureScreenShot(browser.Get(), ARewriteIfExists, server.Get());
  });
}

HRESULT CreateVornOffUtils(REFIID riid, void** ppv) { return com::CreateAutoObject<TVornOffUtils>(riid, ppv); }

}  // namespace vorn
