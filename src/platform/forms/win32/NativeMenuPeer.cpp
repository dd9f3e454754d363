#include "platform/forms/win32/NativeMenuPeer.h"

#include <algorithm>
#include <string>

#include "platform/com/ComError.h"
#include "platform/forms/TCanvas.h"
#include "platform/forms/TImageList.h"
#include "platform/forms/TMenuItem.h"
#include "platform/forms/TPopupMenu.h"
#include "platform/forms/WindowClassRegistry.h"
#include "platform/win/GdiHandles.h"

namespace forms {

namespace {

constexpr wchar_t kOwnerClass[] = L"VornMenuOwner";
// The owner window's extra bytes hold the menu it answers for.
constexpr int kMenuSlot = 0;

[[noreturn]] void ThrowLastError(const wchar_t* what) {
  const DWORD error = GetLastError();
  throw com::ComError(error ? HRESULT_FROM_WIN32(error) : E_FAIL, what);
}

TOwnerDrawState StateOf(UINT itemState) {
  TOwnerDrawState state = 0;
  if (itemState & ODS_SELECTED) state |= odSelected;
  if (itemState & ODS_GRAYED) state |= odGrayed;
  if (itemState & ODS_DISABLED) state |= odDisabled;
  if (itemState & ODS_CHECKED) state |= odChecked;
  if (itemState & ODS_DEFAULT) state |= odDefault;
  return state;
}

// Whether this thread is inside a menu of this peer (the system tracks one popup menu at a time).
thread_local bool g_tracking = false;

class TrackingScope {
 public:
  TrackingScope() { g_tracking = true; }
  ~TrackingScope() { g_tracking = false; }
  TrackingScope(const TrackingScope&) = delete;
  TrackingScope& operator=(const TrackingScope&) = delete;
};

}  // namespace

// ------------------------------------------------------------------ TNativeMenu

TNativeMenu::TNativeMenu(TPopupMenu& menu) : TComponent(nullptr), ownerDraw_(menu.OwnerDraw()) {
  handle_ = Build(*menu.Items());
}

TNativeMenu::~TNativeMenu() = default;

TMenuHandle TNativeMenu::Build(const TMenuItem& parent) {
  TMenuHandle menu(CreatePopupMenu());
  if (!menu.Get()) ThrowLastError(L"Cannot create a popup menu");
  submenus_.push_back(menu.Get());
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem* item = parent.Items(i);
    if (item->Visible()) Append(menu.Get(), *item);
  }
  return menu;
}

bool TNativeMenu::HasImage(const TMenuItem& item) const {
  const TImageList* images = item.Images();
  return images && item.ImageIndex() >= 0 && item.ImageIndex() < images->Count();
}

void TNativeMenu::Append(HMENU target, TMenuItem& item) {
  items_.push_back(&item);
  FreeNotification(&item);
  const auto number = static_cast<UINT>(items_.size());

  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA;
  info.wID = number;
  info.dwItemData = number;
  std::wstring caption = item.Caption();
  if (item.IsLine()) {
    info.fType = MFT_SEPARATOR;
  } else {
    info.fMask |= MIIM_STRING;
    info.dwTypeData = caption.data();
    if (item.RadioItem()) info.fType |= MFT_RADIOCHECK;
    if (item.Checked()) info.fState |= MFS_CHECKED;
    if (!item.Enabled()) info.fState |= MFS_DISABLED;
    if (item.Default()) info.fState |= MFS_DEFAULT;
    if (!ownerDraw_ && HasImage(item)) {
      info.fMask |= MIIM_BITMAP;
      info.hbmpItem = HBMMENU_CALLBACK;
    }
  }
  if (ownerDraw_) info.fType |= MFT_OWNERDRAW;
  TMenuHandle submenu;
  if (item.Count() > 0 && !item.IsLine()) {
    submenu = Build(item);
    info.fMask |= MIIM_SUBMENU;
    info.hSubMenu = submenu.Get();
  }
  if (!InsertMenuItemW(target, GetMenuItemCount(target), TRUE, &info)) ThrowLastError(L"Cannot add a menu item");
  submenu.Release();  // the parent menu owns it now
}

TMenuItem* TNativeMenu::ItemOf(ULONG_PTR number) const {
  if (number == 0 || number > items_.size()) return nullptr;
  return items_[number - 1];
}

bool TNativeMenu::Owns(HMENU menu) const {
  return menu && std::find(submenus_.begin(), submenus_.end(), menu) != submenus_.end();
}

void TNativeMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  std::replace(items_.begin(), items_.end(), static_cast<TMenuItem*>(component), static_cast<TMenuItem*>(nullptr));
}

