#include "platform/forms/TComponent.h"

#include <algorithm>

#include "platform/forms/FormsErrors.h"

namespace forms {

namespace {

wchar_t FoldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool SameName(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
           return FoldAscii(x) == FoldAscii(y);
         });
}

bool IsIdentStart(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'_'; }

bool IsIdentifier(std::wstring_view name) {
  if (name.empty() || !IsIdentStart(name[0])) return false;
  return std::all_of(name.begin() + 1, name.end(),
                     [](wchar_t c) { return IsIdentStart(c) || (c >= L'0' && c <= L'9'); });
}

}  // namespace

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  destroying_ = true;
  SendFreeNotifications();
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::SetName(const std::wstring& name) {
  if (name == name_) return;
  if (!name.empty() && !IsIdentifier(name)) throw EComponentError(L"'" + name + L"' is not a valid component name");
  if (!name.empty() && owner_ && owner_->NameTaken(name, this))
    throw EComponentError(L"A component named " + name + L" already exists");
  name_ = name;
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount())
    throw EComponentError(L"List index out of bounds (" + std::to_wstring(index) + L")");
  return components_[static_cast<size_t>(index)];
}

TComponent* TComponent::FindComponent(std::wstring_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_) {
    if (SameName(c->name_, name)) return c;
  }
  return nullptr;
}

bool TComponent::NameTaken(std::wstring_view name, const TComponent* except) const {
  TComponent* found = FindComponent(name);
  return found && found != except;
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component) throw EComponentError(L"Cannot own a null component");
  for (const TComponent* c = this; c; c = c->owner_) {
    if (c == component) throw EComponentError(L"A component cannot own itself or its owner");
  }
  if (component->owner_ == this) return;
  if (!component->name_.empty() && NameTaken(component->name_, component))
    throw EComponentError(L"A component named " + component->name_ + L" already exists");
  components_.push_back(component);
  if (component->owner_) component->owner_->RemoveComponent(component);
  component->owner_ = this;
}

void TComponent::RemoveComponent(TComponent* component) {
  if (!component || component->owner_ != this) return;
  components_.erase(std::remove(components_.begin(), components_.end(), component), components_.end());
  component->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
  // One at a time from the end: a destructor may free or release siblings.
  while (!components_.empty()) {
    TComponent* last = components_.back();
    last->BeforeDestructionOnce();
    // The handler may have freed it (or others) already.
    if (components_.empty() || components_.back() != last) continue;
    components_.pop_back();
    last->owner_ = nullptr;
    delete last;
  }
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
    freeNotifies_.push_back(component);
  if (std::find(component->freeNotifies_.begin(), component->freeNotifies_.end(), this) ==
      component->freeNotifies_.end())
    component->freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component) return;
  freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component), freeNotifies_.end());
  component->freeNotifies_.erase(std::remove(component->freeNotifies_.begin(), component->freeNotifies_.end(), this),
                                 component->freeNotifies_.end());
}

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::SendFreeNotifications() {
  // A notified component may drop other links meanwhile: take them one at a time.
  while (!freeNotifies_.empty()) {
    TComponent* other = freeNotifies_.back();
    RemoveFreeNotification(other);
    other->Notification(this, opRemove);
  }
}

void TComponent::BeforeDestructionOnce() {
  if (beforeDestructionRan_) return;
  beforeDestructionRan_ = true;
  BeforeDestruction();
}

void TComponent::operator delete(TComponent* component, std::destroying_delete_t) {
  if (!component) return;
  component->BeforeDestructionOnce();
  // The block starts at the most derived object, wherever this base sits in it.
  void* block = dynamic_cast<void*>(component);
  component->~TComponent();
  ::operator delete(block);
}

void Free(TComponent* component) {
  if (component) delete component;
}

}  // namespace forms
