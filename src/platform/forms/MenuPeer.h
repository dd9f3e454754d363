// What shows a popup menu. The toolkit calls the peer once a menu's OnPopup
// has run; the peer shows the menu and, when the user chooses an item, runs
// that item's Click.
//
// TRecordingMenuPeer shows nothing: it records the last popup (menu and
// position, forgotten when the menu is freed) and lets its caller choose an
// item. It is the peer in use until one is set through SetMenuPeer, and the
// system's peer on the portable build, which has no menus to show. On Windows
// the system's peer shows the system's own menus (win32/NativeMenuPeer.h); the
// module installs it when it loads, and test programs put the recording peer
// back so that no test enters a menu's modal loop unasked.
#pragma once

#include "platform/win/WindowTypes.h"

namespace forms {

class TPopupMenu;
class TMenuItem;

class TMenuPeer {
 public:
  virtual ~TMenuPeer() = default;
  virtual void Popup(TPopupMenu& menu, int x, int y) = 0;
  // The menu is being freed: forget it.
  virtual void MenuFreed(TPopupMenu& menu) = 0;
};

class TRecordingMenuPeer : public TMenuPeer {
 public:
  void Popup(TPopupMenu& menu, int x, int y) override;
  void MenuFreed(TPopupMenu& menu) override;

  // The menu shown last and where; null when none or when it was freed.
  TPopupMenu* LastMenu() const { return last_; }
  POINT LastPoint() const { return lastPoint_; }
  int PopupCount() const { return count_; }
  // Forgets the last popup (the user dismissed it).
  void Dismiss() { last_ = nullptr; }

  // Chooses an item of the menu shown last, as the user would: only a
  // visible, enabled item that is not a separator and has no sub-items, and
  // whose parents are visible and enabled, in that menu's tree. Runs its Click
  // (a handler that throws fails silently, as handlers of the user interface
  // do) and closes the menu. False when the item cannot be chosen.
  bool Choose(TMenuItem* item);

 private:
  TPopupMenu* last_ = nullptr;
  POINT lastPoint_{0, 0};
  int count_ = 0;
};

// The peer in use (a process-wide TRecordingMenuPeer unless replaced).
TMenuPeer& MenuPeer();
// Null restores the recording peer. The caller keeps the peer alive while it is in use.
void SetMenuPeer(TMenuPeer* peer);
// The process-wide recording peer.
TRecordingMenuPeer& RecordingMenuPeer();
// The peer that shows the system's menus: the native peer on Windows, the recording peer elsewhere.
TMenuPeer& SystemMenuPeer();

}  // namespace forms