bool TNativeMenu::MeasureItem(MEASUREITEMSTRUCT& measure) const {
  if (measure.CtlType != ODT_MENU) return false;
  TMenuItem* item = ItemOf(measure.itemData);
  if (!item) return false;
  if (!ownerDraw_) {
    // The item's image (a callback bitmap).
    const TImageList* images = item->Images();
    if (!images) return false;
    measure.itemWidth = static_cast<UINT>(images->Width());
    measure.itemHeight = static_cast<UINT>(images->Height());
    return true;
  }
  win::DcHandle screen(CreateCompatibleDC(nullptr));
  int width = static_cast<int>(measure.itemWidth);
  int height = static_cast<int>(measure.itemHeight);
  if (screen) {
    TCanvas canvas(screen.Get());
    item->MeasureItem(&canvas, width, height);
  } else {
    item->MeasureItem(nullptr, width, height);
  }
  measure.itemWidth = static_cast<UINT>(std::max(width, 0));
  measure.itemHeight = static_cast<UINT>(std::max(height, 0));
  return true;
}

bool TNativeMenu::DrawItem(const DRAWITEMSTRUCT& draw) const {
  if (draw.CtlType != ODT_MENU || !Owns(reinterpret_cast<HMENU>(draw.hwndItem)) || !draw.hDC) return false;
  TMenuItem* item = ItemOf(draw.itemData);
  if (!item) return false;
  TCanvas canvas(draw.hDC);
  if (ownerDraw_) {
    item->DrawItem(canvas, draw.rcItem, StateOf(draw.itemState));
    return true;
  }
  if (!HasImage(*item)) return false;
  const TImageList* images = item->Images();
  const RECT& r = draw.rcItem;
  canvas.Draw(r.left + (r.right - r.left - images->Width()) / 2, r.top + (r.bottom - r.top - images->Height()) / 2,
              images->GetBitmap(item->ImageIndex()));
  return true;
}

// ------------------------------------------------------------------ TMenuOwnerWindow

TMenuOwnerWindow::TMenuOwnerWindow(const TNativeMenu& menu) {
  detail::EnsureWindowClass(kOwnerClass, 0, &TMenuOwnerWindow::WindowProc);
  hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW, kOwnerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                          detail::ModuleInstance(), const_cast<TNativeMenu*>(&menu));
  if (!hwnd_) ThrowLastError(L"Cannot create the menu's owner window");
}

TMenuOwnerWindow::~TMenuOwnerWindow() { DestroyWindow(hwnd_); }

LRESULT CALLBACK TMenuOwnerWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, kMenuSlot, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  const auto* menu = reinterpret_cast<const TNativeMenu*>(GetWindowLongPtrW(hwnd, kMenuSlot));
  // Only menus send these with wParam 0; the handlers of the items fail silently.
  if (menu && wParam == 0 && (msg == WM_MEASUREITEM || msg == WM_DRAWITEM)) {
    try {
      if (msg == WM_MEASUREITEM) return menu->MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)) ? TRUE : FALSE;
      return menu->DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)) ? TRUE : FALSE;
    } catch (...) {
      return FALSE;
    }
  }
  if (msg == WM_NCDESTROY) SetWindowLongPtrW(hwnd, kMenuSlot, 0);
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// ------------------------------------------------------------------ TNativeMenuPeer

void TNativeMenuPeer::Popup(TPopupMenu& menu, int x, int y) {
  if (g_tracking) return;
  TMenuItem* chosen = nullptr;
  {
    TrackingScope tracking;
    TNativeMenu native(menu);
    TMenuOwnerWindow owner(native);
    // A menu closes on a click elsewhere only while its thread owns the
    // foreground; a thread that owns it already (a browser's toolbar) keeps its
    // active window, so that showing a menu does not deactivate the frame.
    HWND foreground = GetForegroundWindow();
    const bool takeForeground = !foreground || GetWindowThreadProcessId(foreground, nullptr) != GetCurrentThreadId();
    if (takeForeground) SetForegroundWindow(owner.Handle());
    const UINT command = static_cast<UINT>(TrackPopupMenuEx(
        native.Handle(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, x, y, owner.Handle(), nullptr));
    // Lets the system switch tasks properly after a menu of a background thread.
    if (takeForeground) PostMessageW(owner.Handle(), WM_NULL, 0, 0);
    // Freed by a handler while the menu was open: the table holds null then.
    chosen = native.ItemOf(command);
  }
  if (!chosen) return;
  try {
    chosen->Click();
  } catch (...) {
    // Handlers of the user interface fail silently.
  }
}

void TNativeMenuPeer::MenuFreed(TPopupMenu&) {
  // Nothing to forget: a menu being shown is watched item by item (its items
  // go with it), and nothing of a menu is kept once its popup is over.
}

}  // namespace forms
