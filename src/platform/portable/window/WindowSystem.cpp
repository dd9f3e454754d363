#include "platform/portable/window/WindowSystem.h"

#include "platform/portable/gdi/GdiSurfaces.h"

#include <algorithm>

namespace win::portable {

namespace {

constexpr DWORD kSystemThreadId = 4;  // the desktop's: no thread of the process answers it
constexpr int kFrameThick = 4;
constexpr int kFrameDialog = 3;
constexpr int kFrameBorder = 1;
constexpr int kCaptionHeight = 18;
constexpr int kMenuHeight = 19;
constexpr int kClientEdge = 2;
constexpr int kStaticEdge = 1;

wchar_t FoldAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool SameName(const std::wstring& a, LPCWSTR b) {
  size_t i = 0;
  for (; b[i] != 0; ++i) {
    if (i >= a.size() || FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return i == a.size();
}

bool NameMatches(const WindowClass& cls, LPCWSTR name) {
  if (IS_INTRESOURCE(name)) return cls.atom == static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name));
  return SameName(cls.name, name);
}

}  // namespace

WindowSystem& WindowSystem::Get() {
  // Never destroyed: threads may still tidy up their windows while the process exits.
  static WindowSystem* system = new WindowSystem();
  return *system;
}

WindowSystem::WindowSystem() {
  auto cls = std::make_shared<WindowClass>();
  cls->name = L"#32769";
  auto desktop = std::make_unique<Window>();
  desktop->hwnd = reinterpret_cast<HWND>(nextHandle_);
  nextHandle_ += 4;
  desktop->cls = cls;
  desktop->threadId = kSystemThreadId;
  desktop->style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  desktop->rect = RECT{0, 0, kScreenWidth, kScreenHeight};
  desktop->stage = WindowStage::kAlive;
  desktop_ = desktop->hwnd;
  cls->windows = 1;
  windows_.emplace(desktop_, std::move(desktop));
  ResetDesktop();
}

void WindowSystem::ResetDesktop() {
  monitors.assign(1, RECT{0, 0, kScreenWidth, kScreenHeight});
  cursor = POINT{kScreenWidth / 2, kScreenHeight / 2};
  shownCursor = nullptr;
  clock = kClockStart;
  foregroundThread = 0;
  if (Window* desktop = Find(desktop_)) desktop->rect = monitors.front();
}

HWND WindowSystem::Foreground() {
  ThreadState* thread = foregroundThread ? FindThread(foregroundThread) : nullptr;
  return thread ? thread->active : nullptr;
}

RECT WindowSystem::VirtualScreen() const {
  RECT box = monitors.front();
  for (const RECT& m : monitors) {
    box.left = std::min(box.left, m.left);
    box.top = std::min(box.top, m.top);
    box.right = std::max(box.right, m.right);
    box.bottom = std::max(box.bottom, m.bottom);
  }
  return box;
}

HWND WindowSystem::Root(HWND hwnd) {
  Window* w = Find(hwnd);
  if (!w || hwnd == desktop_) return nullptr;
  while (w && w->parent != desktop_) w = Find(w->parent);
  return w ? w->hwnd : nullptr;
}

void WindowSystem::SortTopmostBand() {
  Window* desktop = Find(desktop_);
  auto& list = desktop->children;
  std::stable_partition(list.begin(), list.end(), [this](HWND h) {
    Window* w = Find(h);
    return w && (w->exStyle & WS_EX_TOPMOST);
  });
}

Timer* WindowSystem::FindTimer(HWND hwnd, UINT_PTR id, DWORD threadId) {
  for (Timer& t : timers) {
    if (t.hwnd == hwnd && t.id == id && (hwnd || t.threadId == threadId)) return &t;
  }
  return nullptr;
}

Window* WindowSystem::Find(HWND hwnd) {
  if (!hwnd) return nullptr;
  auto it = windows_.find(hwnd);
  return it == windows_.end() ? nullptr : it->second.get();
}

HWND WindowSystem::Desktop() { return desktop_; }

ThreadState& WindowSystem::Thread(DWORD threadId) {
  auto& state = threads_[threadId];
  state.id = threadId;
  return state;
}

ThreadState* WindowSystem::FindThread(DWORD threadId) {
  auto it = threads_.find(threadId);
  return it == threads_.end() ? nullptr : &it->second;
}

void WindowSystem::ForgetThread(DWORD threadId) { threads_.erase(threadId); }

std::shared_ptr<WindowClass> WindowSystem::FindClass(LPCWSTR name, HINSTANCE instance, bool exactInstance) {
  if (!name) return nullptr;
  std::shared_ptr<WindowClass> global;
  std::shared_ptr<WindowClass> any;
  for (const auto& cls : classes_) {
    if (!NameMatches(*cls, name)) continue;
    if (cls->instance == instance) return cls;
    if (!exactInstance && (cls->style & CS_GLOBALCLASS) && !global) global = cls;
    if (!instance && !any) any = cls;
  }
  return global ? global : any;
}

ATOM WindowSystem::AddClass(std::shared_ptr<WindowClass> cls) {
  cls->atom = nextAtom_++;
  classes_.push_back(std::move(cls));
  return classes_.back()->atom;
}

void WindowSystem::RemoveClass(const std::shared_ptr<WindowClass>& cls) {
  classes_.erase(std::remove(classes_.begin(), classes_.end(), cls), classes_.end());
}

Window& WindowSystem::AddWindow(std::unique_ptr<Window> window) {
  window->hwnd = reinterpret_cast<HWND>(nextHandle_);
  nextHandle_ += 4;  // handles are never reused, so a stale handle never names a new window
  window->cls->windows++;
  Window& ref = *window;
  windows_.emplace(ref.hwnd, std::move(window));
  return ref;
}

void WindowSystem::RemoveWindow(HWND hwnd) {
  Window* w = Find(hwnd);
  if (!w || hwnd == desktop_) return;
  std::vector<HWND> children = w->children;
  for (HWND child : children) RemoveWindow(child);
  gdi::DropSurface(hwnd);
  Unlink(*w);
  Disown(hwnd);
  for (auto& [id, thread] : threads_) {
    if (thread.focus == hwnd) thread.focus = nullptr;
    if (thread.active == hwnd) thread.active = nullptr;
    // Nobody could take these any more: their window's handle is never reused.
    auto& queue = thread.posted;
    queue.erase(std::remove_if(queue.begin(), queue.end(), [hwnd](const MSG& m) { return m.hwnd == hwnd; }),
                queue.end());
    // A message sent to a window that goes before it is handled answers 0.
    auto& incoming = thread.incoming;
    for (auto& item : incoming) {
      if (item->kind == Incoming::Kind::kMessage && item->hwnd == hwnd) item->done = true;
    }
    incoming.erase(std::remove_if(incoming.begin(), incoming.end(),
                                  [hwnd](const auto& item) { return item->done || item->hwnd == hwnd; }),
                   incoming.end());
  }
  timers.erase(std::remove_if(timers.begin(), timers.end(), [hwnd](const Timer& t) { return t.hwnd == hwnd; }),
               timers.end());
  posted.notify_all();
  w->cls->windows--;
  windows_.erase(hwnd);
}

void WindowSystem::Disown(HWND owner) {
  for (auto& [handle, other] : windows_) {
    if (other->owner == owner) other->owner = nullptr;
  }
}

void WindowSystem::Link(Window& child, HWND parent, bool atBottom) {
  child.parent = parent;
  Window* p = Find(parent);
  if (!p) return;
  if (atBottom)
    p->children.push_back(child.hwnd);
  else
    p->children.insert(p->children.begin(), child.hwnd);
  if (parent == desktop_) SortTopmostBand();
}

void WindowSystem::Unlink(Window& child) {
  Window* p = Find(child.parent);
  if (!p) return;
  auto& list = p->children;
  list.erase(std::remove(list.begin(), list.end(), child.hwnd), list.end());
}

bool WindowSystem::IsAncestor(HWND ancestor, HWND hwnd) {
  Window* w = Find(hwnd);
  while (w) {
    if (w->parent == ancestor) return ancestor != nullptr;
    w = Find(w->parent);
  }
  return false;
}

std::vector<HWND> WindowSystem::WindowsOfThread(DWORD threadId) {
  std::vector<HWND> result;
  for (const auto& [hwnd, w] : windows_) {
    if (w->threadId == threadId && hwnd != desktop_) result.push_back(hwnd);
  }
  return result;
}

HHOOK WindowSystem::AddHook(int type, HOOKPROC proc, DWORD threadId) {
  Hook hook;
  hook.serial = nextHookSerial_++;
  // Hook handles live in their own range and are never reused either.
  hook.handle = reinterpret_cast<HHOOK>(static_cast<ULONG_PTR>(0x20000 + hook.serial * 4));
  hook.type = type;
  hook.proc = proc;
  hook.threadId = threadId;
  hooks_.push_back(hook);
  return hook.handle;
}

bool WindowSystem::RemoveHook(HHOOK handle) {
  auto it = std::find_if(hooks_.begin(), hooks_.end(), [handle](const Hook& h) { return h.handle == handle; });
  if (it == hooks_.end()) return false;
  hooks_.erase(it);
  return true;
}

bool WindowSystem::NewestHook(int type, DWORD threadId, uint64_t before, Hook& found) {
  for (auto it = hooks_.rbegin(); it != hooks_.rend(); ++it) {
    if (it->type == type && it->threadId == threadId && it->serial < before) {
      found = *it;
      return true;
    }
  }
  return false;
}

void WindowSystem::RemoveHooksOfThread(DWORD threadId) {
  auto watches = [threadId](const Hook& h) { return h.threadId == threadId; };
  hooks_.erase(std::remove_if(hooks_.begin(), hooks_.end(), watches), hooks_.end());
}

POINT WindowSystem::ClientOrigin(HWND hwnd) {
  Window* w = Find(hwnd);
  if (!w || hwnd == desktop_) return POINT{0, 0};
  POINT parent = ClientOrigin(w->parent);
  RECT insets = NonClientInsets(w->style, w->exStyle, false);
  return POINT{parent.x + w->rect.left + insets.left, parent.y + w->rect.top + insets.top};
}

RECT WindowSystem::ClientRect(const Window& w) {
  RECT insets = NonClientInsets(w.style, w.exStyle, false);
  LONG width = (w.rect.right - w.rect.left) - insets.left - insets.right;
  LONG height = (w.rect.bottom - w.rect.top) - insets.top - insets.bottom;
  return RECT{0, 0, std::max<LONG>(width, 0), std::max<LONG>(height, 0)};
}

Window* FindOwnWindow(WindowSystem& system, HWND hwnd, DWORD self) {
  Window* w = system.Find(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (w->threadId != self) {
    SetLastError(hwnd == system.Desktop() ? ERROR_ACCESS_DENIED : ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  return w;
}

RECT NonClientInsets(DWORD style, DWORD exStyle, bool menu) {
  int frame = 0;
  if (style & WS_THICKFRAME)
    frame = kFrameThick;
  else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
    frame = kFrameDialog;
  else if (style & WS_BORDER)
    frame = kFrameBorder;
  if (exStyle & WS_EX_CLIENTEDGE) frame += kClientEdge;
  if (exStyle & WS_EX_STATICEDGE) frame += kStaticEdge;
  RECT insets{frame, frame, frame, frame};
  if ((style & WS_CAPTION) == WS_CAPTION) insets.top += kCaptionHeight;
  if (menu) insets.top += kMenuHeight;
  return insets;
}

}  // namespace win::portable
