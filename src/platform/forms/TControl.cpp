#include "platform/forms/TControl.h"

#include <algorithm>

#include "platform/forms/FormsErrors.h"
#include "platform/forms/TWinControl.h"

namespace forms {

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() {
  if (parent_) parent_->RemoveControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  UpdateBounds(left, top, width, height);
  BoundsChanged();
}

void TControl::UpdateBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
}

void TControl::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  VisibleChanged();
}

void TControl::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  EnabledChanged();
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  for (const TControl* c = parent; c; c = c->parent_) {
    if (c == this) throw EInvalidOperation(L"A control cannot have itself as its parent");
  }
  if (parent_) parent_->RemoveControl(this);
  if (parent) parent->InsertControl(this);
  ParentChanged();
}

}  // namespace forms
