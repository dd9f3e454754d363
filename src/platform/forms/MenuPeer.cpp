#include "platform/forms/MenuPeer.h"

#include "platform/forms/TMenuItem.h"
#include "platform/forms/TPopupMenu.h"

#ifdef _WIN32
#include "platform/forms/win32/NativeMenuPeer.h"
#else
#include <vector>

#include "platform/forms/TCanvas.h"
#include "platform/win/PopupMenuBoard.h"
#endif

namespace forms {

namespace {

TMenuPeer*& CurrentPeer() {
  static TMenuPeer* peer = nullptr;
  return peer;
}

#ifndef _WIN32
void ListItems(const TMenuItem& parent, int depth, std::vector<TMenuItem*>& items,
               std::vector<win::portable::menus::ItemView>& views) {
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem* item = parent.Items(i);
    items.push_back(item);
    views.push_back({.caption = item->Caption(),
                     .depth = depth,
                     .line = item->IsLine(),
                     .visible = item->Visible(),
                     .enabled = item->Enabled(),
                     .checked = item->Checked(),
                     .hasItems = item->Count() > 0});
    ListItems(*item, depth + 1, items, views);
  }
}

// The menu goes on the window system's board, where a program driving the
// windows finds it even when this toolkit is a loaded module's own copy.
void PostToBoard(TRecordingMenuPeer& peer, TPopupMenu& menu, POINT at) {
  namespace menus = win::portable::menus;
  std::vector<TMenuItem*> items;
  menus::Holder holder{.menu = &menu, .view = {.at = at, .ownerDraw = menu.OwnerDraw()}};
  ListItems(*menu.Items(), 0, items, holder.view.items);
  holder.choose = [&peer, &menu, items](std::size_t index) {
    return peer.LastMenu() == &menu && peer.Choose(items[index]);
  };
  holder.measure = [items](HDC dc, std::size_t index) {
    TCanvas canvas(dc);
    int width = 0, height = 0;
    items[index]->MeasureItem(&canvas, width, height);
    return SIZE{width, height};
  };
  holder.draw = [items](HDC dc, std::size_t index, RECT rect) {
    TCanvas canvas(dc);
    const TMenuItem& item = *items[index];
    items[index]->DrawItem(canvas, rect, (item.Enabled() ? 0u : odDisabled | odGrayed) | (item.Checked() ? odChecked : 0u));
  };
  menus::Post(std::move(holder));
}
#endif

}  // namespace

void TRecordingMenuPeer::Popup(TPopupMenu& menu, int x, int y) {
  last_ = &menu;
  lastPoint_ = POINT{x, y};
  ++count_;
#ifndef _WIN32
  PostToBoard(*this, menu, lastPoint_);
#endif
}

void TRecordingMenuPeer::MenuFreed(TPopupMenu& menu) {
  if (last_ == &menu) last_ = nullptr;
#ifndef _WIN32
  win::portable::menus::Withdraw(&menu);
#endif
}

bool TRecordingMenuPeer::Choose(TMenuItem* item) {
  if (!last_ || !item || item->IsLine() || item->Count() > 0) return false;
  if (item->Menu() != last_ || item == last_->Items()) return false;
  for (const TMenuItem* p = item; p && p != last_->Items(); p = p->Parent())
    if (!p->Visible() || !p->Enabled()) return false;
  last_ = nullptr;
#ifndef _WIN32
  win::portable::menus::Withdraw(item->Menu());
#endif
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
