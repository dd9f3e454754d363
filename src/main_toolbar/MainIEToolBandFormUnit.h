// The form of the main toolbar band: one row of flat buttons bound to the
// actions of its action list, the information strip about the page shown,
// and a "Domain links" button.
//
// What every action shows (enabled, checked, hint) is recomputed from a few
// state values whenever the form posts itself kUpdateActionsMessage, so that
// the row mirrors the connection to the archive application, the page in the
// browser and the stored switches. The message is posted, never sent: the
// update runs after the event that caused it has returned.
//
// States: inactive (no server, or its master switch off: every server-backed
// action disabled), active, and within active the document-dependent actions
// follow the top-level page (FURL) and its archive ID (FDocID).
#pragma once

#include <memory>
#include <string>

#include "main_toolbar/BtnHintFormUnit.h"
#include "main_toolbar/ToolbarDMUnit.h"
#include "platform/com/ComPtr.h"
#include "platform/forms/FormLayout.h"
#include "platform/forms/TAction.h"
#include "platform/forms/TActionList.h"
#include "platform/forms/TImage.h"
#include "platform/forms/TImageList.h"
#include "platform/forms/TPanel.h"
#include "platform/forms/TPopupMenu.h"
#include "platform/forms/TStaticText.h"
#include "platform/forms/TToolBar.h"
#include "platform/speech/ZRTTS_TLB.h"
#include "platform/forms/TToolButton.h"
#include "server_link/BHOMngUnit.h"
#include "server_link/ServerWrapperUnit.h"
#include "server_link/SinkUnit.h"
#include "type_library/VornIEGUI_TLB.h"

namespace vorn {

// Posted by a main toolbar form to itself: update every action, in list order.
constexpr UINT kUpdateActionsMessage = WM_USER + 1;

using TBrowserSinkPtr = com::ComPtr<TWebBrowserEventHandler>;

// The form description: every component with its caption, hint, image,
// size and style, and the names of the handlers its events call.
const forms::FormLayout& MainIEToolBandFormLayout();

class TMainIEToolBandForm : public TStowlyIEToolBandForm {
 public:
  explicit TMainIEToolBandForm(TIEBand* band);
  ~TMainIEToolBandForm() override;

  // What the main toolbar band creates.
  static TIEBandForm* CreateForBand(TIEBand* band);

  // TIEBandForm
  std::wstring GetHintText(forms::TControl* control) override;
  void ActivationChanged(bool active) override;
  // TStowlyIEToolBandForm
  void ServerConnected(void* sender) override;
  void ServerDisconnected(void* sender) override;
  void DocumentDataChange(void* sender, LONG AID, bool APresent, const std::wstring& AComments, LONG AStatus,
                          LONG ARating) override;
  void SettingsChange(void* sender) override;
  void FunctionalityChange(void* sender) override;

  // Posts kUpdateActionsMessage to the form's own window.
  void PostUpdateActions();
  // FActive := value; on true the label colours are refreshed; then the document data.
  void SetActive(bool value);
  // FURL is a page: neither empty nor "about:blank".
  bool HasDocument() const;

  // The information strip: the page's archive data and its colours.
  void RefreshDocumentData();
  void SetDocID(LONG id);
  void SetDocInfo(const std::wstring& comments, LONG status, LONG rating);
  void SetComments(const std::wstring& text);
  void SetStatus(LONG status);
  void SetRating(LONG rating);
  void RefreshColors();
  // Hides the button hint window; the control it was for stays remembered.
  void HideBtnHint();
  // Ends the info card's showing.
  void HideCardHint();

  // Read-only views of the state, for the band's hosts and tests.
  bool Active() const { return FActive; }
  const std::wstring& URL() const { return FURL; }
  LONG DocID() const { return FDocID; }
  bool DocInArchive() const { return FDocInArchive; }
  BYTE Status() const { return FStatus; }
  LONG Rating() const { return FRating; }
  TToolbarDM* DM() const { return FDM.get(); }
  TBtnHintForm* BtnHint() const { return FBtnHint.get(); }
  forms::TPopupMenu* DomainLinksMenu() const { return FDomainLinksMenu; }
  IVornBHOGUI* CardHint() const { return FCardHint.Get(); }
  forms::TControl* HintControl() const { return FHintControl; }
  forms::TPopupMenu* RatingsMenu() const { return FRatingsMenu; }

