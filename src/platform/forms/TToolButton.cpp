#include "platform/forms/TToolButton.h"

#include <algorithm>

#include "platform/forms/TAction.h"
#include "platform/forms/TCanvas.h"
#include "platform/forms/TImageList.h"
#include "platform/forms/TPopupMenu.h"
#include "platform/forms/TToolBar.h"

namespace forms {

TToolButton::TToolButton(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 23, 22); }

void TToolButton::SetStyle(TToolButtonStyle value) {
  if (value == style_) return;
  style_ = value;
  NotifyParent();
}

void TToolButton::SetImageIndex(int value) {
  if (value == imageIndex_) return;
  imageIndex_ = value;
  Invalidate();
  NotifyParent();
}

void TToolButton::SetDown(bool value) {
  if (value == down_) return;
  if (!value && grouped_ && !allowAllUp_ && style_ == tbsCheck) {
    // The last button down of a group stays down.
    bool otherDown = false;
    if (TToolBar* bar = ToolBar()) {
      for (int i = 0; i < bar->ControlCount(); ++i) {
        auto* other = dynamic_cast<TToolButton*>(bar->Controls(i));
        if (other && other != this && other->down_ && other->grouped_) otherDown = true;
      }
    }
    if (!otherDown) return;
  }
  down_ = value;
  Changed();
  if (value && grouped_ && style_ == tbsCheck) {
    // The neighbours of the same group (grouped check buttons next to each other) come up.
    if (TToolBar* bar = ToolBar()) {
      const int index = Index();
      auto release = [&](int step) {
        for (int i = index + step; i >= 0 && i < bar->ControlCount(); i += step) {
          auto* other = dynamic_cast<TToolButton*>(bar->Controls(i));
          if (!other || !other->grouped_ || other->style_ != tbsCheck) break;
          if (!other->down_) continue;
          other->down_ = false;
          other->Changed();
        }
      };
      release(-1);
      release(1);
    }
  }
}

void TToolButton::SetDropdownMenu(TPopupMenu* value) {
  dropdownMenu_ = value;
  if (value) FreeNotification(value);
}

void TToolButton::Changed() {
  if (TToolBar* bar = ToolBar())
    bar->ButtonChanged(*this);
  else
    Invalidate();
}

TToolBar* TToolButton::ToolBar() const { return dynamic_cast<TToolBar*>(Parent()); }

int TToolButton::Index() const { return Parent() ? Parent()->IndexOfControl(this) : -1; }

void TToolButton::SetIndex(int value) {
  if (Parent()) Parent()->SetControlIndex(this, value);
}

bool TToolButton::CheckMenuDropdown() {
  if (!dropdownMenu_) return false;
  dropdownMenu_->SetPopupComponent(this);
  const POINT at = ClientToScreen(POINT{0, Height()});
  dropdownMenu_->Popup(at.x, at.y);
  return true;
}

bool TToolButton::InArrow(int x, int y) const {
  return style_ == tbsDropDown && x >= Width() - TToolBar::kDropDownArrowWidth && x < Width() && y >= 0 &&
         y < Height();
}

void TToolButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && !IsGap() && Enabled()) {
    pressed_ = true;
    Invalidate();
  }
  TGraphicControl::MouseDown(button, shift, x, y);
  // The arrow shows the menu on the press; the release that follows is no click.
  arrowPressed_ = button == mbLeft && InArrow(x, y);
  if (arrowPressed_) CheckMenuDropdown();
}

void TToolButton::MouseMove(TShiftState shift, int x, int y) {
  if (TToolBar* bar = ToolBar(); bar && !IsGap())
    bar->SetHotButton(Enabled() ? this : nullptr);
  TGraphicControl::MouseMove(shift, x, y);
}

void TToolButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && pressed_) {
    pressed_ = false;
    Invalidate();
  }
  TGraphicControl::MouseUp(button, shift, x, y);
}

void TToolButton::Click() {
  if (arrowPressed_) {
    arrowPressed_ = false;
    return;
  }
  if (style_ == tbsCheck) SetDown(!down_);
  TGraphicControl::Click();
}

void TToolButton::ActionChange(TAction& action) {
  TGraphicControl::ActionChange(action);
  SetImageIndex(action.ImageIndex());
  SetDown(action.Checked());
}

void TToolButton::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == dropdownMenu_) dropdownMenu_ = nullptr;
}

