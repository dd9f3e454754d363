// The browser-helper GUI automation object: shows the link-hint card for the
// application's browser helper object (and for the main toolbar's card).
// Each object has its own data module (timers and hint window); an object
// whose module could not be made is an empty shell that answers S_OK.
#pragma once

#include "bho_gui/DataModuleUnit.h"
#include "platform/com/AutoObject.h"
#include "type_library/VornIEGUI_TLB.h"

namespace vorn {

class TVornBHOGUI : public com::AutoObject<IVornBHOGUI> {
 public:
  TVornBHOGUI();
  ~TVornBHOGUI() override;

  // IVornBHOGUI
  HRESULT STDMETHODCALLTYPE MouseOverLink(LONG HWND_, LONG X, LONG Y, BSTR URL, IUnknown* StowlyServer) override;
  HRESULT STDMETHODCALLTYPE MouseOutLink() override;
  HRESULT STDMETHODCALLTYPE MouseMove(LONG X, LONG Y) override;
  HRESULT STDMETHODCALLTYPE ShowOurAdvertising(LONG HWND_, IUnknown* MainServer) override;

  // The object's data module; null for an empty shell.
  TGUIDataModule* Module() const { return FModule.get(); }

 private:
  forms::TOwned<TGUIDataModule> FModule;
};

// The class factory's creator of VornBHOGUI objects.
HRESULT CreateVornBHOGUI(REFIID riid, void** ppv);

}  // namespace vorn
