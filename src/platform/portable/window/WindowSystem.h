// State of the portable window system: window classes, windows and the
// per-thread part (focus, posted messages, hooks).
//
// One table per process, guarded by one mutex. Window procedures are never
// called with the mutex held: they re-enter the API. Every public function
// therefore reads what it needs under the lock, releases it, then sends.
#pragma once

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
  WindowStage stage = WindowStage::kCreating;
};

// What a thread owns besides its windows.
struct ThreadState {
  DWORD id = 0;
  HWND focus = nullptr;
  std::deque<MSG> posted;
  // PostQuitMessage does not queue: WM_QUIT comes when nothing else is posted.
  bool quitPending = false;
  int quitCode = 0;
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
  // Signalled whenever a message is posted; GetMessageW waits on it.
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

// Sends without the table lock held. Same-thread only (see Window.h).
LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Moves the calling thread's focus out of hwnd and its descendants: to the
// parent when that is a window of this thread, otherwise nowhere.
void MoveFocusOutOf(HWND hwnd);

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;

// Flags Windows adds to WM_WINDOWPOSCHANGED when the client area kept its place
// or size; DefWindowProcW skips WM_MOVE / WM_SIZE accordingly.
constexpr UINT kSwpNoClientSize = 0x0800;
constexpr UINT kSwpNoClientMove = 0x1000;

}  // namespace win::portable
