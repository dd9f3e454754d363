#include "platform/forms/TPopupMenu.h"

#include "platform/forms/MenuPeer.h"
#include "platform/forms/TImageList.h"

namespace forms {

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(nullptr)) {
  items_->menu_ = this;
}

TPopupMenu::~TPopupMenu() {
  RecordingMenuPeer().MenuFreed(*this);
  if (&MenuPeer() != &RecordingMenuPeer()) MenuPeer().MenuFreed(*this);
  items_.reset();
}

void TPopupMenu::SetImages(TImageList* value) {
  images_ = value;
  if (value) FreeNotification(value);
}

void TPopupMenu::SetPopupComponent(TComponent* value) {
  popupComponent_ = value;
  if (value) FreeNotification(value);
}

void TPopupMenu::Popup(int x, int y) {
  popupPoint_ = POINT{x, y};
  if (OnPopup) OnPopup(this);
  MenuPeer().Popup(*this, x, y);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == images_) images_ = nullptr;
  if (component == popupComponent_) popupComponent_ = nullptr;
}

}  // namespace forms
