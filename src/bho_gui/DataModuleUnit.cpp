#include "bho_gui/DataModuleUnit.h"

#include "page_utils/OffUtilsFuncUnit.h"
#include "platform/com/ComError.h"
#include "platform/forms/LayoutBuilder.h"
#include "platform/forms/TBitmap.h"

namespace vorn {
namespace {

const forms::DataModuleLayout& Layout() {
  using forms::TimerDecl;
  static const forms::DataModuleLayout layout = {
      .children = {
          TimerDecl{.name = L"Timer", .enabled = false, .interval = 3000, .onTimer = L"TimerTimer"},
          TimerDecl{.name = L"ShowAdsTimer", .enabled = false, .onTimer = L"ShowAdsTimerTimer"},
      },
  };
  return layout;
}

// A timer interval from the application's milliseconds; a negative one means never.
void StartTimer(forms::TTimer& timer, LONG milliseconds) {
  timer.SetEnabled(false);
  if (milliseconds < 0) return;
  timer.SetInterval(static_cast<UINT>(milliseconds));
  timer.SetEnabled(true);
}

}  // namespace

TGUIDataModule::TGUIDataModule(forms::TComponent* owner) : TDataModule(owner) {
  forms::BuildLayout(*this, Layout(),
                     {{L"TimerTimer", forms::Bind(this, &TGUIDataModule::TimerTimer)},
                      {L"ShowAdsTimerTimer", forms::Bind(this, &TGUIDataModule::ShowAdsTimerTimer)}});
  Timer = forms::LayoutComponent<forms::TTimer>(*this, L"Timer");
  ShowAdsTimer = forms::LayoutComponent<forms::TTimer>(*this, L"ShowAdsTimer");
  DoCreate();
}

void TGUIDataModule::DataModuleCreate() {
  FShown = false;
  FHintForm.reset(new THintForm(nullptr));
  Timer->SetEnabled(false);
  Timer->SetInterval(500);
}

void TGUIDataModule::DataModuleDestroy() { FHintForm.reset(); }

void TGUIDataModule::ShowLinkHint(HWND wnd, LONG x, LONG y, const std::wstring& url, IUnknown* server) {
  FWnd = wnd;
  FX = x;
  FY = y;
  FURL = url;
  try {
    FServer = com::QueryAs<IGUIServer>(server);
    if (!FServer) return;
    LONG alpha = 0, delay = 0, time = 0;
    if (FAILED(FServer->GetHintSettings(&alpha, &delay, &time))) return;
    FAlpha = alpha;
    FShowDelay = delay;
    FShowTime = time;
    // A negative delay schedules nothing.
    StartTimer(*Timer, FShowDelay);
  } catch (...) {
    // No picture then; the timer stays as it was.
  }
}

void TGUIDataModule::HideLinkHint() {
  FServer.Reset();
  Timer->SetEnabled(false);
  if (FHintForm) FHintForm->Hide();
  FShown = false;
}

void TGUIDataModule::MoveLinkHint(LONG x, LONG y) {
  FX = x;
  FY = y;
}

void TGUIDataModule::ShowAdvertising(HWND wnd, IUnknown* server) {
  FAdsWnd = wnd;
  if (!server) return;
  if (!com::QueryAs<IGUIServer>(server)) throw com::ComError(E_NOINTERFACE, L"Interface not supported");
  ShowAdsTimer->SetInterval(10);
  ShowAdsTimer->SetEnabled(true);
}

void TGUIDataModule::ShowAdsTimerTimer(forms::TComponent*) { ShowAdsTimer->SetEnabled(false); }

void TGUIDataModule::TimerTimer(forms::TComponent*) {
  Timer->SetEnabled(false);
  if (FShown) {
    // The show time has run out.
    HideLinkHint();
    return;
  }
  if (!FServer) return;
  bool shown = false;
  try {
    shown = ShowPicture();
  } catch (...) {
    // No picture: back to idle.
  }
  // One attempt per ShowLinkHint.
  FServer.Reset();
  if (!shown) return;
  FShown = true;
  // A negative show time leaves the picture until HideLinkHint.
  StartTimer(*Timer, FShowTime);
}

bool TGUIDataModule::ShowPicture() {
  forms::TBitmap picture;
  if (!GetLinkPicture(FServer.Get(), FURL, -1, false, picture) || picture.Empty()) return false;
  if (FAlpha > 255) return false;  // out of range: nothing is shown
  THintForm& form = *FHintForm;
  form.SetAlphaBlend(FAlpha >= 0);
  if (FAlpha >= 0) form.SetAlphaBlendValue(static_cast<int>(FAlpha));
  form.HintImage->SetPicture(picture);
  // Off and on again: the window takes the picture's size plus its frame.
  form.SetAutoSize(false);
  form.SetAutoSize(true);
  const SIZE size{form.Width(), form.Height()};
  const POINT at = HintWindowPosition(POINT{FX, FY}, size, VirtualDesktop());
  form.SetBounds(at.x, at.y, size.cx, size.cy);
  form.Show();
  return true;
}

}  // namespace vorn
