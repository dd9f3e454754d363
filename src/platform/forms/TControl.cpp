#include "platform/forms/TControl.h"

#include <algorithm>

#include "platform/forms/FormsErrors.h"
#include "platform/forms/TAction.h"
#include "platform/forms/TCanvas.h"
#include "platform/forms/TWinControl.h"

namespace forms {

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() {
  SetAction(nullptr);
  if (TWinControl* parent = parent_) {
    parent->RemoveControl(this);
    parent->Realign();
  }
}

void TControl::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (autoSize_) ApplyAutoSize(width, height);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  Invalidate();  // where it was
  UpdateBounds(left, top, width, height);
  Invalidate();  // and where it is now
  BoundsChanged();
  NotifyParent();
}

void TControl::UpdateBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
}

POINT TControl::ClientOrigin() const {
  if (!parent_) return POINT{left_, top_};
  POINT origin = parent_->ClientOrigin();
  return POINT{origin.x + left_, origin.y + top_};
}

POINT TControl::ClientToScreen(POINT point) const {
  POINT origin = ClientOrigin();
  return POINT{origin.x + point.x, origin.y + point.y};
}

void TControl::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  Invalidate();
  VisibleChanged();
  NotifyParent();
}

void TControl::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  Invalidate();
  EnabledChanged();
}

void TControl::SetCaption(const std::wstring& value) {
  if (value == caption_) return;
  caption_ = value;
  Invalidate();
  TextChanged();
}

const TFont& TControl::Font() const {
  if (parentFont_ && parent_) return static_cast<const TControl*>(parent_)->Font();
  return font_;
}

void TControl::SetFont(const TFont& value) {
  const bool changed = parentFont_ || !(value == font_);
  font_ = value;
  parentFont_ = false;
  if (!changed) return;
  Invalidate();
  FontChanged();
}

void TControl::SetFontColor(TColor value) {
  TFont font = Font();
  font.Color = value;
  SetFont(font);
}

void TControl::SetParentFont(bool value) {
  if (value == parentFont_) return;
  if (!value) font_ = Font();
  parentFont_ = value;
  FontChanged();
}

void TControl::SetColor(TColor value) {
  if (value == color_) return;
  color_ = value;
  Invalidate();
}

void TControl::Invalidate() {
  if (auto* self = dynamic_cast<TWinControl*>(this)) {
    if (self->HandleAllocated()) win::InvalidateRect(self->Handle(), nullptr, TRUE);
    return;
  }
  if (!parent_ || !parent_->HandleAllocated()) return;
  const RECT bounds = BoundsRect();
  win::InvalidateRect(parent_->Handle(), &bounds, TRUE);
}

void TControl::Paint(TCanvas&) {}

void TControl::SetAutoSize(bool value) {
  if (value == autoSize_) return;
  autoSize_ = value;
  AdjustSize();
}

void TControl::SetAlign(TAlign value) {
  if (value == align_) return;
  align_ = value;
  NotifyParent();
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  for (const TControl* c = parent; c; c = c->parent_) {
    if (c == this) throw EInvalidOperation(L"A control cannot have itself as its parent");
  }
  TWinControl* old = parent_;
  if (parent_) parent_->RemoveControl(this);
  if (parent) parent->InsertControl(this);
  ParentChanged();
  if (parentFont_) FontChanged();
  if (old) old->Realign();
  if (parent_) parent_->Realign();
}

void TControl::NotifyParent() {
  if (parent_) parent_->Realign();
}

void TControl::SetAction(TAction* action) {
  LinkAction(*this, *this, action_, action);
}

void TControl::ActionChange(TAction& action) {
  SetCaption(action.Caption());
  SetHint(action.Hint());
  SetEnabled(action.Enabled());
  SetVisible(action.Visible());
}

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == action_) action_ = nullptr;
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::Click() {
  if (OnClick)
    OnClick(this);
  else if (action_)
    action_->Execute();
}

bool TControl::AutoSizeExtent(int&, int&) const { return false; }

void TControl::ApplyAutoSize(int& width, int& height) const {
  int autoWidth = width, autoHeight = height;
  if (!AutoSizeExtent(autoWidth, autoHeight)) return;
  switch (align_) {
    case alLeft:
    case alRight:
      width = std::max(autoWidth, 0);
      break;
    case alTop:
    case alBottom:
      height = std::max(autoHeight, 0);
      break;
    case alClient:
      break;
    default:
      width = std::max(autoWidth, 0);
      height = std::max(autoHeight, 0);
      break;
  }
}

void TControl::AdjustSize() {
  if (autoSize_) SetBounds(left_, top_, width_, height_);
}

}  // namespace forms
