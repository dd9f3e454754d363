// State of the portable window system: window classes, windows and the
// per-thread part (focus, posted messages, hooks).
//
// One table per process, guarded by one mutex. Window procedures are never
// called with the mutex held: they re-enter the API. Every public function
// therefore reads what it needs under the lock, releases it, then sends.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/win/Window.h"

namespace win::portable {

struct WindowClass {
  std::wstring name;
  ATOM atom = 0;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int clsExtra = 0;
  int wndExtra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  HICON iconSmall = nullptr;
  int windows = 0;  // live windows of the class; unregistering waits for 0
};

enum class WindowStage {
  kCreating,     // between WM_NCCREATE and the end of CreateWindowExW
  kAlive,
  kDestroying,   // WM_DESTROY sent or being sent; a nested DestroyWindow is a no-op
  kNcDestroying  // WM_NCDESTROY being sent; the handle goes away right after
};

struct Window {
  HWND hwnd = nullptr;
  std::shared_ptr<WindowClass> cls;
  DWORD threadId = 0;  // 0 for the desktop, which belongs to no thread
  DWORD style = 0;
  DWORD exStyle = 0;
  WNDPROC proc = nullptr;
  LONG_PTR userData = 0;
  LONG_PTR id = 0;
  HINSTANCE instance = nullptr;
  HWND parent = nullptr;  // the desktop for top-level windows
  HWND owner = nullptr;
  std::vector<HWND> children;  // z-order, topmost first; children are created at the bottom
  RECT rect{};                 // window rectangle in the parent's client coordinates
  std::vector<unsigned char> extra;
  // The window's text (title, caption), as DefWindowProc keeps it.
  std::wstring text;
  WindowStage stage = WindowStage::kCreating;
  // SetLayeredWindowAttributes; cleared when WS_EX_LAYERED goes.
  bool layeredSet = false;
  COLORREF layeredKey = 0;
  BYTE layeredAlpha = 0;
  DWORD layeredFlags = 0;
  // Painting: the bounding box of what needs repainting (client coordinates)
  // while `invalid`, and whether BeginPaint erases the background first.
  bool invalid = false;
  bool erase = false;
  RECT update{};
};

// Something another thread asks of a thread, handled when that thread reads
// its queue or waits for its own send to another thread: a sent message, or
// the activation of one of its windows (the thread runs it itself, as on
// Windows, so the focus moves on the thread that owns the windows).
struct Incoming {
  enum class Kind { kMessage, kActivate };
  Kind kind = Kind::kMessage;
  HWND hwnd = nullptr;  // kActivate: null deactivates the thread's active window
  UINT msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  bool mouse = false;  // kActivate: WA_CLICKACTIVE rather than WA_ACTIVE
  DWORD otherThread = 0;  // kActivate: the thread activation comes from or goes to
  // Set under the mutex once handled, or abandoned because the window or the
  // thread went (the sender then answers 0).
  bool done = false;
  LRESULT result = 0;
};

// A window or thread timer. Due timers are served earliest first, then in the
// order they were (re)armed.
struct Timer {
  HWND hwnd = nullptr;  // null for a thread timer
  UINT_PTR id = 0;
  DWORD threadId = 0;
  UINT elapse = 0;
  uint64_t due = 0;
  uint64_t order = 0;
  TIMERPROC proc = nullptr;
};

// What a thread owns besides its windows.
struct ThreadState {
  DWORD id = 0;
  HWND focus = nullptr;
  std::deque<MSG> posted;
  // PostQuitMessage does not queue: WM_QUIT comes when nothing else is posted.
  bool quitPending = false;
  int quitCode = 0;
  std::deque<std::shared_ptr<Incoming>> incoming;
  HWND active = nullptr;
  // Invalid windows in the order they became invalid: WM_PAINT goes to the first visible one.
  std::vector<HWND> invalid;
  UINT_PTR nextTimerId = 0x7fff;  // thread timers count down from here, as on Windows
};

// A thread hook. `serial` orders a chain: the larger, the newer.
struct Hook {
  HHOOK handle = nullptr;
  int type = 0;
  HOOKPROC proc = nullptr;
  DWORD threadId = 0;
  uint64_t serial = 0;
};

class WindowSystem {
 public:
  static WindowSystem& Get();

