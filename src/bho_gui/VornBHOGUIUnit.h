// The browser-helper GUI automation object: shows the link-hint card for the
// application's browser helper object (and for the main toolbar's card).
#pragma once

#include "type_library/VornIEGUI_TLB.h"
#include "platform/com/AutoObject.h"

namespace vorn {

class TVornBHOGUI : public com::AutoObject<IVornBHOGUI> {
 public:
  TVornBHOGUI();

  // IVornBHOGUI
  HRESULT STDMETHODCALLTYPE MouseOverLink(LONG HWND_, LONG X, LONG Y, BSTR URL, IUnknown* StowlyServer) override;
  HRESULT STDMETHODCALLTYPE MouseOutLink() override;
  HRESULT STDMETHODCALLTYPE MouseMove(LONG X, LONG Y) override;
  HRESULT STDMETHODCALLTYPE ShowOurAdvertising(LONG HWND_, IUnknown* MainServer) override;
};

// The class factory's creator of VornBHOGUI objects.
HRESULT CreateVornBHOGUI(REFIID riid, void** ppv);

}  // namespace vorn
