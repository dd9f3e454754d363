#include "platform/forms/win32/NativeToolBar.h"

#include <algorithm>
#include <string>

#include "platform/forms/TImageList.h"
#include "platform/forms/TMessage.h"
#include "platform/forms/TToolBar.h"
#include "platform/forms/TToolButton.h"

namespace forms::detail {

namespace {

constexpr DWORD kStyleMask = TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_WRAPABLE | TBSTYLE_TRANSPARENT;

DWORD BarStyles(const TToolBar& bar) {
  DWORD style = 0;
  if (bar.Flat()) style |= TBSTYLE_FLAT;
  if (bar.List()) style |= TBSTYLE_LIST;
  if (bar.Wrapable()) style |= TBSTYLE_WRAPABLE;
  if (bar.Transparent()) style |= TBSTYLE_TRANSPARENT;
  return style;
}

BYTE ButtonStyle(const TToolButton& button) {
  BYTE style = BTNS_BUTTON;
  switch (button.Style()) {
    case tbsCheck: style = BTNS_CHECK | (button.Grouped() ? BTNS_GROUP : 0); break;
    case tbsDropDown: style = BTNS_DROPDOWN; break;
    case tbsSeparator:
    case tbsDivider: return BTNS_SEP;
    case tbsButton: break;
  }
  if (button.AutoSize()) style |= BTNS_AUTOSIZE;
  return style;
}

BYTE ButtonState(const TToolButton& button) {
  BYTE state = 0;
  if (button.Enabled()) state |= TBSTATE_ENABLED;
  if (button.Down()) state |= TBSTATE_CHECKED;
  if (!button.Visible()) state |= TBSTATE_HIDDEN;
  return state;
}

int ButtonImage(const TToolButton& button) {
  if (button.IsGap()) return TToolBar::kSeparatorWidth;
  return button.ImageIndex() >= 0 ? button.ImageIndex() : I_IMAGENONE;
}

// What the button shows beside or below its image; empty for none.
std::wstring ShownCaption(const TToolBar& bar, const TToolButton& button) {
  return bar.ShowCaptions() && !button.IsGap() ? button.Caption() : std::wstring();
}

}  // namespace

TNativeToolBar::TNativeToolBar(TToolBar& bar) : bar_(bar) {
  const HWND window = Window();
  ::SendMessageW(window, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  ::SendMessageW(window, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
}

void TNativeToolBar::CreateParams(const TToolBar& bar, TCreateParams& params) {
  params.SystemClass = TOOLBARCLASSNAMEW;
  params.Style |= BarStyles(bar) | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
}

HWND TNativeToolBar::Window() const { return bar_.Handle(); }

void TNativeToolBar::Update() {
  UpdateStyles();
  UpdateImages();
  std::vector<TToolButton*> buttons;
  for (int i = 0; i < bar_.ButtonCount(); ++i) buttons.push_back(bar_.Buttons(i));
  const auto count = static_cast<size_t>(::SendMessageW(Window(), TB_BUTTONCOUNT, 0, 0));
  if (buttons != shown_ || count != shown_.size()) {
    Rebuild(buttons);
  } else {
    for (size_t i = 0; i < buttons.size(); ++i) UpdateButton(static_cast<int>(i), *buttons[i]);
  }
  ::SendMessageW(Window(), TB_AUTOSIZE, 0, 0);
  PlaceButtons();
}

void TNativeToolBar::UpdateStyles() {
  const HWND window = Window();
  const auto style = static_cast<DWORD>(::SendMessageW(window, TB_GETSTYLE, 0, 0));
  const DWORD wanted = (style & ~kStyleMask) | BarStyles(bar_);
  if (wanted != style) ::SendMessageW(window, TB_SETSTYLE, 0, wanted);
}

void TNativeToolBar::UpdateImages() {
  if (!imagesChanged_) return;
  imagesChanged_ = false;
  const HWND window = Window();
  // The window lets go of the old lists before they are destroyed.
  TImageList* normal = bar_.Images();
  TImageList* hot = bar_.HotImages();
  TNativeImageList newImages = normal ? TNativeImageList(*normal) : TNativeImageList();
  TNativeImageList newHot = hot ? TNativeImageList(*hot) : TNativeImageList();
  if (normal) ::SendMessageW(window, TB_SETBITMAPSIZE, 0, MAKELPARAM(normal->Width(), normal->Height()));
  ::SendMessageW(window, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(newImages.Handle()));
  ::SendMessageW(window, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(newHot.Handle()));
  images_ = std::move(newImages);
  hotImages_ = std::move(newHot);
}

void TNativeToolBar::Rebuild(const std::vector<TToolButton*>& buttons) {
  const HWND window = Window();
  while (::SendMessageW(window, TB_BUTTONCOUNT, 0, 0) > 0)
    if (!::SendMessageW(window, TB_DELETEBUTTON, 0, 0)) break;
  shown_.clear();
  // Identifiers of buttons that left the bar are forgotten.
  for (auto it = commands_.begin(); it != commands_.end();)
    it = std::find(buttons.begin(), buttons.end(), it->first) == buttons.end() ? commands_.erase(it) : std::next(it);
  std::vector<TBBUTTON> added;
  for (TToolButton* button : buttons) {
    TBBUTTON item{};
    item.iBitmap = ButtonImage(*button);
    item.idCommand = CommandOf(button);
    item.fsState = ButtonState(*button);
    item.fsStyle = ButtonStyle(*button);
    item.iString = -1;  // captions and sizes come with the update below
    added.push_back(item);
  }
  if (!added.empty() &&
      !::SendMessageW(window, TB_ADDBUTTONSW, added.size(), reinterpret_cast<LPARAM>(added.data())))
    throw com::ComError(E_FAIL, L"The toolbar refused its buttons");
  shown_ = buttons;
  for (size_t i = 0; i < buttons.size(); ++i) UpdateButton(static_cast<int>(i), *buttons[i]);
}

void TNativeToolBar::UpdateButton(int index, TToolButton& button) {
  std::wstring text = ShownCaption(bar_, button);
  TBBUTTONINFOW info{};
  info.cbSize = sizeof(info);
  info.dwMask = TBIF_BYINDEX | TBIF_IMAGE | TBIF_STATE | TBIF_STYLE;
  // A caption that went must be cleared; a button that never had one keeps no string at all.
  if (!text.empty() || ::SendMessageW(Window(), TB_GETBUTTONTEXTW, CommandOf(&button), 0) > 0) info.dwMask |= TBIF_TEXT;
  info.iImage = ButtonImage(button);
  info.fsState = ButtonState(button);
  info.fsStyle = ButtonStyle(button);
  info.pszText = text.data();
  if (!button.IsGap() && !button.AutoSize()) {
    info.dwMask |= TBIF_SIZE;
    const int arrow = button.Style() == tbsDropDown ? TToolBar::kDropDownArrowWidth : 0;
    info.cx = static_cast<WORD>(std::max(bar_.ButtonWidth() + arrow, 0));
  }
  ::SendMessageW(Window(), TB_SETBUTTONINFOW, index, reinterpret_cast<LPARAM>(&info));
}

void TNativeToolBar::PlaceButtons() {
  const HWND window = Window();
  for (size_t i = 0; i < shown_.size(); ++i) {
    TToolButton* button = shown_[i];
    RECT rect{};
    if (!button->Visible() || !::SendMessageW(window, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect))) continue;
    button->SetBounds(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  }
}

void TNativeToolBar::ShowHot(TToolButton* button) {
  const auto it = std::find(shown_.begin(), shown_.end(), button);
  const WPARAM index = it == shown_.end() ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(it - shown_.begin());
  ::SendMessageW(Window(), TB_SETHOTITEM, index, 0);
}

int TNativeToolBar::CommandOf(TToolButton* button) {
  auto it = commands_.find(button);
  if (it != commands_.end()) return it->second;
  const int command = nextCommand_;
  nextCommand_ = nextCommand_ >= 0x7FFF ? 1 : nextCommand_ + 1;
  commands_.emplace(button, command);
  return command;
}

TToolButton* TNativeToolBar::ButtonOf(int command) const {
  for (const auto& [button, id] : commands_) {
    // A button freed since is no longer among the bar's controls.
    if (id == command && bar_.IndexOfControl(button) >= 0) return button;
  }
  return nullptr;
}

bool TNativeToolBar::Notified(TMessage& message) {
  if (message.Msg == CN_COMMAND) {
    TToolButton* button = ButtonOf(LOWORD(message.WParam));
    if (!button || HIWORD(message.WParam) != BN_CLICKED) return false;
    button->Click();
    message.Result = 0;
    return true;
  }
  if (message.Msg == CN_NOTIFY) {
    const auto* header = reinterpret_cast<const NMHDR*>(message.LParam);
    if (!header || header->code != TBN_DROPDOWN) return false;
    TToolButton* button = ButtonOf(reinterpret_cast<const NMTOOLBARW*>(header)->iItem);
    if (!button) return false;
    button->CheckMenuDropdown();
    message.Result = TBDDRET_DEFAULT;
    return true;
  }
  return false;
}

}  // namespace forms::detail
