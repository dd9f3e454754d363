#include "platform/forms/TToolBar.h"

#include <algorithm>
#include <string>

#include "platform/forms/FormsErrors.h"
#include "platform/forms/TCanvas.h"
#include "platform/forms/TImageList.h"
#include "platform/forms/SystemControls.h"

namespace forms {

TToolBar::TToolBar(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 150, 29);
  SetAlign(alTop);
}

TToolBar::~TToolBar() {
  if (images_) images_->UnregisterChanges(this);
  if (hotImages_ && hotImages_ != images_) hotImages_->UnregisterChanges(this);
  // The peer works through the window: it goes with it, before the bar's members do.
  DestroyHandle();
  peer_.reset();
}

int TToolBar::ButtonCount() const {
  int count = 0;
  for (int i = 0; i < ControlCount(); ++i)
    if (dynamic_cast<TToolButton*>(Controls(i))) ++count;
  return count;
}

TToolButton* TToolBar::Buttons(int index) const {
  int seen = 0;
  for (int i = 0; i < ControlCount() && index >= 0; ++i) {
    if (auto* button = dynamic_cast<TToolButton*>(Controls(i))) {
      if (seen++ == index) return button;
    }
  }
  throw EComponentError(L"Button index out of bounds (" + std::to_wstring(index) + L")");
}

void TToolBar::WatchImages(TImageList* list) {
  if (list) list->RegisterChanges(this, [this] { ImagesChanged(); });
}

void TToolBar::ImagesChanged() {
  if (peer_) peer_->ImagesChanged();
  Realign();
}

void TToolBar::SetImages(TImageList* value) {
  if (value == images_) return;
  // One list may serve as both; it is watched while either uses it.
  if (images_ && images_ != hotImages_) images_->UnregisterChanges(this);
  images_ = value;
  WatchImages(value);
  ImagesChanged();
}

void TToolBar::SetHotImages(TImageList* value) {
  // Hot images are drawn in place of the normal ones: they do not change the geometry.
  if (value == hotImages_) return;
  if (hotImages_ && hotImages_ != images_) hotImages_->UnregisterChanges(this);
  hotImages_ = value;
  WatchImages(value);
  if (peer_) ImagesChanged();
}

void TToolBar::SetShowCaptions(bool value) {
  if (value == showCaptions_) return;
  showCaptions_ = value;
  Realign();
}

void TToolBar::SetList(bool value) {
  if (value == list_) return;
  list_ = value;
  Realign();
}

void TToolBar::SetWrapable(bool value) {
  if (value == wrapable_) return;
  wrapable_ = value;
  Realign();
}

void TToolBar::SetButtonWidth(int value) {
  value = std::max(value, 0);
  if (value == buttonWidth_) return;
  buttonWidth_ = value;
  Realign();
}

void TToolBar::SetButtonHeight(int value) {
  value = std::max(value, 0);
  if (value == buttonHeight_) return;
  buttonHeight_ = value;
  Realign();
}

TTextSize TToolBar::NaturalButtonSize(const TToolButton& button) const {
  const int imageWidth = images_ ? images_->Width() : 0;
  const int imageHeight = images_ ? images_->Height() : 0;
  TTextSize text{};
  if (showCaptions_ && !button.Caption().empty()) text = TextExtent(Font(), StripAccelChars(button.Caption()));
  TTextSize size{};
  if (list_) {
    size.cx = 7 + imageWidth + (imageWidth > 0 && text.cx > 0 ? 4 : 0) + text.cx;
    size.cy = std::max(imageHeight, text.cy) + 6;
  } else {
    size.cx = std::max(imageWidth, text.cx) + 7;
    size.cy = imageHeight + text.cy + 6;
  }
  return size;
}

void TToolBar::AlignControls(RECT rect) {
  if (peer_) {
    // The system's toolbar places its buttons; other controls stay where they are.
    peer_->Update();
    return;
  }
  int buttonHeight = buttonHeight_;
  for (int i = 0; i < ControlCount(); ++i) {
    auto* button = dynamic_cast<TToolButton*>(Controls(i));
    if (button && button->Visible() && !button->IsGap())
      buttonHeight = std::max(buttonHeight, NaturalButtonSize(*button).cy);
  }
  int x = rect.left, y = rect.top;
  int rowHeight = 0;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* control = Controls(i);
    if (!control->Visible()) continue;
    int width = control->Width(), height = control->Height();
    if (auto* button = dynamic_cast<TToolButton*>(control)) {
      height = buttonHeight;
      if (button->IsGap()) {
        width = kSeparatorWidth;
      } else {
        width = button->AutoSize() ? NaturalButtonSize(*button).cx : buttonWidth_;
        if (button->Style() == tbsDropDown) width += kDropDownArrowWidth;
      }
    }
    if (wrapable_ && x > rect.left && x + width > rect.right) {
      x = rect.left;
      y += std::max(rowHeight, buttonHeight);
      rowHeight = 0;
    }
    control->SetBounds(x, y, width, height);
    x += width;
    rowHeight = std::max(rowHeight, height);
  }
}

