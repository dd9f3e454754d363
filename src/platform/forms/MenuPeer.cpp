#include "platform/forms/MenuPeer.h"

#include "platform/forms/TMenuItem.h"
#include "platform/forms/TPopupMenu.h"

#ifdef _WIN32
#include "platform/forms/win32/NativeMenuPeer.h"
#endif

namespace forms {

namespace {

TMenuPeer*& CurrentPeer() {
  static TMenuPeer* peer = nullptr;
  return peer;
}

}  // namespace

void TRecordingMenuPeer::Popup(TPopupMenu& menu, int x, int y) {
  last_ = &menu;
  lastPoint_ = POINT{x, y};
  ++count_;
}

void TRecordingMenuPeer::MenuFreed(TPopupMenu& menu) {
  if (last_ == &menu) last_ = nullptr;
}

bool TRecordingMenuPeer::Choose(TMenuItem* item) {
  if (!last_ || !item || item->IsLine() || item->Count() > 0) return false;
  if (item->Menu() != last_ || item == last_->Items()) return false;
  for (const TMenuItem* p = item; p && p != last_->Items(); p = p->Parent())
    if (!p->Visible() || !p->Enabled()) return false;
  last_ = nullptr;
  try {
    item->Click();
  } catch (...) {
    // Handlers of the user interface fail silently.
  }
  return true;
}

TRecordingMenuPeer& RecordingMenuPeer() {
  static TRecordingMenuPeer peer;
  return peer;
}

TMenuPeer& MenuPeer() {
  TMenuPeer* peer = CurrentPeer();
  return peer ? *peer : RecordingMenuPeer();
}

void SetMenuPeer(TMenuPeer* peer) { CurrentPeer() = peer; }

TMenuPeer& SystemMenuPeer() {
#ifdef _WIN32
  static TNativeMenuPeer peer;
  return peer;
#else
  return RecordingMenuPeer();
#endif
}

}  // namespace forms
