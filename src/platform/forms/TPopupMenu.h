// A popup menu: a tree of items under Items(), with the images the items name.
//
// Popup(x, y) runs OnPopup, then hands the menu to the menu peer (MenuPeer.h)
// at that screen position: on Windows the system's own menu, whose chosen
// item runs its Click once the menu has closed; on the portable build (and in
// tests) the recording peer, which lets its caller choose an item.
#pragma once

#include "platform/forms/TComponent.h"
#include "platform/forms/TMenuItem.h"

namespace forms {

class TImageList;

class TPopupMenu : public TComponent {
 public:
  explicit TPopupMenu(TComponent* owner);
  ~TPopupMenu() override;

  // The root of the tree (not an item shown itself).
  TMenuItem* Items() const { return items_.get(); }

  TImageList* Images() const { return images_; }
  void SetImages(TImageList* value);
  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool value) { ownerDraw_ = value; }
  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool value) { autoPopup_ = value; }

  // The component that popped the menu up last (a tool button, say); cleared when it is freed.
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* value);
  POINT PopupPoint() const { return popupPoint_; }

  TNotifyEvent OnPopup;

  // OnPopup, then the peer. A throwing OnPopup stops there (the exception propagates).
  void Popup(int x, int y);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TOwned<TMenuItem> items_;
  TImageList* images_ = nullptr;
  TComponent* popupComponent_ = nullptr;
  POINT popupPoint_{0, 0};
  bool ownerDraw_ = false;
  bool autoPopup_ = true;
};

}  // namespace forms
