#include "page_utils/VornOffUtilsUnit.h"

#include <string>

#include "type_library/VornIEGUITypeLib.h"
#include "page_utils/OffUtilsFuncUnit.h"
#include "platform/com/ComError.h"
#include "platform/com/Variant.h"
#include "server_link/ServerCallError.h"

namespace vorn {

namespace {

// What a page command lets reach its caller: a failed server call keeps the
// server's own code; any other failure, the page's included, is not the
// caller's to interpret and becomes E_UNEXPECTED, keeping its message.
template <class F>
void RunPageCommand(F&& command) {
  try {
    command();
  } catch (const EServerCallFailed&) {
    throw;
  } catch (...) {
    std::wstring message;
    com::HResultFromCurrentException(&message);
    throw com::ComError(E_UNEXPECTED, message);
  }
}

}  // namespace

TVornOffUtils::TVornOffUtils() : AutoObject(VornIEGUITypeLibModel(), CLSID_VornOffUtils) {}

HRESULT TVornOffUtils::OpenLinks(VARIANT ADocument, LONG AOnlySel) {
  return Boundary(com::MayFail, [&] {
    const com::Variant document(ADocument);  // our own reference for the call
    RunPageCommand([&] { vorn::OpenLinks(document, AOnlySel); });
  });
}

HRESULT TVornOffUtils::HighlightDocument(ULONG WB_ID, IUnknown* Unk, IUnknown* Srv) {
  return Boundary(com::MayFail, [&] {
    const com::ComPtr<IUnknown> document(Unk);
    const com::ComPtr<IUnknown> server(Srv);
    RunPageCommand([&] { vorn::HighlightDocument(WB_ID, document.Get(), server.Get()); });
  });
}

HRESULT TVornOffUtils::AddBanners(VARIANT ADocument, VARIANT AElement) {
  return Boundary(com::MayFail, [&] {
    const com::Variant document(ADocument);
    const com::Variant element(AElement);
    RunPageCommand([&] { vorn::AddBanners(document, element); });
  });
}

HRESULT TVornOffUtils::CaptureScreenShot(IUnknown* AWebBrowser, VARIANT_BOOL ARewriteIfExists, IUnknown* AServer) {
  return Boundary(com::MayFail, [&] {
    const com::ComPtr<IUnknown> browser(AWebBrowser);
    const com::ComPtr<IUnknown> server(AServer);
    RunPageCommand([&] { vorn::CaptureScreenShot(browser.Get(), ARewriteIfExists, server.Get()); });
  });
}

HRESULT CreateVornOffUtils(REFIID riid, void** ppv) { return com::CreateObject<TVornOffUtils>(riid, ppv); }

}  // namespace vorn
