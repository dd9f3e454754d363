#include "platform/forms/TToolButton.h"

#include "platform/forms/TAction.h"
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
  if (value && grouped_ && style_ == tbsCheck) {
    // The neighbours of the same group (grouped check buttons next to each other) come up.
    if (TToolBar* bar = ToolBar()) {
      const int index = Index();
      auto release = [&](int step) {
        for (int i = index + step; i >= 0 && i < bar->ControlCount(); i += step) {
          auto* other = dynamic_cast<TToolButton*>(bar->Controls(i));
          if (!other || !other->grouped_ || other->style_ != tbsCheck) break;
          other->down_ = false;
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
  TGraphicControl::MouseDown(button, shift, x, y);
  // The arrow shows the menu on the press; the release that follows is no click.
  arrowPressed_ = button == mbLeft && InArrow(x, y);
  if (arrowPressed_) CheckMenuDropdown();
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

}  // namespace forms
