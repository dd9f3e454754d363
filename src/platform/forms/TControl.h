// A visual component: bounds, visibility, enabled state, caption, hint,
// colour, font, alignment and a parent control. TControl keeps the logical
// state; windowed controls (TWinControl) carry it over to their window and
// follow changes made to the window directly.
//
// A control linked to an action (SetAction) shows the action's caption, hint,
// enabled and visible state (descendants add checked state and image index),
// follows its later changes, and runs the action's Execute when clicked and
// no OnClick of its own is set.
//
// Auto-size: a control with AutoSize takes the size its content asks for
// (AutoSizeExtent) whenever the content, the font or the children change and
// whenever it is given bounds, except in the dimension its alignment controls (the height of a control
// aligned left or right, the width of one aligned top or bottom, both for
// alClient).
#pragma once

#include <functional>
#include <string>

#include "platform/forms/Graphics.h"
#include "platform/forms/TComponent.h"
#include "platform/win/WindowTypes.h"

namespace forms {

class TWinControl;
class TAction;
class TCanvas;

// Where a control docks inside its parent's client area (see TWinControl::AlignControls).
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

enum TMouseButton { mbLeft, mbRight, mbMiddle };
using TShiftState = unsigned;
constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32;

using TMouseEvent = std::function<void(TComponent* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TComponent* sender, TShiftState shift, int x, int y)>;

// What an action tells the components linked to it.
class IActionClient {
 public:
  virtual void ActionChange(TAction& action) = 0;

 protected:
  ~IActionClient() = default;
};

class TControl : public TComponent, public IActionClient {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
  void SetTop(int value) { SetBounds(left_, value, width_, height_); }
  void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
  void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
  // Position in the parent's client area (the screen for a top-level form).
  // A negative width or height counts as 0, as it does for windows.
  void SetBounds(int left, int top, int width, int height);
  RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }
  virtual int ClientWidth() const { return width_; }
  virtual int ClientHeight() const { return height_; }
  // Screen position of the client area's top-left corner; exact once the
  // windows involved exist, computed from the bounds before.
  virtual POINT ClientOrigin() const;
  POINT ClientToScreen(POINT point) const;

  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);

  const std::wstring& Caption() const { return caption_; }
  void SetCaption(const std::wstring& value);

  const std::wstring& Hint() const { return hint_; }
  void SetHint(const std::wstring& value) { hint_ = value; }

  TColor Color() const { return color_; }
  void SetColor(TColor value);

  // The parent's font while ParentFont is on (the default); setting a font turns it off.
  const TFont& Font() const;
  void SetFont(const TFont& value);
  void SetFontColor(TColor value);
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool value);

  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);

  TAlign Align() const { return align_; }
  void SetAlign(TAlign value);

  TWinControl* Parent() const { return parent_; }
  // Joins the parent's controls (leaving the previous parent's). A control
  // cannot be its own parent or an ancestor's: EInvalidOperation.
  void SetParent(TWinControl* parent);

  TAction* Action() const { return action_; }
  void SetAction(TAction* action);

  TNotifyEvent OnClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;

  // What the mouse does to the control, in its client coordinates; fire the
  // events. The parent window routes its mouse messages here; tests call them directly.
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  // OnClick when set, else the action's Execute.
  virtual void Click();

  void ActionChange(TAction& action) override;

  // Asks for the control to be drawn again: its own window, or for a control
  // without one, its part of the parent's window. Nothing while there is no window.
  void Invalidate();
  // Draws the control in its own client coordinates (origin at its top-left
  // corner, cut to its bounds). The parent's window calls it for controls
  // without a window of their own; it is public so that a picture of a
  // control can be made without a window.
  virtual void Paint(TCanvas& canvas);

 protected:
  // Called after the state changed through the setters above.
  virtual void BoundsChanged() {}
  virtual void VisibleChanged() {}
  virtual void EnabledChanged() {}
  virtual void ParentChanged() {}
  virtual void TextChanged() { AdjustSize(); }
  virtual void FontChanged() { AdjustSize(); }

  // The size the content asks for; false when it asks for none.
  virtual bool AutoSizeExtent(int& width, int& height) const;
  // Applies AutoSizeExtent when AutoSize is on (SetBounds does so too).
  virtual void AdjustSize();

  void Notification(TComponent* component, TOperation operation) override;

  // Asks the parent to arrange its children again.
  void NotifyParent();

  // Record a change that happened outside (to the window itself): no feedback.
  void UpdateBounds(int left, int top, int width, int height);
  void UpdateVisible(bool value) { visible_ = value; }
  void UpdateEnabled(bool value) { enabled_ = value; }

 private:
  friend class TWinControl;
  void ApplyAutoSize(int& width, int& height) const;

  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  std::wstring caption_;
  std::wstring hint_;
  TColor color_ = clBtnFace;
  TFont font_;
  bool parentFont_ = true;
  bool autoSize_ = false;
  TAlign align_ = alNone;
  TWinControl* parent_ = nullptr;
  TAction* action_ = nullptr;
};

}  // namespace forms
