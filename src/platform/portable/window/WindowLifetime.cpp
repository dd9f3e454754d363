// Creating and destroying windows, in the order Windows sends the messages.
#include "platform/portable/window/WindowSystem.h"

namespace win {

using portable::Window;
using portable::WindowStage;
using portable::WindowSystem;

namespace {

constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;

bool IsChildStyle(DWORD style) { return (style & (WS_CHILD | WS_POPUP)) == WS_CHILD; }

// WM_PARENTNOTIFY climbs from a child window to its parent, and on up while
// the window notifying is itself a child that has not opted out.
void SendParentNotify(HWND hwnd, UINT event) {
  auto& system = WindowSystem::Get();
  HWND current = hwnd;
  WPARAM wParam = 0;
  for (;;) {
    HWND parent = nullptr;
    {
      std::lock_guard lock(system.mutex);
      Window* w = system.Find(current);
      if (!w || !IsChildStyle(w->style) || (w->exStyle & WS_EX_NOPARENTNOTIFY)) return;
      if (current == hwnd) wParam = MAKEWPARAM(event, static_cast<WORD>(w->id));
      parent = w->parent;
      if (!parent || parent == system.Desktop()) return;
    }
    portable::Send(parent, WM_PARENTNOTIFY, wParam, reinterpret_cast<LPARAM>(hwnd));
    current = parent;
  }
}

// WM_DESTROY: the window first, then its children (in z-order), each before its own children.
void SendDestroy(HWND hwnd) {
  auto& system = WindowSystem::Get();
  {
    std::lock_guard lock(system.mutex);
    Window* w = system.Find(hwnd);
    if (!w) return;
    w->stage = WindowStage::kDestroying;
  }
  portable::Send(hwnd, WM_DESTROY, 0, 0);
  std::vector<HWND> children;
  {
    std::lock_guard lock(system.mutex);
    Window* w = system.Find(hwnd);
    if (!w) return;
    children = w->children;
  }
  for (HWND child : children) {
    bool pending = false;
    {
      std::lock_guard lock(system.mutex);
      Window* c = system.Find(child);
      pending = c && c->parent == hwnd && c->stage < WindowStage::kDestroying;
    }
    if (pending) SendDestroy(child);
  }
}

// WM_NCDESTROY: children first, the window last; then the handle goes away.
void FreeWindowTree(HWND hwnd) {
  auto& system = WindowSystem::Get();
  std::vector<HWND> children;
  {
    std::lock_guard lock(system.mutex);
    Window* w = system.Find(hwnd);
    if (!w || w->stage == WindowStage::kNcDestroying) return;
    children = w->children;
  }
  for (HWND child : children) {
    bool linked = false;
    {
      std::lock_guard lock(system.mutex);
      Window* c = system.Find(child);
      linked = c && c->parent == hwnd;
    }
    if (linked) FreeWindowTree(child);
  }
  {
    std::lock_guard lock(system.mutex);
    Window* w = system.Find(hwnd);
    if (!w || w->stage == WindowStage::kNcDestroying) return;
    w->stage = WindowStage::kNcDestroying;
  }
  portable::Send(hwnd, WM_NCDESTROY, 0, 0);
  std::lock_guard lock(system.mutex);
  system.RemoveWindow(hwnd);
}

// Removes a window whose creation was refused or interrupted.
void AbortCreation(HWND hwnd) {
  if (IsWindow(hwnd)) FreeWindowTree(hwnd);
}

}  // namespace

HWND CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle, int X, int Y,
                     int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam) {
  const DWORD self = portable::CurrentThread();
  const bool child = IsChildStyle(dwStyle);
  DWORD style = dwStyle;
  if (!(style & (WS_CHILD | WS_POPUP))) style |= WS_CLIPSIBLINGS | WS_CAPTION;  // overlapped windows always have these

  if (X == CW_USEDEFAULT) X = Y = 0;
  if (nWidth == CW_USEDEFAULT) {
    bool overlapped = !(style & (WS_CHILD | WS_POPUP));
    nWidth = overlapped ? kDefaultWidth : 0;
    nHeight = overlapped ? kDefaultHeight : 0;
  }
  if (nWidth < 0) nWidth = 0;
  if (nHeight < 0) nHeight = 0;

  CREATESTRUCTW cs{};
  cs.lpCreateParams = lpParam;
  cs.hInstance = hInstance;
  cs.hMenu = hMenu;
  cs.hwndParent = hWndParent;
  cs.x = X;
  cs.y = Y;
  cs.cx = nWidth;
  cs.cy = nHeight;
  cs.style = static_cast<LONG>(dwStyle);
  cs.lpszName = lpWindowName;
  cs.lpszClass = lpClassName;
  cs.dwExStyle = dwExStyle;

  HWND hwnd = nullptr;
  HWND parent = nullptr;
  {
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    auto cls = system.FindClass(lpClassName, hInstance, false);
    if (!cls) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    HWND owner = nullptr;
    parent = system.Desktop();
    if (hWndParent) {
      Window* p = system.Find(hWndParent);
      if (!p) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
      }
      if (child) {
        parent = hWndParent;
      } else if (hWndParent != system.Desktop()) {
        // The owner of a top-level window is always a top-level window.
        while (p && p->parent != system.Desktop()) p = system.Find(p->parent);
        owner = p ? p->hwnd : nullptr;
      }
    } else if (child) {
      SetLastError(ERROR_TLW_WITH_WSCHILD);
      return nullptr;
    }
    auto record = std::make_unique<Window>();
    record->cls = cls;
    record->threadId = self;
    record->style = style & ~static_cast<DWORD>(WS_VISIBLE);  // shown once creation is complete
    record->exStyle = dwExStyle;
    record->proc = cls->proc;
    record->id = reinterpret_cast<LONG_PTR>(hMenu);
    record->instance = hInstance;
    record->parent = parent;
    record->owner = owner;
    record->rect = RECT{X, Y, X + nWidth, Y + nHeight};
    record->extra.assign(static_cast<size_t>(cls->wndExtra), 0);
    if (lpWindowName) record->text = lpWindowName;
    hwnd = system.AddWindow(std::move(record)).hwnd;
  }

  // A window procedure that throws must not leave a half-made window behind.
  struct Guard {
    HWND hwnd;
    bool done = false;
    ~Guard() {
      if (!done) AbortCreation(hwnd);
    }
  } guard{hwnd};

  if (!portable::Send(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) || !IsWindow(hwnd)) return nullptr;
  {
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    Window* w = system.Find(hwnd);
    // Children join their parent at the bottom of the z-order, top-level windows at the top.
    system.Link(*w, parent, child);
  }
  if (portable::Send(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1 || !IsWindow(hwnd)) return nullptr;

  RECT client{};
  POINT origin{};
  {
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    Window* w = system.Find(hwnd);
    w->stage = WindowStage::kAlive;
    client = system.ClientRect(*w);
    RECT insets = portable::NonClientInsets(w->style, w->exStyle, false);
    origin = POINT{w->rect.left + insets.left, w->rect.top + insets.top};
  }
  guard.done = true;
  portable::Send(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
  portable::Send(hwnd, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
  if (child) SendParentNotify(hwnd, WM_CREATE);
  if ((dwStyle & WS_VISIBLE) && IsWindow(hwnd)) ShowWindow(hwnd, SW_SHOW);
  return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hWnd) {
  const DWORD self = portable::CurrentThread();
  bool child = false;
  bool visible = false;
  {
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    Window* w = system.Find(hWnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    if (hWnd == system.Desktop() || w->threadId != self) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    if (w->stage >= WindowStage::kDestroying) return TRUE;  // already on its way out
    child = IsChildStyle(w->style);
    visible = (w->style & WS_VISIBLE) != 0;
  }
  if (child) SendParentNotify(hWnd, WM_DESTROY);
  if (visible && IsWindow(hWnd)) {
    // Only child windows hear WM_SHOWWINDOW here, as on Windows.
    if (child)
      ShowWindow(hWnd, SW_HIDE);
    else
      SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
  }
  if (!IsWindow(hWnd)) return TRUE;
  portable::MoveFocusOutOf(hWnd);
  if (!IsWindow(hWnd)) return TRUE;

  if (!child) {
    // Owned windows of this thread go first, top of the z-order first; those
    // of other threads are merely disowned.
    std::vector<HWND> owned;
    {
      auto& system = WindowSystem::Get();
      std::lock_guard lock(system.mutex);
      for (HWND candidate : system.Find(system.Desktop())->children) {
        Window* w = system.Find(candidate);
        if (w && w->owner == hWnd && w->threadId == self) owned.push_back(candidate);
      }
    }
    for (HWND w : owned) DestroyWindow(w);
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    system.Disown(hWnd);
  }

  SendDestroy(hWnd);
  if (IsWindow(hWnd)) FreeWindowTree(hWnd);
  return TRUE;
}

BOOL IsWindow(HWND hWnd) {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  return system.Find(hWnd) != nullptr;
}

}  // namespace win
