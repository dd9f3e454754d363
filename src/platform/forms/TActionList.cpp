#include "platform/forms/TActionList.h"

#include <algorithm>
#include <string>

#include "platform/forms/FormsErrors.h"
#include "platform/forms/TAction.h"
#include "platform/forms/TImageList.h"

namespace forms {

TActionList::TActionList(TComponent* owner) : TComponent(owner) {}

TActionList::~TActionList() {
  for (TAction* action : actions_) action->actionList_ = nullptr;
  actions_.clear();
}

TAction* TActionList::Actions(int index) const {
  if (index < 0 || index >= ActionCount())
    throw EComponentError(L"List index out of bounds (" + std::to_wstring(index) + L")");
  return actions_[static_cast<size_t>(index)];
}

void TActionList::SetImages(TImageList* value) {
  images_ = value;
  if (value) FreeNotification(value);
}

void TActionList::UpdateActions() {
  const auto actions = actions_;
  for (TAction* action : actions) {
    if (std::find(actions_.begin(), actions_.end(), action) != actions_.end()) action->Update();
  }
}

void TActionList::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == images_) images_ = nullptr;
}

void TActionList::AddAction(TAction* action) {
  actions_.push_back(action);
  action->actionList_ = this;
}

void TActionList::RemoveAction(TAction* action) {
  actions_.erase(std::remove(actions_.begin(), actions_.end(), action), actions_.end());
  if (action->actionList_ == this) action->actionList_ = nullptr;
}

}  // namespace forms