namespace {

// A disabled button's image: its shape in greys, lighter than the original,
// so that it reads as unavailable on the button face.
TBitmap Greyed(const TBitmap& image) {
  TBitmap grey = image;
  for (int y = 0; y < grey.Height(); ++y)
    for (int x = 0; x < grey.Width(); ++x) {
      const std::uint32_t p = grey.Pixel(x, y);
      const std::uint32_t luma = (((p >> 16) & 0xFF) * 30 + ((p >> 8) & 0xFF) * 59 + (p & 0xFF) * 11) / 100;
      const std::uint32_t light = 128 + luma / 2;
      grey.SetPixel(x, y, (p & 0xFF000000u) | (light << 16) | (light << 8) | light);
    }
  return grey;
}

// Half way between the button face and white: the ground of a button that is down.
TColor CheckedGround() {
  const COLORREF face = TCanvas::ToColorRef(clBtnFace);
  auto mix = [&](int shift) { return ((((face >> shift) & 0xFF) + 0xFF) / 2) << shift; };
  return static_cast<TColor>(mix(0) | mix(8) | mix(16));
}

}  // namespace

void TToolButton::Paint(TCanvas& canvas) {
  TToolBar* bar = ToolBar();
  const RECT all{0, 0, Width(), Height()};
  if (IsGap()) {
    // An etched line down the middle of the gap.
    const int x = Width() / 2 - 1;
    canvas.Brush.Color = clBtnShadow;
    canvas.FillRect(RECT{x, 2, x + 1, Height() - 2});
    canvas.Brush.Color = clBtnHighlight;
    canvas.FillRect(RECT{x + 1, 2, x + 2, Height() - 2});
    return;
  }
  const bool enabled = Enabled();
  const bool hot = enabled && bar && bar->HotButton() == this;
  const bool sunken = enabled && (pressed_ || down_);
  RECT face = all;
  RECT arrow{0, 0, 0, 0};
  if (style_ == tbsDropDown) {
    face.right = std::max<LONG>(0, all.right - TToolBar::kDropDownArrowWidth);
    arrow = RECT{face.right, 0, all.right, all.bottom};
  }

  if (down_ && !pressed_) {
    canvas.Brush.Color = CheckedGround();
    canvas.FillRect(face);
  }
  const TColor light = clBtnHighlight;
  const TColor dark = clBtnShadow;
  if (sunken || hot) {
    RECT edge = face;
    canvas.Frame3D(edge, sunken ? dark : light, sunken ? light : dark, 1);
    if (style_ == tbsDropDown) {
      RECT arrowEdge = arrow;
      const bool arrowSunken = enabled && arrowPressed_ && pressed_;
      canvas.Frame3D(arrowEdge, arrowSunken ? dark : light, arrowSunken ? light : dark, 1);
    }
  }
  const int shift = sunken ? 1 : 0;

  // The image: the hot one while the mouse is over the button, greyed when disabled.
  const TImageList* normal = bar ? bar->Images() : nullptr;
  const TImageList* hotList = bar ? bar->HotImages() : nullptr;
  const TImageList* images = hot && hotList && imageIndex_ < hotList->Count() ? hotList : normal;
  const bool showCaption = bar && bar->ShowCaptions() && !Caption().empty();
  const std::wstring caption = showCaption ? StripAccelChars(Caption()) : std::wstring();
  const TTextSize text = showCaption ? canvas.TextExtent(caption) : TTextSize{};
  const bool list = bar && bar->List();
  const int imageWidth = normal ? normal->Width() : 0;
  const int imageHeight = normal ? normal->Height() : 0;
  const int faceWidth = face.right - face.left;
  const int faceHeight = face.bottom - face.top;
  int imageX, imageY, textX, textY;
  if (list) {
    imageX = 3 + shift;
    imageY = (faceHeight - imageHeight) / 2 + shift;
    textX = imageX + imageWidth + (imageWidth > 0 ? 4 : 0);
    textY = (faceHeight - text.cy) / 2 + shift;
  } else {
    const int block = imageHeight + (showCaption ? text.cy : 0);
    imageX = (faceWidth - imageWidth) / 2 + shift;
    imageY = (faceHeight - block) / 2 + shift;
    textX = (faceWidth - text.cx) / 2 + shift;
    textY = imageY + imageHeight;
  }
  if (images && imageIndex_ >= 0 && imageIndex_ < images->Count()) {
    const TBitmap image = images->GetBitmap(imageIndex_);
    canvas.Draw(imageX, imageY, enabled ? image : Greyed(image));
  }
  if (showCaption) {
    canvas.Brush.Style = bsClear;
    canvas.Font.Color = enabled ? Font().Color : clGrayText;
    canvas.TextRect(face, textX, textY, caption);
    canvas.Brush.Style = bsSolid;
  }
  if (style_ == tbsDropDown) {
    // A small triangle pointing down, in the middle of the arrow part.
    const int cx = (arrow.left + arrow.right) / 2 + shift;
    const int cy = (arrow.top + arrow.bottom) / 2 + shift;
    const POINT triangle[] = {{cx - 3, cy - 1}, {cx + 3, cy - 1}, {cx, cy + 2}};
    const TColor colour = enabled ? clBtnText : clGrayText;
    canvas.Pen = TPen{colour, 1, psSolid};
    canvas.Brush = TBrush{colour, bsSolid};
    canvas.Polygon(triangle, 3);
  }
}

}  // namespace forms