  // Components of the form description.
  forms::TImage* Image1 = nullptr;
  forms::TToolBar* ToolBar1 = nullptr;
  forms::TToolButton *BHOAllowBtn = nullptr, *AddUrlToCurrBtn = nullptr, *BannerKillerBtn = nullptr,
                     *PopuKillerAllowBtn = nullptr, *HighlightAllowBtn = nullptr, *LinkHintBtn = nullptr,
                     *SettingsBtn = nullptr, *SearchLinkBtn = nullptr, *CaptureScreenBtn = nullptr,
                     *SavePageBtn = nullptr, *OpenInternalBtn = nullptr, *VersionDlgBtn = nullptr,
                     *ShowPicturesBtn = nullptr, *ToolButton1 = nullptr, *ToolButton2 = nullptr,
                     *ToolButton3 = nullptr, *TranslationBtn = nullptr;
  forms::TToolBar* InfoToolBar = nullptr;
  forms::TPanel *RatingPanel = nullptr, *CardPanel = nullptr, *CommentMainPanel = nullptr;
  forms::TStaticText *RatingLabel = nullptr, *CardLabel = nullptr, *CommentsLabel = nullptr;
  forms::TToolBar* ToolBar2 = nullptr;
  forms::TToolButton* DomainLinksBtn = nullptr;
  forms::TImageList *ImageList = nullptr, *HotImageList = nullptr, *RatingsImageList = nullptr;
  forms::TActionList* ActionList = nullptr;
  forms::TAction *AddUrlToCurrAction = nullptr, *AddUrlWithDlgAction = nullptr, *HighlightAllowAction = nullptr,
                 *PopupKillerAllowAction = nullptr, *PopupKillerSettingsAction = nullptr,
                 *SearchLinkAction = nullptr, *SavePageAction = nullptr, *DocumentPropertyAction = nullptr,
                 *BHOAllowAction = nullptr, *SettingsAction = nullptr, *VersionDialogAction = nullptr,
                 *DomainLinksAction = nullptr, *BannerKillerAllowAction = nullptr, *LinkHintAllowAction = nullptr,
                 *RatingAction = nullptr, *CaptureScreenAction = nullptr, *OpenInternalAction = nullptr,
                 *ShowPicturesAction = nullptr, *TranslationsAction = nullptr, *PrivacyAction = nullptr,
                 *ClearCookiesAction = nullptr, *ClearCacheFilesAction = nullptr, *ClearHistoryAction = nullptr,
                 *ClearTypedURLsAction = nullptr, *ClearRecentAction = nullptr, *ClearAllAction = nullptr,
                 *SpeakAction = nullptr, *StopSpeakingAction = nullptr;
  forms::TPopupMenu *PrivacyPopupMenu = nullptr, *SpeakPopupMenu = nullptr, *TranslateMenu = nullptr;

 protected:
  void BuildLayout() override;
  void FormCreate() override;
  void FormDestroy() override;
  void WndProc(forms::TMessage& message) override;

 private:
  // The four page-filter toggles share one rule; each has its own switch,
  // server operation and pair of hints.
  struct Toggle {
    bool (TStowlyBHO::*setting)() const;
    void (TServerWrapper::*apply)(bool);
    const wchar_t* hintChecked;
    const wchar_t* hintUnchecked;
  };
  static const Toggle kHighlight, kPopupKiller, kBannerKiller, kLinkHint;
  void ToggleUpdate(forms::TAction& action, const Toggle& toggle);
  void ToggleExecute(forms::TAction& action, const Toggle& toggle);

  void FindComponents();
  static TServerWrapper* Wrapper() { return ServerWrapper; }
  bool WrapperConnected() const;

