// The main toolbar's form description. Actions that the form's creation
// handler shows are hidden here; so are those that have no behaviour yet.
#include "main_toolbar/MainIEToolBandFormUnit.h"

namespace vorn {
namespace {

using namespace forms;

ToolButtonDecl Button(const wchar_t* name, const wchar_t* action, TToolButtonStyle style = tbsButton,
                      const wchar_t* menu = L"", bool autoSize = true) {
  return ToolButtonDecl{.name = name,
                        .action = action,
                        .style = style,
                        .dropdownMenu = menu,
                        .autoSize = autoSize,
                        .onMouseMove = L"BtnMouseMove"};
}

ActionDecl Action(const wchar_t* name, const wchar_t* caption, const wchar_t* hint, int image, bool visible,
                  const wchar_t* onUpdate, const wchar_t* onExecute) {
  return ActionDecl{.name = name,
                    .caption = caption,
                    .hint = hint,
                    .imageIndex = image,
                    .visible = visible,
                    .onExecute = onExecute,
                    .onUpdate = onUpdate};
}

// A panel of the information strip: one framed label on the window colour.
PanelDecl InfoPanel(const wchar_t* name, int width, StaticTextDecl label) {
  label.pos = {3, 3};
  label.color = clWindow;
  label.borderStyle = sbsSingle;
  return PanelDecl{.name = name,
                   .align = alLeft,
                   .size = {width, 22},
                   .visible = false,
                   .bevelOuter = bvNone,
                   .borderWidth = 3,
                   .children = {std::move(label)}};
}

MenuItemDecl MenuItem(const wchar_t* name, const wchar_t* action) {
  return MenuItemDecl{.name = name, .action = action};
}

}  // namespace

const FormLayout& MainIEToolBandFormLayout() {
  static const FormLayout layout = {
      .client = {998, 22},
      .color = clBtnFace,
      .font = TFont{L"MS Sans Serif", -11},
      .children =
          {
              ImageDecl{.name = L"Image1", .align = alLeft, .size = {40, 22}, .center = true, .transparent = true},
              ToolBarDecl{.name = L"ToolBar1",
                          .align = alLeft,
                          .size = {-1, 22},
                          .autoSize = true,
                          .flat = true,
                          .images = L"ImageList",
                          .hotImages = L"HotImageList",
                          .wrapable = false,
                          .edgeBorders = 0,
                          .children =
                              {
                                  Button(L"BHOAllowBtn", L"BHOAllowAction"),
                                  Button(L"AddUrlToCurrBtn", L"AddUrlToCurrAction"),
                                  Button(L"BannerKillerBtn", L"BannerKillerAllowAction"),
                                  Button(L"PopuKillerAllowBtn", L"PopupKillerAllowAction"),
                                  Button(L"HighlightAllowBtn", L"HighlightAllowAction"),
                                  Button(L"LinkHintBtn", L"LinkHintAllowAction"),
                                  // The creation handler moves it to the popup killer's settings.
                                  Button(L"SettingsBtn", L"SettingsAction"),
                                  Button(L"SearchLinkBtn", L"SearchLinkAction"),
                                  Button(L"CaptureScreenBtn", L"CaptureScreenAction"),
                                  Button(L"SavePageBtn", L"SavePageAction"),
                                  Button(L"OpenInternalBtn", L"OpenInternalAction"),
                                  Button(L"VersionDlgBtn", L"VersionDialogAction"),
                                  Button(L"ShowPicturesBtn", L"ShowPicturesAction"),
                                  Button(L"ToolButton1", L"PrivacyAction", tbsDropDown, L"PrivacyPopupMenu"),
                                  Button(L"ToolButton2", L"SpeakAction", tbsDropDown, L"SpeakPopupMenu", false),
                                  Button(L"ToolButton3", L"StopSpeakingAction", tbsButton, L"", false),
                                  Button(L"TranslationBtn", L"TranslationsAction", tbsDropDown, L"TranslateMenu",
                                         false),
                              }},
              ToolBarDecl{.name = L"InfoToolBar",
                          .align = alLeft,
                          .size = {-1, 22},
                          .autoSize = true,
                          .flat = true,
                          .wrapable = false,
                          .edgeBorders = 0,
                          .children =
                              {
                                  InfoPanel(L"RatingPanel", 74,
                                            StaticTextDecl{.name = L"RatingLabel",
                                                           .size = {59, 17},
                                                           .caption = L"  Rating: 0  ",
                                                           .hint = L"Change rating",
                                                           .onClick = L"RatingLabelClick",
                                                           .onMouseMove = L"BtnMouseMove"}),
                                  InfoPanel(L"CardPanel", 48,
                                            StaticTextDecl{.name = L"CardLabel",
                                                           .size = {34, 17},
                                                           .caption = L"  Info  ",
                                                           .onClick = L"CardLabelClick",
                                                           .onMouseMove = L"CardLabelMouseMove"}),
                                  InfoPanel(L"CommentMainPanel", 80,
                                            StaticTextDecl{.name = L"CommentsLabel",
                                                           .size = {65, 17},
                                                           .caption = L"  Comments  ",
                                                           .onClick = L"CommentsLabelClick",
                                                           .onMouseMove = L"BtnMouseMove"}),
                              }},
              ToolBarDecl{.name = L"ToolBar2",
                          .align = alClient,
                          .flat = true,
                          .images = L"ImageList",
                          .hotImages = L"HotImageList",
                          .showCaptions = true,
                          .list = true,
                          .wrapable = false,
                          .edgeBorders = 0,
                          .buttonWidth = 87,
                          .children = {Button(L"DomainLinksBtn", L"DomainLinksAction")}},
              ImageListDecl{.name = L"ImageList"},
              ImageListDecl{.name = L"HotImageList"},
              ImageListDecl{.name = L"RatingsImageList"},
              ActionListDecl{
                  .name = L"ActionList",
                  .images = L"ImageList",
                  .actions =
                      {
                          Action(L"AddUrlToCurrAction", L"Add url to current rubric", L"Add url to current rubric",
                                 0, false, L"DocumentActionUpdate", L""),
                          Action(L"AddUrlWithDlgAction", L"Add url to rubric with dialog",
                                 L"Add url to rubric with dialog", 2, true, L"DocumentActionUpdate", L""),
                          Action(L"HighlightAllowAction", L"", L"Disable highlighting", 6, false,
                                 L"HighlightAllowActionUpdate", L"HighlightAllowActionExecute"),
                          Action(L"PopupKillerAllowAction", L"Disable popup killer", L"Disable popup killer", 4,
                                 false, L"PopupKillerAllowActionUpdate", L"PopupKillerAllowActionExecute"),
                          Action(L"PopupKillerSettingsAction", L"Popup killer settings", L"Popup killer settings",
                                 10, false, L"DocumentActionUpdate", L"PopupKillerSettingsActionExecute"),
                          Action(L"SearchLinkAction", L"Search link", L"Search bookmarks", 3, false,
                                 L"ServerActionUpdate", L""),
                          Action(L"SavePageAction", L"Save page", L"Save page", 7, false, L"", L""),
                          Action(L"DocumentPropertyAction", L"Document property", L"Document property", 8, true,
                                 L"DocumentActionUpdate", L""),
                          Action(L"BHOAllowAction", L"Enable", L"Enable", 9, false, L"BHOAllowActionUpdate",
                                 L"BHOAllowActionExecute"),
                          Action(L"SettingsAction", L"Settings", L"Settings", 10, false, L"ServerActionUpdate",
                                 L"SettingsActionExecute"),
                          Action(L"VersionDialogAction", L"Versions", L"Versions", 11, false,
                                 L"ArchiveDocumentActionUpdate", L""),
                          Action(L"DomainLinksAction", L"Domain links", L"View links from current domain", 14,
                                 false, L"DomainLinksActionUpdate", L"DomainLinksActionExecute"),
                          Action(L"BannerKillerAllowAction", L"BannerKillerAllowAction", L"", 15, false,
                                 L"BannerKillerAllowActionUpdate", L"BannerKillerAllowActionExecute"),
                          Action(L"LinkHintAllowAction", L"LinkHintAllowAction", L"", 16, false,
                                 L"LinkHintAllowActionUpdate", L"LinkHintAllowActionExecute"),
                          Action(L"RatingAction", L"Rating", L"Change rating", -1, true, L"RatingActionUpdate",
                                 L"RatingActionExecute"),
                          Action(L"CaptureScreenAction", L"Capture page screenshot", L"Capture page screenshot",
                                 17, false, L"ArchiveDocumentActionUpdate", L"CaptureScreenActionExecute"),
                          Action(L"OpenInternalAction", L"Open in internal browser", L"Open in internal browser",
                                 18, false, L"DocumentActionUpdate", L""),
                          Action(L"ShowPicturesAction", L"ShowPicturesAction", L"", 22, false,
                                 L"ShowPicturesActionUpdate", L"ShowPicturesActionExecute"),
                          Action(L"TranslationsAction", L"Translations", L"Customize translations", 23, false,
                                 L"DocumentActionUpdate", L"TranslationsActionExecute"),
                          Action(L"PrivacyAction", L"PrivacyAction", L"Clear All", 21, false, L"",
                                 L"PrivacyActionExecute"),
                          Action(L"ClearCookiesAction", L"Clear cookies", L"", -1, true, L"",
                                 L"ClearCookiesActionExecute"),
                          Action(L"ClearCacheFilesAction", L"Clear cache files", L"", -1, true, L"",
                                 L"ClearCacheFilesActionExecute"),
                          Action(L"ClearHistoryAction", L"Clear history", L"", -1, true, L"",
                                 L"ClearHistoryActionExecute"),
                          Action(L"ClearTypedURLsAction", L"Clear typed URLs", L"", -1, true, L"",
                                 L"ClearTypedURLsActionExecute"),
                          Action(L"ClearRecentAction", L"Clear recent", L"", -1, true, L"",
                                 L"ClearRecentActionExecute"),
                          Action(L"ClearAllAction", L"Clear All", L"", -1, true, L"", L"ClearAllActionExecute"),
                          Action(L"SpeakAction", L"SpeakAction", L"Speak", 19, false, L"TalkerActionUpdate",
                                 L"SpeakActionExecute"),
                          Action(L"StopSpeakingAction", L"StopSpeakingAction", L"Stop speaking", 20, false,
                                 L"TalkerActionUpdate", L"StopSpeakingActionExecute"),
                      }},
              PopupMenuDecl{.name = L"PrivacyPopupMenu",
                            .items =
                                {
                                    MenuItem(L"Deletecachefiles1", L"ClearCookiesAction"),
                                    MenuItem(L"Clearcachefiles1", L"ClearCacheFilesAction"),
                                    MenuItem(L"Clearhistory1", L"ClearHistoryAction"),
                                    MenuItem(L"ClearTypedURLs1", L"ClearTypedURLsAction"),
                                    MenuItem(L"Clearrecent1", L"ClearRecentAction"),
                                    MenuItemDecl{.name = L"N1", .caption = L"-"},
                                    MenuItem(L"ClearAll1", L"ClearAllAction"),
                                }},
              PopupMenuDecl{.name = L"SpeakPopupMenu"},
              PopupMenuDecl{.name = L"TranslateMenu"},
          },
  };
  return layout;
}

}  // namespace vorn
