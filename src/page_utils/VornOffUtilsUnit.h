// The page-utilities automation object: the application and its browser
// helper object ask it to open, highlight or submit a page's links and
// images, or to capture a picture of a page.
#pragma once

#include "type_library/VornIEGUI_TLB.h"
#include "platform/com/AutoObject.h"

namespace vorn {

// Every method may fail: a failed server call gives the server's own code,
// any other error E_UNEXPECTED, with its message as error information.
class TVornOffUtils : public com::AutoObject<IVornOffUtils> {
 public:
  TVornOffUtils();

  // IVornOffUtils
  HRESULT STDMETHODCALLTYPE OpenLinks(VARIANT ADocument, LONG AOnlySel) override;
  HRESULT STDMETHODCALLTYPE HighlightDocument(ULONG WB_ID, IUnknown* Unk, IUnknown* Srv) override;
  HRESULT STDMETHODCALLTYPE AddBanners(VARIANT ADocument, VARIANT AElement) override;
  HRESULT STDMETHODCALLTYPE CaptureScreenShot(IUnknown* AWebBrowser, VARIANT_BOOL ARewriteIfExists,
                                              IUnknown* AServer) override;
};

// The class factory's creator of VornOffUtils objects.
HRESULT CreateVornOffUtils(REFIID riid, void** ppv);

}  // namespace vorn