  std::mutex mutex;
  // Signalled whenever a thread may have something new to read: a posted or
  // sent message, a reply, a timer armed or the clock moved, a thread gone.
  // Every waiter re-checks its own condition.
  std::condition_variable posted;

  // ---- everything below requires `mutex` held
  Window* Find(HWND hwnd);
  HWND Desktop();
  ThreadState& Thread(DWORD threadId);
  ThreadState* FindThread(DWORD threadId);
  void ForgetThread(DWORD threadId);

  std::shared_ptr<WindowClass> FindClass(LPCWSTR name, HINSTANCE instance, bool exactInstance);
  ATOM AddClass(std::shared_ptr<WindowClass> cls);
  void RemoveClass(const std::shared_ptr<WindowClass>& cls);

  Window& AddWindow(std::unique_ptr<Window> window);
  // Unlinks and frees the record (and any children still linked below it).
  void RemoveWindow(HWND hwnd);
  void Link(Window& child, HWND parent, bool atBottom);
  // Clears the owner of every window that owner owns.
  void Disown(HWND owner);
  void Unlink(Window& child);

  // True when `ancestor` is a proper ancestor of hwnd along parent links.
  bool IsAncestor(HWND ancestor, HWND hwnd);
  // Windows of a thread (whole subtrees included), for silent removal at thread exit.
  std::vector<HWND> WindowsOfThread(DWORD threadId);

  // Hooks. NewestHook answers the newest hook of a chain older than `before`
  // (UINT64_MAX for the whole chain), or false when there is none.
  HHOOK AddHook(int type, HOOKPROC proc, DWORD threadId);
  bool RemoveHook(HHOOK handle);
  bool NewestHook(int type, DWORD threadId, uint64_t before, Hook& found);
  void RemoveHooksOfThread(DWORD threadId);

  // Timers and the virtual clock (milliseconds).
  std::vector<Timer> timers;
  uint64_t clock = 0;
  uint64_t nextTimerOrder = 1;
  Timer* FindTimer(HWND hwnd, UINT_PTR id, DWORD threadId);

  // The desktop: monitors (the first is the primary, at 0,0), the cursor and
  // the foreground thread, whose active window is the foreground window.
  std::vector<RECT> monitors;
  POINT cursor{};
  // The cursor picture SetCursor chose; read and changed without the mutex.
  std::atomic<HCURSOR> shownCursor{nullptr};
  DWORD foregroundThread = 0;
  HWND Foreground();
  RECT VirtualScreen() const;
  // Back to one 1280x1024 monitor, the cursor at its centre with no picture, the clock at its start.
  void ResetDesktop();

  // The top-level window a window belongs to (itself when top-level).
  HWND Root(HWND hwnd);
  // Keeps the desktop's children in two bands: WS_EX_TOPMOST windows first.
  void SortTopmostBand();

  // Geometry: client-area origin of a window in screen coordinates (the
  // desktop's is 0,0), its non-client insets, and its client size.
  POINT ClientOrigin(HWND hwnd);
  RECT ClientRect(const Window& w);

 private:
  WindowSystem();
  std::unordered_map<HWND, std::unique_ptr<Window>> windows_;
  std::vector<std::shared_ptr<WindowClass>> classes_;
  std::unordered_map<DWORD, ThreadState> threads_;
  std::vector<Hook> hooks_;  // oldest first
  uint64_t nextHookSerial_ = 1;
  HWND desktop_ = nullptr;
  ULONG_PTR nextHandle_ = 0x10010;
  ATOM nextAtom_ = 0xC000;
};

// Looks a window up for a call that will send it messages, which only its own
// thread may make: null with ERROR_INVALID_WINDOW_HANDLE, or with
// ERROR_NOT_SUPPORTED for another thread's window (ERROR_ACCESS_DENIED for the
// desktop). Requires the mutex held.
Window* FindOwnWindow(WindowSystem& system, HWND hwnd, DWORD self);

// Non-client insets for a style pair: left, top, right, bottom.
RECT NonClientInsets(DWORD style, DWORD exStyle, bool menu);

// Registers the calling thread for clean-up at exit and returns its identifier.
DWORD CurrentThread();
// True while the thread with this identifier runs (it has called into the
// window system and has not ended). May be called with the mutex held.
bool IsRunningThread(DWORD threadId);

// Runs the calling thread's chain of hooks of this type, newest first (the
// rest of the chain runs only through CallNextHookEx). Answers 0 without hooks.
// Call without the mutex held.
LRESULT CallHooks(int type, int code, WPARAM wParam, LPARAM lParam);

// Sends without the table lock held; to a window of another thread the
// message is queued for that thread and the caller waits (see Window.h).
LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Whether the message the calling thread is handling was sent by another
// thread (InSendMessage), for the extent of one handler.
class InSendScope {
 public:
  explicit InSendScope(bool fromOtherThread);
  ~InSendScope();
  InSendScope(const InSendScope&) = delete;
  InSendScope& operator=(const InSendScope&) = delete;

