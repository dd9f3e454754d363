#include "platform/forms/TMenuItem.h"

#include <algorithm>
#include <string>

#include "platform/forms/FormsErrors.h"
#include "platform/forms/TAction.h"
#include "platform/forms/TCanvas.h"
#include "platform/forms/TImageList.h"
#include "platform/forms/TPopupMenu.h"

namespace forms {

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
  SetAction(nullptr);
  Clear();
  if (parent_) parent_->Remove(this);
}

void TMenuItem::SetChecked(bool value) {
  if (value == checked_) return;
  checked_ = value;
  if (value && radioItem_ && parent_) {
    for (TMenuItem* sibling : parent_->items_)
      if (sibling != this && sibling->radioItem_ && sibling->groupIndex_ == groupIndex_) sibling->checked_ = false;
  }
}

void TMenuItem::SetAction(TAction* action) {
  LinkAction(*this, *this, action_, action);
}

void TMenuItem::ActionChange(TAction& action) {
  caption_ = action.Caption();
  hint_ = action.Hint();
  imageIndex_ = action.ImageIndex();
  enabled_ = action.Enabled();
  visible_ = action.Visible();
  SetChecked(action.Checked());
}

void TMenuItem::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == action_) action_ = nullptr;
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EComponentError(L"Menu index out of bounds (" + std::to_wstring(index) + L")");
  return items_[static_cast<size_t>(index)];
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (!item) throw EInvalidOperation(L"Cannot insert a null menu item");
  for (const TMenuItem* p = this; p; p = p->parent_)
    if (p == item) throw EInvalidOperation(L"A menu item cannot be inserted under itself");
  if (item->parent_) item->parent_->Remove(item);
  index = std::clamp(index, 0, Count());
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return;
  items_.erase(it);
  item->parent_ = nullptr;
}

void TMenuItem::Delete(int index) { Remove(Items(index)); }

void TMenuItem::Clear() {
  while (!items_.empty()) Free(items_.back());
}

TPopupMenu* TMenuItem::Menu() const {
  const TMenuItem* root = this;
  while (root->parent_) root = root->parent_;
  return root->menu_;
}

TImageList* TMenuItem::Images() const {
  TPopupMenu* menu = Menu();
  return menu ? menu->Images() : nullptr;
}

void TMenuItem::Click() {
  if (!enabled_) return;
  if (autoCheck_) SetChecked(!checked_);
  if (OnClick)
    OnClick(this);
  else if (action_)
    action_->Execute();
}

void TMenuItem::MeasureItem(TCanvas* canvas, int& width, int& height) {
  const TFont font = canvas ? canvas->Font : TFont{};
  if (IsLine()) {
    width = 0;
    height = 8;
  } else {
    const TImageList* images = Images();
    width = TextExtent(font, StripAccelChars(caption_)).cx + 16 + (images ? images->Width() + 8 : 0);
    height = std::max(FontLineHeight(font) + 6, images ? images->Height() + 3 : 0);
  }
  if (OnMeasureItem) OnMeasureItem(this, canvas, width, height);
}

void TMenuItem::DrawItem(TCanvas& canvas, RECT rect, TOwnerDrawState state) {
  if (OnAdvancedDrawItem) {
    OnAdvancedDrawItem(this, &canvas, rect, state);
  } else if (OnDrawItem) {
    OnDrawItem(this, &canvas, rect, (state & odSelected) != 0);
  } else {
    canvas.Brush.Color = (state & odSelected) ? clHighlight : clWindow;
    canvas.FillRect(rect);
    const TImageList* images = Images();
    if (images && imageIndex_ >= 0 && imageIndex_ < images->Count())
      canvas.Draw(rect.left + 2, rect.top + (rect.bottom - rect.top - images->Height()) / 2,
                  images->GetBitmap(imageIndex_));
    if (!IsLine() && !caption_.empty())
      canvas.TextOut(rect.left + (images ? images->Width() + 8 : 4), rect.top + 3, StripAccelChars(caption_));
  }
}

}  // namespace forms