void TToolBar::CreateParams(TCreateParams& params) const {
  TWinControl::CreateParams(params);
  params.WinClassName = L"VornToolBar";
  detail::ToolBarCreateParams(*this, params);
}

void TToolBar::HandleCreated() {
  peer_ = detail::NewToolBarPeer(*this);
  if (peer_) Realign();
}

void TToolBar::ButtonChanged(TToolButton& button) {
  if (peer_)
    Realign();
  else
    button.Invalidate();
}

void TToolBar::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != opRemove) return;
  bool changed = false;
  if (component == images_) {
    images_ = nullptr;
    changed = true;
  }
  if (component == hotImages_) {
    hotImages_ = nullptr;
    changed = true;
  }
  if (component == hotButton_) hotButton_ = nullptr;
  if (changed && !Destroying()) ImagesChanged();
}

void TToolBar::SetHotButton(TToolButton* button) {
  if (button == hotButton_) return;
  if (peer_) {
    // The system's toolbar tracks the mouse itself and ends the hot state when it leaves.
    hotButton_ = button;
    if (button) FreeNotification(button);
    peer_->ShowHot(button);
    return;
  }
  if (hotButton_) hotButton_->Invalidate();
  hotButton_ = button;
  if (hotButton_) {
    FreeNotification(hotButton_);
    hotButton_->Invalidate();
    // The window system says when the mouse leaves the bar, so the button comes down again.
    if (HandleAllocated()) {
      TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, Handle(), 0};
      win::TrackMouseEvent(&track);
    }
  }
}

void TToolBar::MouseMove(TShiftState shift, int x, int y) {
  // Over the bar itself, not over a button.
  SetHotButton(nullptr);
  TWinControl::MouseMove(shift, x, y);
}

void TToolBar::WndProc(TMessage& message) {
  if (peer_) {
    if (message.Msg == CN_COMMAND || message.Msg == CN_NOTIFY) {
      if (!peer_->Notified(message)) DefaultHandler(message);
      return;
    }
    // The system's toolbar tracks the mouse over its buttons itself (hot
    // state, presses, clicks); the buttons still hear the pointer move over
    // them, for their own OnMouseMove (a button's hint, say).
    if ((message.Msg >= WM_MOUSEMOVE && message.Msg <= WM_MOUSELAST) || message.Msg == WM_MOUSELEAVE) {
      if (message.Msg == WM_MOUSEMOVE) RouteMouse(message);
      DefaultHandler(message);
      return;
    }
    if (message.Msg == WM_ERASEBKGND && !transparent_) {
      // The system's toolbar has no ground of its own: it is the bar's colour.
      TCanvas canvas(reinterpret_cast<HDC>(message.WParam));
      canvas.Brush.Color = Color();
      canvas.FillRect(RECT{0, 0, ClientWidth(), ClientHeight()});
      message.Result = 1;
      return;
    }
    if (message.Msg == WM_NCDESTROY) {
      TWinControl::WndProc(message);
      peer_.reset();
      return;
    }
  }
  if (message.Msg == WM_MOUSELEAVE) SetHotButton(nullptr);
  TWinControl::WndProc(message);
}

void TToolBar::PaintWindow(TCanvas& canvas) {
  RECT rect{0, 0, ClientWidth(), ClientHeight()};
  canvas.Brush.Color = Color();
  canvas.FillRect(rect);
  // An etched line (shadow over highlight) on each side asked for.
  canvas.Brush.Style = bsSolid;
  auto etch = [&](RECT line, int dx, int dy) {
    canvas.Brush.Color = clBtnShadow;
    canvas.FillRect(line);
    canvas.Brush.Color = clBtnHighlight;
    canvas.FillRect(RECT{line.left + dx, line.top + dy, line.right + dx, line.bottom + dy});
  };
  if (edgeBorders_ & ebTop) etch(RECT{0, 0, rect.right, 1}, 0, 1);
  if (edgeBorders_ & ebBottom) etch(RECT{0, rect.bottom - 2, rect.right, rect.bottom - 1}, 0, 1);
  if (edgeBorders_ & ebLeft) etch(RECT{0, 0, 1, rect.bottom}, 1, 0);
  if (edgeBorders_ & ebRight) etch(RECT{rect.right - 2, 0, rect.right - 1, rect.bottom}, 1, 0);
}

}  // namespace forms
