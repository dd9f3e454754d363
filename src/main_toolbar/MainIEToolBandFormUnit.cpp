#include "main_toolbar/MainIEToolBandFormUnit.h"

#include "bho_gui/HintFormUnit.h"
#include "bho_gui/VornBHOGUIUnit.h"
#include "page_utils/IEFuncs.h"
#include "main_toolbar/PrivacyUtils.h"
#include "page_utils/OffUtilsFuncUnit.h"
#include "platform/browser/WebBrowserEvents.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComError.h"
#include "platform/com/Variant.h"
#include "platform/forms/TApplication.h"
#include "platform/forms/TCanvas.h"
#include "platform/forms/TMenuItem.h"
#include "platform/forms/TScreen.h"
#include "platform/forms/LayoutBuilder.h"
#include "platform/forms/WindowClassRegistry.h"
#include "platform/win/Window.h"
#include "type_library/ResourceStrings.h"

namespace vorn {

using forms::Bind;
using forms::TAction;
using forms::TComponent;

const TMainIEToolBandForm::Toggle TMainIEToolBandForm::kHighlight = {
    &TStowlyBHO::HighlightEnabled, &TServerWrapper::SetHighlightEnabled, L"Disable highlighting",
    L"Enable highlighting"};
const TMainIEToolBandForm::Toggle TMainIEToolBandForm::kPopupKiller = {
    &TStowlyBHO::PopupKillerEnabled, &TServerWrapper::SetPopupKillerEnabled, L"Show popups", L"Kill popups"};
const TMainIEToolBandForm::Toggle TMainIEToolBandForm::kBannerKiller = {
    &TStowlyBHO::BannerKillerEnabled, &TServerWrapper::SetBannerKillerEnabled, L"Show banners", L"Kill banners"};
const TMainIEToolBandForm::Toggle TMainIEToolBandForm::kLinkHint = {
    &TStowlyBHO::LinkHintEnabled, &TServerWrapper::SetLinkHintEnabled, L"Don't show link's hint",
    L"Show link's hint"};

TMainIEToolBandForm::TMainIEToolBandForm(TIEBand* band) : TStowlyIEToolBandForm(band) {}

TMainIEToolBandForm::~TMainIEToolBandForm() = default;

TIEBandForm* TMainIEToolBandForm::CreateForBand(TIEBand* band) {
  return TIEBandForm::CreateForBand<TMainIEToolBandForm>(band);
}

// ------------------------------------------------------------------ building

void TMainIEToolBandForm::BuildLayout() {
  const forms::THandlerTable handlers = {
      {L"DocumentActionUpdate", Bind(this, &TMainIEToolBandForm::DocumentActionUpdate)},
      {L"ServerActionUpdate", Bind(this, &TMainIEToolBandForm::ServerActionUpdate)},
      {L"ArchiveDocumentActionUpdate", Bind(this, &TMainIEToolBandForm::ArchiveDocumentActionUpdate)},
      {L"RatingActionUpdate", Bind(this, &TMainIEToolBandForm::RatingActionUpdate)},
      {L"TalkerActionUpdate", Bind(this, &TMainIEToolBandForm::TalkerActionUpdate)},
      {L"HighlightAllowActionUpdate", Bind(this, &TMainIEToolBandForm::HighlightAllowActionUpdate)},
      {L"HighlightAllowActionExecute", Bind(this, &TMainIEToolBandForm::HighlightAllowActionExecute)},
      {L"PopupKillerAllowActionUpdate", Bind(this, &TMainIEToolBandForm::PopupKillerAllowActionUpdate)},
      {L"PopupKillerAllowActionExecute", Bind(this, &TMainIEToolBandForm::PopupKillerAllowActionExecute)},
      {L"BannerKillerAllowActionUpdate", Bind(this, &TMainIEToolBandForm::BannerKillerAllowActionUpdate)},
      {L"BannerKillerAllowActionExecute", Bind(this, &TMainIEToolBandForm::BannerKillerAllowActionExecute)},
      {L"LinkHintAllowActionUpdate", Bind(this, &TMainIEToolBandForm::LinkHintAllowActionUpdate)},
      {L"LinkHintAllowActionExecute", Bind(this, &TMainIEToolBandForm::LinkHintAllowActionExecute)},
      {L"BHOAllowActionUpdate", Bind(this, &TMainIEToolBandForm::BHOAllowActionUpdate)},
      {L"BHOAllowActionExecute", Bind(this, &TMainIEToolBandForm::BHOAllowActionExecute)},
      {L"ShowPicturesActionUpdate", Bind(this, &TMainIEToolBandForm::ShowPicturesActionUpdate)},
      {L"ShowPicturesActionExecute", Bind(this, &TMainIEToolBandForm::ShowPicturesActionExecute)},
      {L"PopupKillerSettingsActionExecute", Bind(this, &TMainIEToolBandForm::PopupKillerSettingsActionExecute)},
      {L"SettingsActionExecute", Bind(this, &TMainIEToolBandForm::SettingsActionExecute)},
      {L"CaptureScreenActionExecute", Bind(this, &TMainIEToolBandForm::CaptureScreenActionExecute)},
      {L"DomainLinksActionUpdate", Bind(this, &TMainIEToolBandForm::DomainLinksActionUpdate)},
      {L"DomainLinksActionExecute", Bind(this, &TMainIEToolBandForm::DomainLinksActionExecute)},
      {L"RatingActionExecute", Bind(this, &TMainIEToolBandForm::RatingActionExecute)},
      {L"TranslationsActionExecute", Bind(this, &TMainIEToolBandForm::TranslationsActionExecute)},
      {L"PrivacyActionExecute", Bind(this, &TMainIEToolBandForm::PrivacyActionExecute)},
      {L"ClearCookiesActionExecute", Bind(this, &TMainIEToolBandForm::ClearCookiesActionExecute)},
      {L"ClearCacheFilesActionExecute", Bind(this, &TMainIEToolBandForm::ClearCacheFilesActionExecute)},
      {L"ClearHistoryActionExecute", Bind(this, &TMainIEToolBandForm::ClearHistoryActionExecute)},
      {L"ClearTypedURLsActionExecute", Bind(this, &TMainIEToolBandForm::ClearTypedURLsActionExecute)},
      {L"ClearRecentActionExecute", Bind(this, &TMainIEToolBandForm::ClearRecentActionExecute)},
      {L"ClearAllActionExecute", Bind(this, &TMainIEToolBandForm::ClearAllActionExecute)},
      {L"SpeakActionExecute", Bind(this, &TMainIEToolBandForm::SpeakActionExecute)},
      {L"StopSpeakingActionExecute", Bind(this, &TMainIEToolBandForm::StopSpeakingActionExecute)},
      {L"BtnMouseMove", Bind(this, &TMainIEToolBandForm::BtnMouseMove)},
      {L"CardLabelMouseMove", Bind(this, &TMainIEToolBandForm::CardLabelMouseMove)},
      {L"CardLabelClick", Bind(this, &TMainIEToolBandForm::CardLabelClick)},
      {L"RatingLabelClick", Bind(this, &TMainIEToolBandForm::RatingLabelClick)},
      {L"CommentsLabelClick", Bind(this, &TMainIEToolBandForm::CommentsLabelClick)},
  };
  forms::BuildLayout(*this, MainIEToolBandFormLayout(), handlers);
  FindComponents();
  // The pictures travel with the module; without them the buttons stay blank
  // but work, so a missing picture does not cost the form.
  try {
    ImageList->LoadStrip(forms::detail::ModuleInstance(), L"MainToolbar");
    HotImageList->LoadStrip(forms::detail::ModuleInstance(), L"MainToolbarHot");
  } catch (const forms::EInvalidGraphic&) {
  }
}

void TMainIEToolBandForm::FindComponents() {
  using namespace forms;
  Image1 = forms::LayoutComponent<TImage>(*this, L"Image1");
  ToolBar1 = forms::LayoutComponent<TToolBar>(*this, L"ToolBar1");
  BHOAllowBtn = forms::LayoutComponent<TToolButton>(*this, L"BHOAllowBtn");
  AddUrlToCurrBtn = forms::LayoutComponent<TToolButton>(*this, L"AddUrlToCurrBtn");
  BannerKillerBtn = forms::LayoutComponent<TToolButton>(*this, L"BannerKillerBtn");
  PopuKillerAllowBtn = forms::LayoutComponent<TToolButton>(*this, L"PopuKillerAllowBtn");
  HighlightAllowBtn = forms::LayoutComponent<TToolButton>(*this, L"HighlightAllowBtn");
  LinkHintBtn = forms::LayoutComponent<TToolButton>(*this, L"LinkHintBtn");
  SettingsBtn = forms::LayoutComponent<TToolButton>(*this, L"SettingsBtn");
  SearchLinkBtn = forms::LayoutComponent<TToolButton>(*this, L"SearchLinkBtn");
  CaptureScreenBtn = forms::LayoutComponent<TToolButton>(*this, L"CaptureScreenBtn");
  SavePageBtn = forms::LayoutComponent<TToolButton>(*this, L"SavePageBtn");
  OpenInternalBtn = forms::LayoutComponent<TToolButton>(*this, L"OpenInternalBtn");
  VersionDlgBtn = forms::LayoutComponent<TToolButton>(*this, L"VersionDlgBtn");
  ShowPicturesBtn = forms::LayoutComponent<TToolButton>(*this, L"ShowPicturesBtn");
  ToolButton1 = forms::LayoutComponent<TToolButton>(*this, L"ToolButton1");
  ToolButton2 = forms::LayoutComponent<TToolButton>(*this, L"ToolButton2");
  ToolButton3 = forms::LayoutComponent<TToolButton>(*this, L"ToolButton3");
  TranslationBtn = forms::LayoutComponent<TToolButton>(*this, L"TranslationBtn");
  InfoToolBar = forms::LayoutComponent<TToolBar>(*this, L"InfoToolBar");
  RatingPanel = forms::LayoutComponent<TPanel>(*this, L"RatingPanel");
  CardPanel = forms::LayoutComponent<TPanel>(*this, L"CardPanel");
  CommentMainPanel = forms::LayoutComponent<TPanel>(*this, L"CommentMainPanel");
  RatingLabel = forms::LayoutComponent<TStaticText>(*this, L"RatingLabel");
  CardLabel = forms::LayoutComponent<TStaticText>(*this, L"CardLabel");
  CommentsLabel = forms::LayoutComponent<TStaticText>(*this, L"CommentsLabel");
  ToolBar2 = forms::LayoutComponent<TToolBar>(*this, L"ToolBar2");
  DomainLinksBtn = forms::LayoutComponent<TToolButton>(*this, L"DomainLinksBtn");
  ImageList = forms::LayoutComponent<TImageList>(*this, L"ImageList");
  HotImageList = forms::LayoutComponent<TImageList>(*this, L"HotImageList");
  RatingsImageList = forms::LayoutComponent<TImageList>(*this, L"RatingsImageList");
  ActionList = forms::LayoutComponent<TActionList>(*this, L"ActionList");
  AddUrlToCurrAction = forms::LayoutComponent<TAction>(*this, L"AddUrlToCurrAction");
  AddUrlWithDlgAction = forms::LayoutComponent<TAction>(*this, L"AddUrlWithDlgAction");
  HighlightAllowAction = forms::LayoutComponent<TAction>(*this, L"HighlightAllowAction");
  PopupKillerAllowAction = forms::LayoutComponent<TAction>(*this, L"PopupKillerAllowAction");
  PopupKillerSettingsAction = forms::LayoutComponent<TAction>(*this, L"PopupKillerSettingsAction");
  SearchLinkAction = forms::LayoutComponent<TAction>(*this, L"SearchLinkAction");
  SavePageAction = forms::LayoutComponent<TAction>(*this, L"SavePageAction");
  DocumentPropertyAction = forms::LayoutComponent<TAction>(*this, L"DocumentPropertyAction");
  BHOAllowAction = forms::LayoutComponent<TAction>(*this, L"BHOAllowAction");
  SettingsAction = forms::LayoutComponent<TAction>(*this, L"SettingsAction");
  VersionDialogAction = forms::LayoutComponent<TAction>(*this, L"VersionDialogAction");
  DomainLinksAction = forms::LayoutComponent<TAction>(*this, L"DomainLinksAction");
  BannerKillerAllowAction = forms::LayoutComponent<TAction>(*this, L"BannerKillerAllowAction");
  LinkHintAllowAction = forms::LayoutComponent<TAction>(*this, L"LinkHintAllowAction");
  RatingAction = forms::LayoutComponent<TAction>(*this, L"RatingAction");
  CaptureScreenAction = forms::LayoutComponent<TAction>(*this, L"CaptureScreenAction");
  OpenInternalAction = forms::LayoutComponent<TAction>(*this, L"OpenInternalAction");
  ShowPicturesAction = forms::LayoutComponent<TAction>(*this, L"ShowPicturesAction");
  TranslationsAction = forms::LayoutComponent<TAction>(*this, L"TranslationsAction");
  PrivacyAction = forms::LayoutComponent<TAction>(*this, L"PrivacyAction");
  ClearCookiesAction = forms::LayoutComponent<TAction>(*this, L"ClearCookiesAction");
  ClearCacheFilesAction = forms::LayoutComponent<TAction>(*this, L"ClearCacheFilesAction");
  ClearHistoryAction = forms::LayoutComponent<TAction>(*this, L"ClearHistoryAction");
  ClearTypedURLsAction = forms::LayoutComponent<TAction>(*this, L"ClearTypedURLsAction");
  ClearRecentAction = forms::LayoutComponent<TAction>(*this, L"ClearRecentAction");
  ClearAllAction = forms::LayoutComponent<TAction>(*this, L"ClearAllAction");
  SpeakAction = forms::LayoutComponent<TAction>(*this, L"SpeakAction");
  StopSpeakingAction = forms::LayoutComponent<TAction>(*this, L"StopSpeakingAction");
  PrivacyPopupMenu = forms::LayoutComponent<TPopupMenu>(*this, L"PrivacyPopupMenu");
  SpeakPopupMenu = forms::LayoutComponent<TPopupMenu>(*this, L"SpeakPopupMenu");
  TranslateMenu = forms::LayoutComponent<TPopupMenu>(*this, L"TranslateMenu");
}

// ------------------------------------------------------------------ life

void TMainIEToolBandForm::FormCreate() {
  FTalker.Reset();
  CreateTalker();
  Image1->Hide();

  FDM.reset(new TToolbarDM(nullptr));
  FDM->SpyHintTimer->SetOnTimer([this](TComponent* sender) { SpyHintTimerTimer(sender); });
  FDM->CommonHintTimer->SetOnTimer([this](TComponent* sender) { CommonHintTimerTimer(sender); });
  FDM->CardHintTimer->SetOnTimer([this](TComponent* sender) { CardHintTimerTimer(sender); });

  FDomainLinksMenu = new forms::TPopupMenu(this);
  FDomainLinksMenu->SetOwnerDraw(true);
  FRatingsMenu = new forms::TPopupMenu(this);
  FRatingsMenu->SetOwnerDraw(true);

  FHintControl = nullptr;
  FBtnHint.reset(new TBtnHintForm(nullptr));
  FCardHintShown = false;
  FCardHint.Reset();
  FSettings = std::make_unique<TStowlyBHO>();

  for (forms::TPanel* panel : {RatingPanel, CardPanel, CommentMainPanel}) {
    panel->SetVisible(true);
    panel->SetAutoSize(true);
  }

  for (TAction* action : {BHOAllowAction, PopupKillerAllowAction, HighlightAllowAction, CaptureScreenAction,
                          ShowPicturesAction})
    action->SetVisible(true);
  BuildTranslateMenu();
  for (TAction* action : {TranslationsAction, PrivacyAction, SpeakAction, StopSpeakingAction})
    action->SetVisible(true);
  SettingsBtn->SetAction(PopupKillerSettingsAction);
  PopupKillerSettingsAction->SetVisible(true);
  for (TAction* action : {DomainLinksAction, BannerKillerAllowAction, LinkHintAllowAction}) action->SetVisible(true);

  FColor2Text = forms::clBlack;
  FColor2Back = forms::clWhite;
  FColor1Text = forms::clBlack;
  FColor1Back = forms::clWhite;

  FBrowserSink = TBaseEventHandler::Create<TWebBrowserEventHandler>();
  FBrowserSink->SetBeforeNavigate2(&TMainIEToolBandForm::BrowserBeforeNavigate2, this);
  FBrowserSink->SetNavigateComplete2(&TMainIEToolBandForm::BrowserNavigateComplete2, this);
  FBrowserSink->SetDocumentComplete(&TMainIEToolBandForm::BrowserDocumentComplete, this);
  FBrowserSink->SetQuit(&TMainIEToolBandForm::BrowserQuit, this);
  // The browser takes a sink that answers only IDispatch; a form without a
  // browser (or a browser without events) simply hears no navigation.
  FBrowserSink->Connect(Band() ? Band()->WebBrowser() : nullptr, DIID_DWebBrowserEvents2, /*setIID=*/false);

  // The switch is read only when connected.
  SetActive(WrapperConnected() && FSettings->Enabled());
}

void TMainIEToolBandForm::FormDestroy() {
  forms::Free(FRatingsMenu);
  FRatingsMenu = nullptr;
  forms::Free(FDomainLinksMenu);
  FDomainLinksMenu = nullptr;
  FBtnHint.reset();
  if (FBrowserSink) {
    FBrowserSink->Disconnect();
    FBrowserSink.Reset();
  }
  FSettings.reset();
  FDM.reset();
  // What this form had spoken stops with it; a failing component does not keep the form alive.
  if (FTalker) {
    try {
      com::Check(FTalker->Stop(TalkerWindow(HandleAllocated() ? Handle() : nullptr)), L"ITalker::Stop");
    } catch (const com::ComError&) {
    }
  }
  FTalker.Reset();
}

void TMainIEToolBandForm::WndProc(forms::TMessage& message) {
  if (message.Msg == kUpdateActionsMessage) {
    if (ActionList) ActionList->UpdateActions();
    message.Result = 0;
    return;
  }
  TStowlyIEToolBandForm::WndProc(message);
}

void TMainIEToolBandForm::PostUpdateActions() {
  // Posted, so that the update runs once the event under way has returned.
  win::PostMessageW(Handle(), kUpdateActionsMessage, 0, 0);
}

// ------------------------------------------------------------------ state

bool TMainIEToolBandForm::HasDocument() const { return !FURL.empty() && FURL != L"about:blank"; }

bool TMainIEToolBandForm::WrapperConnected() const { return Wrapper() && Wrapper()->IsConnected(); }

void TMainIEToolBandForm::SetActive(bool value) {
  FActive = value;
  if (value) SettingsChange(this);
  RefreshDocumentData();
}

std::wstring TMainIEToolBandForm::GetHintText(forms::TControl* control) {
  return control ? control->Hint() : std::wstring();
}

void TMainIEToolBandForm::ActivationChanged(bool active) {
  if (!active) return;
  BuildTranslateMenu();
  RefreshDocumentData();
  PostUpdateActions();
}

void TMainIEToolBandForm::ServerConnected(void*) { SetActive(FSettings && FSettings->Enabled()); }

void TMainIEToolBandForm::ServerDisconnected(void*) { SetActive(false); }

void TMainIEToolBandForm::SettingsChange(void*) {
  if (FActive) RefreshColors();
}

void TMainIEToolBandForm::FunctionalityChange(void*) { SetActive(FSettings && FSettings->Enabled()); }

// ------------------------------------------------------------------ document data

void TMainIEToolBandForm::RefreshDocumentData() {
  LONG id = -1, status = 0, rating = 0;
  std::wstring comments;
  if (FActive && Wrapper()) Wrapper()->GetDocumentData(FURL, id, comments, status, rating);
  SetDocID(id);
  SetDocInfo(comments, status, rating);
}

void TMainIEToolBandForm::SetDocID(LONG id) {
  FDocID = id;
  FDocInArchive = id >= 0;
  for (forms::TControl* label : {static_cast<forms::TControl*>(CommentsLabel), static_cast<forms::TControl*>(CardLabel),
                                 static_cast<forms::TControl*>(RatingLabel)})
    if (label) label->SetEnabled(FDocInArchive);
  PostUpdateActions();
}

void TMainIEToolBandForm::SetDocInfo(const std::wstring& comments, LONG status, LONG rating) {
  SetComments(comments);
  SetStatus(status);
  SetRating(rating);
}

void TMainIEToolBandForm::SetComments(const std::wstring& text) {
  FComments = text;
  if (!CommentsLabel) return;
  const bool any = !text.empty();
  CommentsLabel->SetHint(any ? text : L"No user comments");
  CommentsLabel->SetFontColor(any ? FColor2Text : FColor1Text);
  CommentsLabel->SetColor(any ? FColor2Back : FColor1Back);
}

void TMainIEToolBandForm::SetStatus(LONG status) {
  FStatus = static_cast<BYTE>(status & 0xFF);
  if (!CardLabel) return;
  switch (FStatus) {
    case 0: CardLabel->SetColor(forms::clWhite); break;
    case 1: CardLabel->SetColor(FColor1Back); break;
    case 2: CardLabel->SetColor(FColor2Back); break;
    default: break;  // an unknown status keeps the colour it has
  }
}

void TMainIEToolBandForm::SetRating(LONG rating) {
  FRating = rating;
  if (!RatingLabel) return;
  RatingLabel->SetCaption(L"  Rating: " + std::to_wstring(rating) + L"  ");
  OLE_COLOR text = 0, back = 0;
  if (FActive && Wrapper() && Wrapper()->GetRatingColors(rating, text, back)) {
    RatingLabel->SetFontColor(static_cast<forms::TColor>(text));
    RatingLabel->SetColor(static_cast<forms::TColor>(back));
  } else {
    RatingLabel->SetFontColor(forms::clBlack);
    RatingLabel->SetColor(forms::clWhite);
  }
}

void TMainIEToolBandForm::RefreshColors() {
  if (!FActive) return;
  OLE_COLOR text1 = FColor1Text, back1 = FColor1Back, text2 = FColor2Text, back2 = FColor2Back;
  if (Wrapper() && Wrapper()->GetCommentColors(text1, back1, text2, back2)) {
    FColor1Text = static_cast<forms::TColor>(text1);
    FColor1Back = static_cast<forms::TColor>(back1);
    FColor2Text = static_cast<forms::TColor>(text2);
    FColor2Back = static_cast<forms::TColor>(back2);
  }
  SetComments(FComments);
  SetStatus(FStatus);
  SetRating(FRating);
}

void TMainIEToolBandForm::DocumentDataChange(void*, LONG AID, bool APresent, const std::wstring& AComments,
                                             LONG AStatus, LONG ARating) {
  if (!FActive) return;
  // The page may just have been archived.
  if (FDocID == -1 && Wrapper()) SetDocID(Wrapper()->GetDocumentId(FURL));
  if (FDocID != AID) return;
  SetDocInfo(AComments, AStatus, ARating);
  // The document left the archive: its last data stays on the disabled labels.
  if (!APresent) SetDocID(-1);
}

// ------------------------------------------------------------------ hints

void TMainIEToolBandForm::HideBtnHint() {
  if (FDM) FDM->CommonHintTimer->SetEnabled(false);
  if (FBtnHint) FBtnHint->Hide();
}

void TMainIEToolBandForm::HideCardHint() {
  if (FDM) FDM->CardHintTimer->SetEnabled(false);
  if (FCardHint) {
    FCardHint->MouseOutLink();
    FCardHint.Reset();
  }
  FCardHintShown = false;
}

// A control's hint is shown at most once per entry of the pointer: the
// control stays remembered until the spy timer sees the pointer leave it.
void TMainIEToolBandForm::BtnMouseMove(TComponent* Sender, forms::TShiftState, int, int) {
  auto* control = dynamic_cast<forms::TControl*>(Sender);
  if (!control || control == FHintControl || !FDM) return;
  HideBtnHint();
  FHintControl = control;
  FHintShown = false;
  FDM->CommonHintTimer->SetInterval(forms::Application().HintPause());
  FDM->CommonHintTimer->SetEnabled(true);
  FDM->SpyHintTimer->SetEnabled(true);
}

void TMainIEToolBandForm::CommonHintTimerTimer(TComponent*) {
  forms::TTimer& timer = *FDM->CommonHintTimer;
  if (!timer.Enabled()) return;
  timer.SetEnabled(false);
  if (FHintShown || !FHintControl) {
    HideBtnHint();
    return;
  }
  TBtnHintForm& hint = *FBtnHint;
  forms::TLabel& label = *hint.HintLabel;
  label.SetCaption(GetHintText(FHintControl));
  hint.SetClientWidth(2 * label.Left() + label.Width());
  hint.SetClientHeight(2 * label.Top() + label.Height());
  POINT cursor{};
  win::GetCursorPos(&cursor);
  const SIZE size{hint.Width(), hint.Height()};
  const POINT at = HintWindowPosition(cursor, size, VirtualDesktop());
  hint.SetBounds(at.x, at.y, size.cx, size.cy);
  hint.Show();
  FHintShown = true;
  timer.SetInterval(forms::Application().HintHidePause());
  timer.SetEnabled(true);
}

// Whether the pointer is still over `control`: over its own window, or, for
// a control drawn on its parent, over the parent's window at a point where
// the parent's child (disabled and windowed ones included) is the control.
bool TMainIEToolBandForm::PointerOver(forms::TControl& control) {
  POINT cursor{};
  if (!win::GetCursorPos(&cursor)) return false;
  const HWND under = win::WindowFromPoint(cursor);
  if (auto* windowed = dynamic_cast<forms::TWinControl*>(&control))
    return windowed->HandleAllocated() && under == windowed->Handle();
  forms::TWinControl* parent = control.Parent();
  if (!parent || !parent->HandleAllocated() || under != parent->Handle()) return false;
  const POINT origin = parent->ClientOrigin();
  const POINT local{cursor.x - origin.x, cursor.y - origin.y};
  return parent->ControlAtPos(local, /*allowDisabled=*/true, /*allowWinControls=*/true) == &control;
}

void TMainIEToolBandForm::SpyHintTimerTimer(TComponent*) {
  forms::TTimer& spy = *FDM->SpyHintTimer;
  if (!spy.Enabled()) return;
  if (FHintControl && PointerOver(*FHintControl)) return;
  HideBtnHint();
  spy.SetEnabled(false);
  FHintControl = nullptr;
}

void TMainIEToolBandForm::CardLabelMouseMove(TComponent*, forms::TShiftState, int X, int Y) {
  com::ComPtr<IGUIServer> server = Wrapper() ? Wrapper()->GetServer() : nullptr;
  if (!server) {
    HideCardHint();
    return;
  }
  const POINT screen = CardLabel->ClientToScreen(POINT{X, Y});
  if (FCardHintShown) {
    if (FCardHint) FCardHint->MouseMove(screen.x, screen.y);
    return;
  }
  // A new card object for every showing.
  if (FAILED(CreateVornBHOGUI(IID_IVornBHOGUI, FCardHint.PutVoid())) || !FCardHint) return;
  server = Wrapper() ? Wrapper()->GetServer() : nullptr;
  if (!server) {
    FCardHint.Reset();
    return;
  }
  // Window handles cross the interface as 32-bit numbers.
  const LONG window = static_cast<LONG>(reinterpret_cast<LONG_PTR>(Handle()));
  com::Bstr url(FURL);
  FCardHint->MouseOverLink(window, screen.x, screen.y, url.Get(), server.Get());
  FCardHintShown = true;
  FDM->CardHintTimer->SetEnabled(true);
}

void TMainIEToolBandForm::CardHintTimerTimer(TComponent*) {
  POINT cursor{};
  bool stays = false;
  if (win::GetCursorPos(&cursor) && CardLabel->HandleAllocated() &&
      win::WindowFromPoint(cursor) == CardLabel->Handle()) {
    const POINT origin = CardPanel->ClientOrigin();
    const forms::TControl* child = CardPanel->ControlAtPos(POINT{cursor.x - origin.x, cursor.y - origin.y},
                                                           /*allowDisabled=*/true, /*allowWinControls=*/true);
    stays = child && child->Name() == L"CardLabel";
  }
  if (!stays) HideCardHint();
}

void TMainIEToolBandForm::RatingLabelClick(TComponent*) { RatingAction->Execute(); }

void TMainIEToolBandForm::CardLabelClick(TComponent*) {
  HideCardHint();
  DocumentPropertyAction->Execute();
}

void TMainIEToolBandForm::CommentsLabelClick(TComponent*) {
  HideBtnHint();
  if (Wrapper()) Wrapper()->ShowComments(FDocID);
}

// ------------------------------------------------------------------ browser events

void TMainIEToolBandForm::BrowserBeforeNavigate2(TWebBrowserEventHandler*, IDispatch*, VARIANT*, VARIANT*, VARIANT*,
                                                 VARIANT*, VARIANT*, VARIANT_BOOL*) {
  PostUpdateActions();
}

void TMainIEToolBandForm::BrowserNavigateComplete2(TWebBrowserEventHandler*, IDispatch* pDisp, VARIANT* URL) {
  // Only the top-level frame is the band's browser itself; a frame's own
  // navigation leaves the page's address alone.
  IWebBrowser2* browser = Band() ? Band()->WebBrowser() : nullptr;
  if (!browser || pDisp != static_cast<IDispatch*>(browser)) return;
  FURL = (URL && URL->vt == VT_BSTR && URL->bstrVal) ? std::wstring(URL->bstrVal) : std::wstring();
  RefreshDocumentData();
}

void TMainIEToolBandForm::BrowserDocumentComplete(TWebBrowserEventHandler*, IDispatch*, VARIANT*) {
  PostUpdateActions();
}

void TMainIEToolBandForm::BrowserQuit(TWebBrowserEventHandler* Sender) {
  if (Sender) Sender->Disconnect();
}

// ------------------------------------------------------------------ action updates

void TMainIEToolBandForm::DocumentActionUpdate(TComponent* Sender) {
  static_cast<TAction*>(Sender)->SetEnabled(FActive && HasDocument());
}

void TMainIEToolBandForm::ServerActionUpdate(TComponent* Sender) { static_cast<TAction*>(Sender)->SetEnabled(FActive); }

void TMainIEToolBandForm::ArchiveDocumentActionUpdate(TComponent* Sender) {
  static_cast<TAction*>(Sender)->SetEnabled(FActive && HasDocument() && FDocInArchive);
}

void TMainIEToolBandForm::RatingActionUpdate(TComponent* Sender) { ArchiveDocumentActionUpdate(Sender); }

void TMainIEToolBandForm::TalkerActionUpdate(TComponent* Sender) {
  static_cast<TAction*>(Sender)->SetEnabled(static_cast<bool>(FTalker));
}

void TMainIEToolBandForm::ToggleUpdate(TAction& action, const Toggle& toggle) {
  action.SetEnabled(FActive);
  // A disabled toggle keeps the state and hint it showed last.
  if (!action.Enabled() || !FSettings) return;
  action.SetChecked(((*FSettings).*toggle.setting)());
  action.SetHint(action.Checked() ? toggle.hintChecked : toggle.hintUnchecked);
}

void TMainIEToolBandForm::ToggleExecute(TAction& action, const Toggle& toggle) {
  HideBtnHint();
  if (!FSettings) return;
  // The application stores the switch; the form reads it back from the store.
  const bool on = ((*FSettings).*toggle.setting)();
  if (Wrapper()) (Wrapper()->*toggle.apply)(!on);
  ToggleUpdate(action, toggle);
}

void TMainIEToolBandForm::HighlightAllowActionUpdate(TComponent*) { ToggleUpdate(*HighlightAllowAction, kHighlight); }
void TMainIEToolBandForm::HighlightAllowActionExecute(TComponent*) {
  ToggleExecute(*HighlightAllowAction, kHighlight);
}
void TMainIEToolBandForm::PopupKillerAllowActionUpdate(TComponent*) {
  ToggleUpdate(*PopupKillerAllowAction, kPopupKiller);
}
void TMainIEToolBandForm::PopupKillerAllowActionExecute(TComponent*) {
  ToggleExecute(*PopupKillerAllowAction, kPopupKiller);
}
void TMainIEToolBandForm::BannerKillerAllowActionUpdate(TComponent*) {
  ToggleUpdate(*BannerKillerAllowAction, kBannerKiller);
}
void TMainIEToolBandForm::BannerKillerAllowActionExecute(TComponent*) {
  ToggleExecute(*BannerKillerAllowAction, kBannerKiller);
}
void TMainIEToolBandForm::LinkHintAllowActionUpdate(TComponent*) { ToggleUpdate(*LinkHintAllowAction, kLinkHint); }
void TMainIEToolBandForm::LinkHintAllowActionExecute(TComponent*) { ToggleExecute(*LinkHintAllowAction, kLinkHint); }

// The master switch stays usable while the filter is off: it follows the
// connection, not FActive.
void TMainIEToolBandForm::BHOAllowActionUpdate(TComponent*) {
  BHOAllowAction->SetEnabled(WrapperConnected());
  BHOAllowAction->SetChecked(FSettings && FSettings->Enabled());
  if (!BHOAllowAction->Enabled()) return;
  BHOAllowAction->SetHint(LoadResString(BHOAllowAction->Checked() ? kStrDisable : kStrEnable) + L" " +
                          LoadResString(kStrProductDisplayName));
}

// Not updated here: the next update message and the server's functionality
// change bring the button and FActive along.
void TMainIEToolBandForm::BHOAllowActionExecute(TComponent*) {
  HideBtnHint();
  if (Wrapper() && FSettings) Wrapper()->SetEnabled(!FSettings->Enabled());
}

// Works without the server; its enabled state is never touched.
void TMainIEToolBandForm::ShowPicturesActionUpdate(TComponent*) {
  const bool hidden = !(FSettings && FSettings->DisplayInlineImages());
  ShowPicturesAction->SetChecked(hidden);
  ShowPicturesAction->SetHint(hidden ? L"Show pictures" : L"Don't show pictures");
}

void TMainIEToolBandForm::ShowPicturesActionExecute(TComponent*) {
  HideBtnHint();
  if (!FSettings) return;
  FSettings->SetDisplayInlineImages(!FSettings->DisplayInlineImages());
  ShowPicturesActionUpdate(ShowPicturesAction);
}

void TMainIEToolBandForm::DomainLinksActionUpdate(TComponent*) {
  DomainLinksAction->SetEnabled(FActive && HasDocument() && Wrapper() && Wrapper()->HasDomainLinks(FURL));
}

// ------------------------------------------------------------------ action executions

void TMainIEToolBandForm::PopupKillerSettingsActionExecute(TComponent*) {
  if (Wrapper() && Band()) Wrapper()->ShowPopupKillerSettings(Band()->WebBrowser());
}

void TMainIEToolBandForm::SettingsActionExecute(TComponent*) {
  HideBtnHint();
  if (Wrapper()) Wrapper()->ShowSettings();
}

void TMainIEToolBandForm::CaptureScreenActionExecute(TComponent*) {
  HideBtnHint();
  if (Wrapper() && Band()) Wrapper()->CaptureScreenShot(Band()->WebBrowser(), /*rewriteIfExists=*/true);
}

void TMainIEToolBandForm::TranslationsActionExecute(TComponent*) {
  HideBtnHint();
  if (Wrapper()) Wrapper()->ShowTranslationSettings();
}

void TMainIEToolBandForm::PrivacyActionExecute(TComponent*) { ClearAllAction->Execute(); }

// ------------------------------------------------------------------ menus

// One picture per rating, as wide and high as the rating label: a frame, the
// rating's colours inset by 2 pixels, and the number centred.
forms::TBitmap TMainIEToolBandForm::RatingPicture(LONG rating, int width, int height) {
  forms::TColor text = forms::clWindowText, back = forms::clWindow;
  OLE_COLOR textColor = 0, backColor = 0;
  if (Wrapper() && Wrapper()->GetRatingColors(rating, textColor, backColor)) {
    text = static_cast<forms::TColor>(textColor);
    back = static_cast<forms::TColor>(backColor);
  }
  forms::TBitmap picture(width, height);
  forms::TCanvas canvas(picture);
  const RECT whole{0, 0, width, height};
  canvas.Brush.Color = forms::clWindow;
  canvas.FillRect(whole);
  canvas.Brush.Color = forms::clWindowText;
  canvas.FrameRect(whole);
  const RECT inner{2, 2, width - 2, height - 2};
  canvas.Brush.Color = back;
  canvas.Pen.Color = text;
  canvas.Rectangle(inner);
  const std::wstring number = std::to_wstring(rating);
  canvas.Font = Font();
  canvas.Font.Color = text;
  canvas.Brush.Style = forms::bsClear;
  const forms::TTextSize extent = canvas.TextExtent(number);
  canvas.TextRect(inner, inner.left + (inner.right - inner.left - extent.cx) / 2,
                  inner.top + (inner.bottom - inner.top - extent.cy) / 2, number);
  return picture;
}

void TMainIEToolBandForm::RatingActionExecute(TComponent*) {
  HideBtnHint();
  const LONG count = Wrapper() ? Wrapper()->GetRatingCount() : 0;
  if (count <= 0) return;
  const int width = RatingLabel->Width(), height = RatingLabel->Height();
  FRatingsMenu->Items()->Clear();
  RatingsImageList->Clear();
  RatingsImageList->SetSize(width, height);
  FRatingsMenu->SetImages(RatingsImageList);
  for (LONG rating = 0; rating < count; ++rating) {
    auto* item = new forms::TMenuItem(FRatingsMenu);
    item->SetTag(rating);
    item->SetImageIndex(static_cast<int>(rating));
    item->OnClick = [this](TComponent* sender) { RatingItemClick(sender); };
    item->OnMeasureItem = [this](TComponent*, forms::TCanvas*, int& itemWidth, int&) {
      itemWidth = RatingsImageList->Width() - 10;
    };
    RatingsImageList->Add(RatingPicture(rating, width, height));
    FRatingsMenu->Items()->Add(item);
  }
  const POINT at = RatingLabel->ClientToScreen(POINT{0, height});
  FRatingsMenu->Popup(at.x, at.y + 2);
}

void TMainIEToolBandForm::RatingItemClick(TComponent* Sender) {
  if (!Wrapper()) return;
  Wrapper()->SetDocumentRating(FDocID, static_cast<LONG>(Sender->Tag()));
  RefreshDocumentData();
}

void TMainIEToolBandForm::DomainLinksActionExecute(TComponent*) {
  HideBtnHint();
  std::vector<LONG> links;
  if (Wrapper()) Wrapper()->GetDomainLinks(FURL, links);
  if (links.empty()) return;
  FDomainLinksMenu->Items()->Clear();
  for (LONG link : links) {
    auto* item = new forms::TMenuItem(FDomainLinksMenu);
    item->SetTag(link);
    item->OnClick = [this](TComponent* sender) { DomainLinkClick(sender); };
    item->OnMeasureItem = [this](TComponent* sender, forms::TCanvas*, int& width, int& height) {
      forms::TBitmap picture;
      const com::ComPtr<IGUIServer> server = Wrapper() ? Wrapper()->GetServer() : nullptr;
      if (!GetLinkPicture(server.Get(), L"", static_cast<LONG>(sender->Tag()), true, picture) || picture.Empty())
        return;
      width = picture.Width() - 8;
      height = picture.Height() + 2;
    };
    item->OnDrawItem = [](TComponent* sender, forms::TCanvas* canvas, RECT rect, bool selected) {
      forms::TBitmap picture;
      // Without a server the helper finds the running one itself.
      if (!canvas || !GetLinkPicture(nullptr, L"", static_cast<LONG>(sender->Tag()), true, picture) ||
          picture.Empty())
        return;
      canvas->Brush.Color = selected ? forms::clHighlight : forms::clBtnFace;
      canvas->FrameRect(rect);
      canvas->Draw(rect.left + 2, rect.top + 1, picture);
    };
    FDomainLinksMenu->Items()->Add(item);
  }
  POINT cursor{};
  win::GetCursorPos(&cursor);
  FDomainLinksMenu->Popup(cursor.x, cursor.y);
}

void TMainIEToolBandForm::DomainLinkClick(TComponent* Sender) {
  std::wstring url;
  if (Wrapper()) Wrapper()->GetLinkUrl(static_cast<LONG>(Sender->Tag()), url);
  IWebBrowser2* browser = Band() ? Band()->WebBrowser() : nullptr;
  if (url.empty() || !browser) return;
  com::Variant address(url);
  browser->Navigate2(address.Ptr(), nullptr, nullptr, nullptr, nullptr);
}

// ------------------------------------------------------------------ privacy

// Each step shows the hourglass while it runs; an error ends the step (and
// "Clear All" with it) after the cursor is back.
void TMainIEToolBandForm::ClearCookiesActionExecute(TComponent*) {
  forms::THourGlass busy;
  ClearCookies();
}
void TMainIEToolBandForm::ClearCacheFilesActionExecute(TComponent*) {
  forms::THourGlass busy;
  ClearCacheFiles();
}
void TMainIEToolBandForm::ClearHistoryActionExecute(TComponent*) {
  forms::THourGlass busy;
  ClearHistory();
}
void TMainIEToolBandForm::ClearTypedURLsActionExecute(TComponent*) {
  forms::THourGlass busy;
  ClearTypedURLs();
}
void TMainIEToolBandForm::ClearRecentActionExecute(TComponent*) {
  forms::THourGlass busy;
  ClearRecent();
}

// Not in the menu's order: the cached files go first.
void TMainIEToolBandForm::ClearAllActionExecute(TComponent*) {
  for (TAction* step : {ClearCacheFilesAction, ClearCookiesAction, ClearHistoryAction, ClearTypedURLsAction,
                        ClearRecentAction})
    step->Execute();
}

// ------------------------------------------------------------------ speech

// The page's selection, read aloud; an empty selection is passed on as it is.
// Speaking goes on in the component while the person keeps working.
void TMainIEToolBandForm::SpeakActionExecute(TComponent*) {
  if (!FTalker) return;
  com::ComPtr<IDispatch> document;
  if (IWebBrowser2* browser = Band() ? Band()->WebBrowser() : nullptr)
    com::Check(browser->get_Document(document.ReleaseAndGetAddressOf()), L"IWebBrowser2::get_Document");
  std::wstring text;
  GetSelectionText(document.Get(), text);
  com::Check(FTalker->Speak(TalkerWindow(Handle()), com::Bstr(text).Get()), L"ITalker::Speak");
}

void TMainIEToolBandForm::StopSpeakingActionExecute(TComponent*) {
  if (FTalker) com::Check(FTalker->Stop(0), L"ITalker::Stop");
}

// Once, at creation: a machine without the component has no speech, and is not told.
void TMainIEToolBandForm::CreateTalker() {
  try {
    FTalker = CoTalker::Create();
  } catch (const std::exception&) {
    FTalker.Reset();
    return;
  }
  // A component failing while it lists its voices leaves the menu as far as it got;
  // the rest of the form is still made.
  try {
    LONG count = 0;
    com::Check(FTalker->GetVoiceCount(&count), L"ITalker::GetVoiceCount");
    for (LONG i = 0; i < count; ++i) {
      com::Bstr name;
      com::Check(FTalker->GetVoiceName(i, name.Receive()), L"ITalker::GetVoiceName");
      auto* item = new forms::TMenuItem(this);
      item->SetCaption(name.str());
      item->SetTag(i);
      item->OnClick = [this](TComponent* sender) { VoiceClick(sender); };
      SpeakPopupMenu->Items()->Add(item);
    }
  } catch (const com::ComError&) {
  }
}

// Choosing a voice also speaks the selection with it.
void TMainIEToolBandForm::VoiceClick(TComponent* Sender) {
  if (Sender->Tag() < 0 || !FTalker) return;
  com::Check(FTalker->SelectVoice(static_cast<LONG>(Sender->Tag())), L"ITalker::SelectVoice");
  SpeakAction->Execute();
}

// ------------------------------------------------------------------ translations

// The application's translations, in its order; an entry without a caption
// or a key is left out. Without a server the menu ends up empty.
void TMainIEToolBandForm::BuildTranslateMenu() {
  if (!TranslateMenu) return;
  const LONG count = Wrapper() ? Wrapper()->GetTranslationCount() : 0;
  TranslateMenu->Items()->Clear();
  for (LONG i = 0; i < count; ++i) {
    std::wstring caption, key;
    if (Wrapper()) Wrapper()->GetTranslation(i, caption, key);
    if (caption.empty() || key.empty()) continue;
    auto* item = new forms::TMenuItem(TranslateMenu);
    item->SetCaption(caption);
    // The key is kept in the item's hint, which this form never shows.
    item->SetHint(key);
    item->OnClick = [this](TComponent* sender) { TranslationClick(sender); };
    TranslateMenu->Items()->Add(item);
  }
}

// The page, translated: the address the application gives for it and the key.
void TMainIEToolBandForm::TranslationClick(TComponent* Sender) {
  auto* item = dynamic_cast<forms::TMenuItem*>(Sender);
  IWebBrowser2* browser = Band() ? Band()->WebBrowser() : nullptr;
  if (!item || !browser || !Wrapper()) return;
  std::wstring url;
  Wrapper()->GetTranslationUrl(FURL, item->Hint(), url);
  // No address (the server went, or has none): the page stays.
  if (url.empty()) return;
  com::Variant empty;
  browser->Navigate(com::Bstr(url).Get(), empty.Ptr(), empty.Ptr(), empty.Ptr(), empty.Ptr());
}

}  // namespace vorn
