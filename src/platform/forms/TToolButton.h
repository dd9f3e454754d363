// A button of a toolbar (TToolBar places it; it has no window of its own).
//
// Styles: tbsButton, tbsCheck (a click toggles Down; Grouped check buttons
// next to each other form a group in which at most one is down, and one
// always is unless AllowAllUp), tbsDropDown (a button with an arrow part on
// its right that shows DropdownMenu), tbsSeparator and tbsDivider (gaps).
// Linked to an action, it also follows the action's ImageIndex and shows the
// action's Checked state as Down.
#pragma once

#include "platform/forms/TGraphicControl.h"

namespace forms {

class TPopupMenu;
class TToolBar;

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

class TToolButton : public TGraphicControl {
 public:
  explicit TToolButton(TComponent* owner);

  TToolButtonStyle Style() const { return style_; }
  // A separator or divider: a gap between buttons, never pressed.
  bool IsGap() const { return style_ == tbsSeparator || style_ == tbsDivider; }
  void SetStyle(TToolButtonStyle value);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int value);
  bool Down() const { return down_; }
  void SetDown(bool value);
  bool Grouped() const { return grouped_; }
  void SetGrouped(bool value) { grouped_ = value; }
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool value) { allowAllUp_ = value; }

  TPopupMenu* DropdownMenu() const { return dropdownMenu_; }
  void SetDropdownMenu(TPopupMenu* value);

  // The toolbar this button is on, or null.
  TToolBar* ToolBar() const;
  // Position among the toolbar's controls; moving it re-arranges the toolbar.
  int Index() const;
  void SetIndex(int value);

  // Shows the drop-down menu below the button's left edge (as a press on the
  // arrow does); false when there is none.
  bool CheckMenuDropdown();
  // True for a point of the arrow part (drop-down style only).
  bool InArrow(int x, int y) const;

  // A check button toggles first; then OnClick or the action.
  void Click() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void ActionChange(TAction& action) override;

  // Held down by the mouse (drawn sunken until it is released).
  bool Pressed() const { return pressed_; }
  // Drawn by the toolbar's window as its class comment in TToolBar.h says.
  void Paint(TCanvas& canvas) override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  void TextChanged() override { NotifyParent(); }
  void EnabledChanged() override { Changed(); }
  void FontChanged() override { NotifyParent(); }

 private:
  // Tells the toolbar that the button looks different now.
  void Changed();

  TToolButtonStyle style_ = tbsButton;
  int imageIndex_ = -1;
  bool down_ = false;
  bool grouped_ = false;
  bool allowAllUp_ = false;
  bool arrowPressed_ = false;
  bool pressed_ = false;
  TPopupMenu* dropdownMenu_ = nullptr;
};

}  // namespace forms
