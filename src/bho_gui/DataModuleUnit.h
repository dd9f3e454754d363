// The link-hint card's timing and window: remembers where the pointer rests
// and on which address, waits the delay the archive application chooses,
// fetches the linked page's picture from it, shows the picture next to the
// pointer without taking the focus, and hides it after the application's
// show time or when told.
//
// States: idle (timer off, nothing shown) -> waiting (ShowLinkHint with a
// server: timer = show delay) -> shown (timer = show time) -> idle (the timer
// fires, or HideLinkHint). One picture attempt per ShowLinkHint.
#pragma once

#include <string>

#include "bho_gui/HintFormUnit.h"
#include "platform/app_server/ZRStowly_TLB.h"
#include "platform/com/ComPtr.h"
#include "platform/forms/TDataModule.h"
#include "platform/forms/TTimer.h"

namespace vorn {

class TGUIDataModule : public forms::TDataModule {
 public:
  // Builds the timers and runs the creation handler; the owner may be null.
  explicit TGUIDataModule(forms::TComponent* owner);

  // Remembers the pointer and the address; with a server that is the
  // archive application, asks it for the hint settings and waits the delay.
  // Nothing here fails toward the caller.
  void ShowLinkHint(HWND wnd, LONG x, LONG y, const std::wstring& url, IUnknown* server);
  void HideLinkHint();
  // Only remembers the pointer: a shown picture stays where it is.
  void MoveLinkHint(LONG x, LONG y);
  // Raises com::ComError E_NOINTERFACE "Interface not supported" for a server
  // that is not the archive application. Shows nothing.
  void ShowAdvertising(HWND wnd, IUnknown* server);

  forms::TTimer* Timer = nullptr;
  forms::TTimer* ShowAdsTimer = nullptr;

  // Read-only views for the card's hosts and tests.
  THintForm* HintForm() const { return FHintForm.get(); }
  bool Shown() const { return FShown; }
  bool HoldsServer() const { return static_cast<bool>(FServer); }

  void TimerTimer(forms::TComponent* Sender);
  void ShowAdsTimerTimer(forms::TComponent* Sender);

 protected:
  void DataModuleCreate() override;
  void DataModuleDestroy() override;

 private:
  // Fetches and shows the picture; false when there is none to show.
  bool ShowPicture();

  forms::TOwned<THintForm> FHintForm;
  HWND FWnd = nullptr;  // kept, not used
  LONG FX = 0;
  LONG FY = 0;
  std::wstring FURL;
  LONG FAlpha = -1;
  LONG FShowDelay = 0;
  LONG FShowTime = 0;
  bool FShown = false;
  com::ComPtr<IGUIServer> FServer;
  HWND FAdsWnd = nullptr;  // kept, not used
};

}  // namespace vorn
