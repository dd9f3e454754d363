// Popup menus shown as the system's own menus.
//
// TNativeMenu builds an HMENU from a popup menu's tree: visible items only,
// captions with their accelerators, separators, submenus, check marks (radio
// marks for radio items), disabled and default items, the images of the
// menu's image list, and, when the menu is owner-drawn, every item drawn by
// its own MeasureItem/DrawItem. Images are callback bitmaps
// (HBMMENU_CALLBACK): the owner window draws them with the toolkit's canvas,
// which blends them by their alpha, so no bitmap is made per item.
// Every item gets a number of its own in this menu, used both as its command
// id and as its item data; messages name items only by that number, which is
// looked up in the menu's own table, so nothing a message carries is ever
// taken for a pointer. An item freed while the menu is open leaves the table
// (free notification), and a number that names no live item answers nothing.
//
// TMenuOwnerWindow is the hidden window that owns a shown menu and answers
// its owner-draw messages (WM_MEASUREITEM, WM_DRAWITEM) for one TNativeMenu.
//
// TNativeMenuPeer shows a popup menu with TrackPopupMenuEx over such a
// window and, once the menu has closed, runs the chosen item's Click (a
// handler that throws fails silently). The owner window is made the
// foreground window first only when the foreground belongs to another
// thread. One menu at a time per thread: a popup asked for while one is open
// is not shown.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/forms/MenuPeer.h"
#include "platform/forms/TComponent.h"

namespace forms {

class TMenuItem;
class TPopupMenu;

// Owns a menu handle; DestroyMenu takes its submenus with it.
class TMenuHandle {
 public:
  TMenuHandle() = default;
  explicit TMenuHandle(HMENU menu) noexcept : menu_(menu) {}
  TMenuHandle(TMenuHandle&& other) noexcept : menu_(other.Release()) {}
  TMenuHandle& operator=(TMenuHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      menu_ = other.Release();
    }
    return *this;
  }
  TMenuHandle(const TMenuHandle&) = delete;
  TMenuHandle& operator=(const TMenuHandle&) = delete;
  ~TMenuHandle() { Reset(); }
  void Reset() noexcept {
    if (menu_) DestroyMenu(menu_);
    menu_ = nullptr;
  }
  HMENU Get() const { return menu_; }
  // Hands the handle over (to a parent menu that now owns it).
  HMENU Release() noexcept {
    HMENU menu = menu_;
    menu_ = nullptr;
    return menu;
  }

 private:
  HMENU menu_ = nullptr;
};

class TNativeMenu : public TComponent {
 public:
  // com::ComError when the system refuses a menu, an item or a bitmap.
  explicit TNativeMenu(TPopupMenu& menu);
  ~TNativeMenu() override;

  HMENU Handle() const { return handle_.Get(); }
  // The item that command id / item data names, or null (none, or freed since).
  TMenuItem* ItemOf(ULONG_PTR number) const;
  // Whether the menu handle is this menu's or one of its submenus'.
  bool Owns(HMENU menu) const;

  // Answer the owner-draw messages of this menu's items (the items of an
  // owner-drawn menu, the images of another); false for anything else
  // (another control's item, a number this menu does not know).
  bool MeasureItem(MEASUREITEMSTRUCT& measure) const;
  bool DrawItem(const DRAWITEMSTRUCT& draw) const;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  // A popup menu with the visible items under `parent`.
  TMenuHandle Build(const TMenuItem& parent);
  void Append(HMENU target, TMenuItem& item);
  bool HasImage(const TMenuItem& item) const;

  bool ownerDraw_;
  TMenuHandle handle_;
  std::vector<HMENU> submenus_;
  std::vector<TMenuItem*> items_;  // number - 1 -> item; null once freed
};

// A hidden window of the calling thread that owns a shown menu.
class TMenuOwnerWindow {
 public:
  // com::ComError when the window cannot be made.
  explicit TMenuOwnerWindow(const TNativeMenu& menu);
  ~TMenuOwnerWindow();
  TMenuOwnerWindow(const TMenuOwnerWindow&) = delete;
  TMenuOwnerWindow& operator=(const TMenuOwnerWindow&) = delete;

  HWND Handle() const { return hwnd_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
};

class TNativeMenuPeer : public TMenuPeer {
 public:
  void Popup(TPopupMenu& menu, int x, int y) override;
  void MenuFreed(TPopupMenu& menu) override;
};

}  // namespace forms
