#include "quick_links/QLIEToolBandFormUnit.h"

#include "platform/browser/WebBrowserInterface.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Variant.h"
#include "platform/forms/LayoutBuilder.h"
#include "platform/forms/TMenuItem.h"
#include "platform/forms/WindowClassRegistry.h"
#include "platform/win/GdiHandles.h"
#include "platform/win/Resources.h"

namespace vorn {
namespace {

using forms::TComponent;

// Images of both lists: 0 manage groups, 1 a group, 2 a link.
constexpr int kManageImage = 0, kGroupImage = 1, kLinkImage = 2;

const forms::FormLayout& Layout() {
  using namespace forms;
  static const FormLayout layout = {
      .client = {650, 22},
      .color = clBtnFace,
      .font = TFont{L"MS Sans Serif", -11},
      .children =
          {
              ImageDecl{.name = L"Image1", .align = alLeft, .size = {62, 22}, .center = true, .transparent = true},
              ToolBarDecl{.name = L"QLMngToolBar",
                          .align = alLeft,
                          .size = {118, 22},
                          .autoSize = true,
                          .flat = true,
                          .images = L"ImageList",
                          .hotImages = L"HotImageList",
                          .showCaptions = true,
                          .list = true,
                          .edgeBorders = 0,
                          .buttonWidth = 101,
                          .children = {ToolButtonDecl{.name = L"QLMngToolButton",
                                                      .style = tbsDropDown,
                                                      .dropdownMenu = L"QGPopupMenu",
                                                      .autoSize = true,
                                                      .caption = L"Manage groups",
                                                      .imageIndex = kManageImage,
                                                      .visible = false,
                                                      .onClick = L"QLMngToolButtonClick"}}},
              ToolBarDecl{.name = L"QLToolBar",
                          .align = alClient,
                          .flat = true,
                          .images = L"ImageList",
                          .hotImages = L"HotImageList",
                          .showCaptions = true,
                          .list = true,
                          .wrapable = false,
                          .customizable = true,
                          .edgeBorders = 0,
                          .buttonWidth = 65},
              ImageListDecl{.name = L"ImageList"},
              ImageListDecl{.name = L"HotImageList"},
              PopupMenuDecl{.name = L"QGPopupMenu", .images = L"HotImageList"},
          },
      .visible = true,
  };
  return layout;
}

// The module's picture `name` (a BITMAP resource; a file beside the portable module).
forms::TBitmap ModulePicture(const wchar_t* name) {
  const win::BitmapHandle section(static_cast<HBITMAP>(
      win::LoadImageW(forms::detail::ModuleInstance(), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!section) throw forms::EInvalidGraphic(std::wstring(L"The module has no picture ") + name);
  return forms::TBitmap::FromDibSection(section.Get());
}

}  // namespace

TQLIEToolBandForm::TQLIEToolBandForm(TIEBand* band) : TStowlyIEToolBandForm(band) {}

TQLIEToolBandForm::~TQLIEToolBandForm() = default;

TIEBandForm* TQLIEToolBandForm::CreateForBand(TIEBand* band) {
  return TIEBandForm::CreateForBand<TQLIEToolBandForm>(band);
}

void TQLIEToolBandForm::BuildLayout() {
  forms::BuildLayout(*this, Layout(),
                     {{L"QLMngToolButtonClick", forms::Bind(this, &TQLIEToolBandForm::QLMngToolButtonClick)}});
  Image1 = forms::LayoutComponent<forms::TImage>(*this, L"Image1");
  QLMngToolBar = forms::LayoutComponent<forms::TToolBar>(*this, L"QLMngToolBar");
  QLMngToolButton = forms::LayoutComponent<forms::TToolButton>(*this, L"QLMngToolButton");
  QLToolBar = forms::LayoutComponent<forms::TToolBar>(*this, L"QLToolBar");
  ImageList = forms::LayoutComponent<forms::TImageList>(*this, L"ImageList");
  HotImageList = forms::LayoutComponent<forms::TImageList>(*this, L"HotImageList");
  QGPopupMenu = forms::LayoutComponent<forms::TPopupMenu>(*this, L"QGPopupMenu");
  // The pictures travel with the module; without them the bar is blank but works.
  try {
    ImageList->LoadStrip(forms::detail::ModuleInstance(), L"QuickLinks");
    HotImageList->LoadStrip(forms::detail::ModuleInstance(), L"QuickLinksHot");
    Image1->SetPicture(ModulePicture(L"QuickLinksLogo"));
  } catch (const forms::EInvalidGraphic&) {
  }
}

void TQLIEToolBandForm::FormCreate() {
  FGroups.clear();
  if (ServerWrapper && ServerWrapper->IsConnected()) ShowManager();
}

void TQLIEToolBandForm::FormDestroy() { ClearGroups(); }

void TQLIEToolBandForm::ServerConnected(void*) {
  ShowManager();
  if (Band()) Band()->NotifyBandInfoChanged();
}

void TQLIEToolBandForm::ServerDisconnected(void*) {
  ClearGroups();
  QLMngToolButton->Hide();
  QLMngToolBar->SetAutoSize(false);
  QLMngToolBar->SetWidth(0);
  if (Band()) Band()->NotifyBandInfoChanged();
}

void TQLIEToolBandForm::QuickGroupChange(void*) {
  ClearGroups();
  BuildGroups();
}

void TQLIEToolBandForm::ShowManager() {
  // Off and on again: the bar takes the button's width.
  QLMngToolBar->SetAutoSize(false);
  QLMngToolButton->Show();
  QLMngToolBar->SetAutoSize(true);
  ClearGroups();
  BuildGroups();
}

void TQLIEToolBandForm::ClearGroups() {
  ++FClearings;
  while (QLToolBar->ButtonCount() > 0) forms::Free(QLToolBar->Buttons(0));
  for (TGroupEntry& entry : FGroups) forms::Free(entry.Menu);
  FGroups.clear();
  QGPopupMenu->Items()->Clear();
}

void TQLIEToolBandForm::BuildGroups() {
  TServerWrapper* wrapper = ServerWrapper;
  if (!wrapper) return;
  const unsigned clearings = FClearings;
  // A failed call loses the server, whose news clears this form before the call returns.
  const auto cleared = [&] { return FClearings != clearings; };
  const LONG count = wrapper->GetQuickGroupCount();
  if (cleared()) return;
  for (LONG group = count - 1; group >= 0; --group) {
    bool visible = false;
    std::wstring name;
    LONG links = 0;
    const bool found = wrapper->GetQuickGroup(group, visible, name, links);
    if (cleared()) return;
    if (!found || !visible) continue;
    auto* menu = new forms::TPopupMenu(this);
    menu->SetImages(HotImageList);
    FGroups.push_back({name, menu});
    const auto entry = static_cast<std::intptr_t>(FGroups.size() - 1);
    for (LONG link = 0; link < links; ++link) {
      std::wstring caption, url;
      const bool got = wrapper->GetQuickLink(group, link, caption, url);
      if (cleared()) return;
      if (!got) continue;
      auto* item = new forms::TMenuItem(menu);
      item->SetCaption(caption);
      item->SetHint(url);
      item->SetImageIndex(kLinkImage);
      item->OnClick = [this](TComponent* sender) { LinkClick(sender); };
      menu->Items()->Add(item);
    }
    auto* button = new forms::TToolButton(this);
    button->SetStyle(forms::tbsDropDown);
    button->SetCaption(name);
    button->SetTag(entry);
    button->SetDropdownMenu(menu);
    button->SetImageIndex(kGroupImage);
    button->OnClick = [this](TComponent* sender) { GroupClick(sender); };
    button->SetParent(QLToolBar);
    button->SetIndex(0);
    auto* item = new forms::TMenuItem(QGPopupMenu);
    item->SetCaption(name);
    item->SetTag(entry);
    item->SetImageIndex(kGroupImage);
    item->OnClick = [this](TComponent* sender) { GroupClick(sender); };
    QGPopupMenu->Items()->Insert(0, item);
  }
  for (int i = 0; i < QLToolBar->ButtonCount(); ++i) QLToolBar->Buttons(i)->SetAutoSize(true);
}

void TQLIEToolBandForm::QLMngToolButtonClick(TComponent*) {
  if (ServerWrapper) ServerWrapper->ManageQuickGroups();
}

// Every link of the group in a new browser window; the first failure ends
// it, and the windows already opened stay.
void TQLIEToolBandForm::GroupClick(TComponent* Sender) {
  if (!Sender) return;
  const std::intptr_t entry = Sender->Tag();
  if (entry < 0 || static_cast<std::size_t>(entry) >= FGroups.size() || !FGroups[entry].Menu) return;
  forms::TMenuItem& links = *FGroups[entry].Menu->Items();
  for (int i = 0; i < links.Count(); ++i) {
    com::ComPtr<IWebBrowser2> window;
    if (FAILED(CoCreateInstance(CLSID_InternetExplorer, nullptr, CLSCTX_LOCAL_SERVER, IID_IWebBrowser2,
                                window.PutVoid())) ||
        !window)
      return;
    com::Variant empty;
    if (FAILED(window->Navigate(com::Bstr(links.Items(i)->Hint()).Get(), empty.Ptr(), empty.Ptr(), empty.Ptr(),
                                empty.Ptr())))
      return;
    if (FAILED(window->put_Visible(VARIANT_TRUE))) return;
  }
}

void TQLIEToolBandForm::LinkClick(TComponent* Sender) {
  auto* item = dynamic_cast<forms::TMenuItem*>(Sender);
  IWebBrowser2* browser = Band() ? Band()->WebBrowser() : nullptr;
  if (!item || !browser) return;
  com::Variant empty;
  // A failure is the browser's to show; the toolbar says nothing.
  browser->Navigate(com::Bstr(item->Hint()).Get(), empty.Ptr(), empty.Ptr(), empty.Ptr(), empty.Ptr());
}

}  // namespace vorn
