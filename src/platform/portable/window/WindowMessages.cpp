// Sending messages, the default window procedure and the window longs.
#include <cstring>

#include <algorithm>

#include "platform/portable/window/WindowSystem.h"

namespace win::portable {

namespace {

thread_local bool inSendFromOtherThread = false;

// Marks an item handled (with its result) however the handler leaves, and
// wakes the sender.
class Completion {
 public:
  explicit Completion(std::shared_ptr<Incoming> item) : item_(std::move(item)) {}
  ~Completion() {
    auto& system = WindowSystem::Get();
    {
      std::lock_guard lock(system.mutex);
      item_->done = true;
      item_->result = result;
    }
    system.posted.notify_all();
  }
  Completion(const Completion&) = delete;
  Completion& operator=(const Completion&) = delete;
  LRESULT result = 0;

 private:
  std::shared_ptr<Incoming> item_;
};

LRESULT CallProcAndHooks(WNDPROC proc, bool watched, WPARAM hookSameThread, HWND hwnd, UINT msg, WPARAM wParam,
                         LPARAM lParam) {
  LRESULT result = proc ? proc(hwnd, msg, wParam, lParam) : 0;
  if (watched) {
    // The hook's wParam tells whether the message came from this thread.
    CWPRETSTRUCT after{result, lParam, wParam, msg, hwnd};
    CallHooks(WH_CALLWNDPROCRET, HC_ACTION, hookSameThread, reinterpret_cast<LPARAM>(&after));
  }
  return result;
}

// A send to a window of another thread: queued for that thread, which handles
// it when it reads its queue; meanwhile the caller handles what others send to
// it, so two threads sending to each other do not deadlock.
LRESULT SendToOtherThread(std::unique_lock<std::mutex>& lock, DWORD self, DWORD target, HWND hwnd, UINT msg,
                          WPARAM wParam, LPARAM lParam) {
  auto& system = WindowSystem::Get();
  if (!IsRunningThread(target)) return 0;  // ending: its windows are about to go
  auto item = std::make_shared<Incoming>();
  item->hwnd = hwnd;
  item->msg = msg;
  item->wParam = wParam;
  item->lParam = lParam;
  system.Thread(target).incoming.push_back(item);
  system.posted.notify_all();
  while (!item->done) {
    ThreadState& me = system.Thread(self);
    if (!me.incoming.empty()) {
      auto mine = me.incoming.front();
      me.incoming.pop_front();
      lock.unlock();
      HandleIncoming(mine);
      lock.lock();
      continue;
    }
    system.posted.wait(lock);
  }
  return item->result;
}

}  // namespace

InSendScope::InSendScope(bool fromOtherThread) : saved_(inSendFromOtherThread) {
  inSendFromOtherThread = fromOtherThread;
}

InSendScope::~InSendScope() { inSendFromOtherThread = saved_; }

LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  DWORD self = CurrentThread();
  WNDPROC proc = nullptr;
  bool watched = false;
  {
    auto& system = WindowSystem::Get();
    std::unique_lock lock(system.mutex);
    Window* w = system.Find(hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    if (hwnd == system.Desktop()) return 0;  // the system's window: it answers nothing here
    if (w->threadId != self) return SendToOtherThread(lock, self, w->threadId, hwnd, msg, wParam, lParam);
    proc = w->proc;
    Hook unused;
    watched = system.NewestHook(WH_CALLWNDPROCRET, self, UINT64_MAX, unused);
  }
  InSendScope scope(false);
  return CallProcAndHooks(proc, watched, 1, hwnd, msg, wParam, lParam);
}

void HandleIncoming(const std::shared_ptr<Incoming>& item) {
  Completion completion(item);
  if (item->kind == Incoming::Kind::kActivate) {
    RunActivation(item->hwnd, item->mouse, item->otherThread);
    return;
  }
  WNDPROC proc = nullptr;
  bool watched = false;
  {
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    Window* w = system.Find(item->hwnd);
    if (!w || item->done) return;
    proc = w->proc;
    Hook unused;
    watched = system.NewestHook(WH_CALLWNDPROCRET, CurrentThread(), UINT64_MAX, unused);
  }
  InSendScope scope(true);
  completion.result = CallProcAndHooks(proc, watched, 0, item->hwnd, item->msg, item->wParam, item->lParam);
}

}  // namespace win::portable

namespace win {

using portable::Window;
using portable::WindowSystem;

LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  return portable::Send(hWnd, Msg, wParam, lParam);
}

BOOL InSendMessage() { return portable::inSendFromOtherThread ? TRUE : FALSE; }

LRESULT CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}

