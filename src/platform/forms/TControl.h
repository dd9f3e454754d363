// A visual component: bounds, visibility, enabled state, hint, alignment and a
// parent control. TControl keeps the logical state; windowed controls
// (TWinControl) carry it over to their window and follow changes made to the
// window directly.
#pragma once

#include <string>

#include "platform/forms/TComponent.h"
#include "platform/win/WindowTypes.h"

namespace forms {

class TWinControl;

// Where a control docks inside its parent's client area. The arrangement
// itself comes with the layouts; the property is part of the state already.
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

class TControl : public TComponent {
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

  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);

  const std::wstring& Hint() const { return hint_; }
  void SetHint(const std::wstring& value) { hint_ = value; }

  TAlign Align() const { return align_; }
  void SetAlign(TAlign value) { align_ = value; }

  TWinControl* Parent() const { return parent_; }
  // Joins the parent's controls (leaving the previous parent's). A control
  // cannot be its own parent or an ancestor's: EInvalidOperation.
  void SetParent(TWinControl* parent);

 protected:
  // Called after the state changed through the setters above.
  virtual void BoundsChanged() {}
  virtual void VisibleChanged() {}
  virtual void EnabledChanged() {}
  virtual void ParentChanged() {}

  // Record a change that happened outside (to the window itself): no feedback.
  void UpdateBounds(int left, int top, int width, int height);
  void UpdateVisible(bool value) { visible_ = value; }
  void UpdateEnabled(bool value) { enabled_ = value; }

 private:
  friend class TWinControl;

  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  std::wstring hint_;
  TAlign align_ = alNone;
  TWinControl* parent_ = nullptr;
};

}  // namespace forms
