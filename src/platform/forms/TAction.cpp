#include "platform/forms/TAction.h"

#include <algorithm>

#include "platform/forms/TActionList.h"

namespace forms {

TAction::TAction(TComponent* owner) : TComponent(owner) {}

TAction::~TAction() { SetActionList(nullptr); }

void TAction::SetCaption(const std::wstring& value) {
  if (value == caption_) return;
  caption_ = value;
  Changed();
}

void TAction::SetHint(const std::wstring& value) {
  if (value == hint_) return;
  hint_ = value;
  Changed();
}

void TAction::SetImageIndex(int value) {
  if (value == imageIndex_) return;
  imageIndex_ = value;
  Changed();
}

void TAction::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  Changed();
}

void TAction::SetChecked(bool value) {
  if (value == checked_) return;
  checked_ = value;
  Changed();
}

void TAction::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  Changed();
}

void TAction::SetActionList(TActionList* list) {
  if (list == actionList_) return;
  if (actionList_) actionList_->RemoveAction(this);
  if (list) list->AddAction(this);
}

bool TAction::Update() {
  if (actionList_ && actionList_->OnUpdate) {
    bool handled = false;
    actionList_->OnUpdate(this, handled);
    if (handled) return true;
  }
  if (!OnUpdate) return false;
  OnUpdate(this);
  return true;
}

bool TAction::Execute() {
  Update();
  if (!enabled_) return false;
  if (actionList_ && actionList_->OnExecute) {
    bool handled = false;
    actionList_->OnExecute(this, handled);
    if (handled) return true;
  }
  if (!OnExecute) return false;
  OnExecute(this);
  return true;
}

void TAction::AddClient(TComponent* component, IActionClient* client) {
  if (!component || !client) return;
  for (const auto& entry : clients_)
    if (entry.first == component) return;
  clients_.emplace_back(component, client);
  FreeNotification(component);
}

void TAction::RemoveClient(TComponent* component) {
  clients_.erase(std::remove_if(clients_.begin(), clients_.end(),
                                [component](const auto& entry) { return entry.first == component; }),
                 clients_.end());
}

void TAction::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove) RemoveClient(component);
}

void TAction::Changed() {
  // A client may unlink itself while told: walk a copy, skipping the ones gone meanwhile.
  const auto clients = clients_;
  for (const auto& entry : clients) {
    const bool linked = std::any_of(clients_.begin(), clients_.end(),
                                    [&](const auto& current) { return current.first == entry.first; });
    if (linked) entry.second->ActionChange(*this);
  }
}

void LinkAction(TComponent& component, IActionClient& client, TAction*& link, TAction* action) {
  if (action == link) return;
  if (link) link->RemoveClient(&component);
  link = action;
  if (link) {
    component.FreeNotification(link);
    link->AddClient(&component, &client);
    client.ActionChange(*link);
  }
}

}  // namespace forms