  // Handlers named by the form description.
  void DocumentActionUpdate(forms::TComponent* Sender);
  void ServerActionUpdate(forms::TComponent* Sender);
  void ArchiveDocumentActionUpdate(forms::TComponent* Sender);
  void RatingActionUpdate(forms::TComponent* Sender);
  void TalkerActionUpdate(forms::TComponent* Sender);
  void HighlightAllowActionUpdate(forms::TComponent* Sender);
  void HighlightAllowActionExecute(forms::TComponent* Sender);
  void PopupKillerAllowActionUpdate(forms::TComponent* Sender);
  void PopupKillerAllowActionExecute(forms::TComponent* Sender);
  void BannerKillerAllowActionUpdate(forms::TComponent* Sender);
  void BannerKillerAllowActionExecute(forms::TComponent* Sender);
  void LinkHintAllowActionUpdate(forms::TComponent* Sender);
  void LinkHintAllowActionExecute(forms::TComponent* Sender);
  void BHOAllowActionUpdate(forms::TComponent* Sender);
  void BHOAllowActionExecute(forms::TComponent* Sender);
  void ShowPicturesActionUpdate(forms::TComponent* Sender);
  void ShowPicturesActionExecute(forms::TComponent* Sender);
  void PopupKillerSettingsActionExecute(forms::TComponent* Sender);
  void SettingsActionExecute(forms::TComponent* Sender);
  void CaptureScreenActionExecute(forms::TComponent* Sender);
  void DomainLinksActionUpdate(forms::TComponent* Sender);
  void DomainLinksActionExecute(forms::TComponent* Sender);
  void RatingActionExecute(forms::TComponent* Sender);
  void TranslationsActionExecute(forms::TComponent* Sender);
  void PrivacyActionExecute(forms::TComponent* Sender);
  void ClearCookiesActionExecute(forms::TComponent* Sender);
  void ClearCacheFilesActionExecute(forms::TComponent* Sender);
  void ClearHistoryActionExecute(forms::TComponent* Sender);
  void ClearTypedURLsActionExecute(forms::TComponent* Sender);
  void ClearRecentActionExecute(forms::TComponent* Sender);
  void ClearAllActionExecute(forms::TComponent* Sender);
  void SpeakActionExecute(forms::TComponent* Sender);
  void StopSpeakingActionExecute(forms::TComponent* Sender);
  void BtnMouseMove(forms::TComponent* Sender, forms::TShiftState Shift, int X, int Y);
  void CardLabelMouseMove(forms::TComponent* Sender, forms::TShiftState Shift, int X, int Y);
  void CardLabelClick(forms::TComponent* Sender);
  void RatingLabelClick(forms::TComponent* Sender);
  void CommentsLabelClick(forms::TComponent* Sender);
  void SpyHintTimerTimer(forms::TComponent* Sender);
  void CommonHintTimerTimer(forms::TComponent* Sender);
  void CardHintTimerTimer(forms::TComponent* Sender);
  static bool PointerOver(forms::TControl& control);

  // The two owner-drawn menus of the information strip.
  forms::TBitmap RatingPicture(LONG rating, int width, int height);
  void RatingItemClick(forms::TComponent* Sender);
  void DomainLinkClick(forms::TComponent* Sender);

  // Browser events, through FBrowserSink.
  void BrowserBeforeNavigate2(TWebBrowserEventHandler* Sender, IDispatch* pDisp, VARIANT* URL, VARIANT* Flags,
                              VARIANT* TargetFrameName, VARIANT* PostData, VARIANT* Headers, VARIANT_BOOL* Cancel);
  void BrowserNavigateComplete2(TWebBrowserEventHandler* Sender, IDispatch* pDisp, VARIANT* URL);
  void BrowserDocumentComplete(TWebBrowserEventHandler* Sender, IDispatch* pDisp, VARIANT* URL);
  void BrowserQuit(TWebBrowserEventHandler* Sender);

  // The speech component and its voices; the translations menu.
  void CreateTalker();
  void VoiceClick(forms::TComponent* Sender);
  void BuildTranslateMenu();
  void TranslationClick(forms::TComponent* Sender);

  bool FActive = false;
  std::wstring FURL;
  LONG FDocID = -1;
  bool FDocInArchive = false;
  std::wstring FComments;
  BYTE FStatus = 0;
  LONG FRating = 0;
  forms::TColor FColor1Text = forms::clBlack, FColor1Back = forms::clWhite;
  forms::TColor FColor2Text = forms::clBlack, FColor2Back = forms::clWhite;
  forms::TControl* FHintControl = nullptr;
  bool FHintShown = false;
  forms::TOwned<TBtnHintForm> FBtnHint;
  com::ComPtr<IVornBHOGUI> FCardHint;
  bool FCardHintShown = false;
  forms::TPopupMenu* FDomainLinksMenu = nullptr;
  forms::TPopupMenu* FRatingsMenu = nullptr;
  // The speech component; none when it could not be made.
  com::ComPtr<ITalker> FTalker;
  std::unique_ptr<TStowlyBHO> FSettings;
  forms::TOwned<TToolbarDM> FDM;
  TBrowserSinkPtr FBrowserSink;
};

}  // namespace vorn
