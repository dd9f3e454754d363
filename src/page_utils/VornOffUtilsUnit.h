// The page-utilities automation object: the application and its browser
// helper object ask it to open, highlight or submit a page's links and
// images, or to capture a picture of a page.
#pragma once

#include "com_server/VornIEGUI_TLB.h"
#include "platform/com/AutoObject.h"

namespace vorn {

class TVornOffUtils : public com::AutoObject<IVornOffUtils> {
 public:
  TVornOffUtils();

  // IVornOffUtils
  HRESULT STDMETHODCALLTYPE OpenLinks(VARIANT ADocument, LONG AOnlySel) override;
  HRESULT STDMETHODCALLTYPE HighlightDocument(ULONG WB_ID, IUnknown* Unk, IUnknown* Srv) override;
  HRESULT STDMETHODCALLTYPE AddBanners(VARIANT ADocument, VARIANT AElement) override;
  HRESULT STDMETHODCALLTYPE CaptureScreenShot(IUnknown* AWebBrowser, VARIANT_BOOL ARewriteIfExists,
                                              IUnknown* AServer) override;

 private:
  // Runs one page command: success when it ends, also early; the code of a
  // failed server call unchanged; E_UNEXPECTED for any other error; the
  // message as the caller's error information.
  template <class F>
  HRESULT PageCall(F&& body) noexcept;
};

// The class factory's creator of VornOffUtils objects.
HRESULT CreateVornOffUtils(REFIID riid, void** ppv);

}  // namespace vorn