 private:
  bool saved_;
};

// Handles one thing another thread asked of the calling thread. Call without the mutex held.
void HandleIncoming(const std::shared_ptr<Incoming>& item);

// Activation (Activation.cpp). RunActivation runs on the thread that owns
// hwnd (or on the thread being deactivated when hwnd is null): it changes the
// thread's active window and sends the messages. RequestForeground makes hwnd
// the foreground window from any thread; the owner of hwnd completes it when
// it reads its queue. ActivateOther picks the next window when hwnd stops being
// usable as the active one (hidden, destroyed). Call all without the mutex.
bool RunActivation(HWND hwnd, bool mouse, DWORD otherThread);
bool RequestForeground(HWND hwnd, bool mouse);
void ActivateOther(HWND hwnd);

// The deepest visible window at a screen point (WindowFromPoint's rules). Requires the mutex held.
HWND WindowAt(WindowSystem& system, POINT screen);
// Posts WM_MOUSELEAVE to the windows tracking the mouse that it has left. Without the mutex held.
void CursorMoved();

// Moves the calling thread's focus out of hwnd and its descendants: to the
// parent when that is a window of this thread, otherwise nowhere.
void MoveFocusOutOf(HWND hwnd);

// Painting (WindowPaint.cpp); all require the mutex held.
// True when the window and all its ancestors have WS_VISIBLE.
bool IsVisibleLocked(WindowSystem& system, const Window& w);
// Adds a client rectangle (null: the whole client area) to what the window
// must repaint; nothing for a window that is not visible. Wakes its thread.
void InvalidateLocked(WindowSystem& system, Window& w, const RECT* rect, bool erase);
// The window and every visible window below it.
void InvalidateTreeLocked(WindowSystem& system, Window& w, bool erase);
void ValidateLocked(WindowSystem& system, Window& w);
// The thread's invalid, visible window that comes first among those `accept`
// takes; null when none. Forgets entries of windows that are gone or valid.
template <class Accept>
HWND NextToPaint(WindowSystem& system, DWORD threadId, Accept accept) {
  ThreadState& thread = system.Thread(threadId);
  for (std::size_t i = 0; i < thread.invalid.size();) {
    Window* w = system.Find(thread.invalid[i]);
    if (!w || !w->invalid) {
      thread.invalid.erase(thread.invalid.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    if (IsVisibleLocked(system, *w) && accept(w->hwnd)) return w->hwnd;
    ++i;
  }
  return nullptr;
}

// DefWindowProcW's WM_PAINT, WM_ERASEBKGND, WM_PRINT and WM_PRINTCLIENT;
// false for any other message. Call without the mutex.
bool DefPaintMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;
// Where the virtual clock starts: a fixed value of GetTickCount's size, not 0
// so that code subtracting an earlier tick count does not start out negative.
constexpr uint64_t kClockStart = 1000000;

// Flags Windows adds to WM_WINDOWPOSCHANGED when the client area kept its place
// or size; DefWindowProcW skips WM_MOVE / WM_SIZE accordingly.
constexpr UINT kSwpNoClientSize = 0x0800;
constexpr UINT kSwpNoClientMove = 0x1000;

}  // namespace win::portable