LRESULT DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  switch (Msg) {
    case WM_NCCREATE:
      return TRUE;
    case WM_NCACTIVATE:
      return TRUE;  // the frame would be drawn here; go ahead with the change
    case WM_ACTIVATE:
      // The window being activated takes the keyboard focus.
      if (LOWORD(wParam) != WA_INACTIVE) SetFocus(hWnd);
      return 0;
    case WM_CLOSE:
      DestroyWindow(hWnd);
      return 0;
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH: {
      auto& system = WindowSystem::Get();
      std::lock_guard lock(system.mutex);
      Window* w = system.Find(hWnd);
      if (!w) return 0;
      if (Msg == WM_SETTEXT) {
        w->text = lParam ? reinterpret_cast<const wchar_t*>(lParam) : L"";
        return TRUE;
      }
      if (Msg == WM_GETTEXTLENGTH) return static_cast<LRESULT>(w->text.size());
      auto* out = reinterpret_cast<wchar_t*>(lParam);
      if (!out || wParam == 0) return 0;
      const std::size_t n = std::min<std::size_t>(w->text.size(), wParam - 1);
      w->text.copy(out, n);
      out[n] = L'\0';
      return static_cast<LRESULT>(n);
    }
    case WM_WINDOWPOSCHANGED: {
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (!pos) return 0;
      POINT origin{};
      RECT client{};
      {
        auto& system = WindowSystem::Get();
        std::lock_guard lock(system.mutex);
        Window* w = system.Find(hWnd);
        if (!w) return 0;
        RECT insets = portable::NonClientInsets(w->style, w->exStyle, false);
        origin = POINT{w->rect.left + insets.left, w->rect.top + insets.top};
        client = system.ClientRect(*w);
      }
      if (!(pos->flags & portable::kSwpNoClientMove)) portable::Send(hWnd, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
      if (!(pos->flags & portable::kSwpNoClientSize))
        portable::Send(hWnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
      return 0;
    }
    default: {
      LRESULT result = 0;
      portable::DefPaintMessage(hWnd, Msg, wParam, lParam, result);
      return result;
    }
  }
}

LONG_PTR GetWindowLongPtrW(HWND hWnd, int nIndex) {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  Window* w = system.Find(hWnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  switch (nIndex) {
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE:
      return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT: {
      HWND result = (w->style & WS_CHILD) ? w->parent : w->owner;
      return result == system.Desktop() ? 0 : reinterpret_cast<LONG_PTR>(result);
    }
    case GWLP_ID:
      return w->id;
    case GWL_STYLE:
      return static_cast<LONG_PTR>(w->style);
    case GWL_EXSTYLE:
      return static_cast<LONG_PTR>(w->exStyle);
    case GWLP_USERDATA:
      return w->userData;
    default:
      break;
  }
  if (nIndex < 0 || static_cast<size_t>(nIndex) + sizeof(LONG_PTR) > w->extra.size()) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  LONG_PTR value = 0;
  std::memcpy(&value, w->extra.data() + nIndex, sizeof(value));
  return value;
}

namespace {

LONG_PTR SetStyle(HWND hwnd, int index, DWORD newStyle) {
  DWORD self = portable::CurrentThread();
  STYLESTRUCT change{};
  {
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    Window* w = system.Find(hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    if (w->threadId != self) {
      SetLastError(ERROR_NOT_SUPPORTED);
      return 0;
    }
    change.styleOld = index == GWL_STYLE ? w->style : w->exStyle;
    change.styleNew = newStyle;
  }
  portable::Send(hwnd, WM_STYLECHANGING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&change));
  {
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    Window* w = system.Find(hwnd);
    if (!w) return static_cast<LONG_PTR>(change.styleOld);
    (index == GWL_STYLE ? w->style : w->exStyle) = change.styleNew;
    if (!(w->exStyle & WS_EX_LAYERED)) w->layeredSet = false;  // layered attributes go with the style
  }
  portable::Send(hwnd, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&change));
  return static_cast<LONG_PTR>(change.styleOld);
}

}  // namespace

LONG_PTR SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
  if (nIndex == GWL_STYLE || nIndex == GWL_EXSTYLE) return SetStyle(hWnd, nIndex, static_cast<DWORD>(dwNewLong));
  HWND reparent = nullptr;
  {
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    Window* w = system.Find(hWnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    LONG_PTR old = 0;
    switch (nIndex) {
      case GWLP_WNDPROC:
        old = reinterpret_cast<LONG_PTR>(w->proc);
        w->proc = reinterpret_cast<WNDPROC>(dwNewLong);
        return old;
      case GWLP_HINSTANCE:
        old = reinterpret_cast<LONG_PTR>(w->instance);
        w->instance = reinterpret_cast<HINSTANCE>(dwNewLong);
        return old;
      case GWLP_ID:
        old = w->id;
        w->id = dwNewLong;
        return old;
      case GWLP_USERDATA:
        old = w->userData;
        w->userData = dwNewLong;
        return old;
      case GWLP_HWNDPARENT: {
        HWND target = reinterpret_cast<HWND>(dwNewLong);
        if (target && !system.Find(target)) {
          SetLastError(ERROR_INVALID_WINDOW_HANDLE);
          return 0;
        }
        if (w->style & WS_CHILD) {
          // For a child window this index reparents, as SetParent does.
          reparent = target;
          break;
        }
        old = reinterpret_cast<LONG_PTR>(w->owner);
        w->owner = target == system.Desktop() ? nullptr : target;
        return old;
      }
      default:
        if (nIndex < 0 || static_cast<size_t>(nIndex) + sizeof(LONG_PTR) > w->extra.size()) {
          SetLastError(ERROR_INVALID_INDEX);
          return 0;
        }
        std::memcpy(&old, w->extra.data() + nIndex, sizeof(old));
        std::memcpy(w->extra.data() + nIndex, &dwNewLong, sizeof(dwNewLong));
        return old;
    }
  }
  HWND previous = SetParent(hWnd, reparent);
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  return previous == system.Desktop() ? 0 : reinterpret_cast<LONG_PTR>(previous);
}

}  // namespace win
