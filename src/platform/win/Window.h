// The window subset the library calls, with the Windows names, signatures and
// error conventions (null/FALSE results with the reason in GetLastError).
//
// On Windows these are the system's functions. The portable backend
// (platform/portable/window) is an in-memory, display-less window system that
// keeps the Windows rules callers rely on:
// - windows belong to the thread that created them; DestroyWindow from another
//   thread fails with ERROR_ACCESS_DENIED;
// - creation sends WM_NCCREATE, WM_CREATE (both with the CREATESTRUCTW),
//   WM_SIZE, WM_MOVE, then WM_PARENTNOTIFY to the parent of a child window,
//   then shows the window when WS_VISIBLE was given; WM_NCCREATE returning 0 or
//   WM_CREATE returning -1 makes creation fail (the window gets WM_NCDESTROY);
// - DestroyWindow: WM_PARENTNOTIFY to the parent, the window is hidden, the
//   focus leaves it (to its parent when that is a window of the same thread,
//   else nowhere), WM_DESTROY goes to the window and then down to its children
//   (parent first), WM_NCDESTROY goes to the children first and the window last;
// - IsWindowVisible is true only when the window and all its ancestors have
//   WS_VISIBLE;
// - focus is per thread; SetFocus sends WM_KILLFOCUS (wParam = the new window)
//   to the old window, then WM_SETFOCUS (wParam = the old window) to the new one,
//   and fails on a window that has a disabled ancestor (or is disabled itself);
//   as on Windows, a hidden window can take the focus (a control toolkit checks
//   visibility itself before focusing);
// - child window positions are relative to the parent's client area;
//   GetWindowRect answers screen coordinates. CW_USEDEFAULT places a window at
//   0,0, sized 640x480 for an overlapped window and 0x0 otherwise.
// - SendMessageW to a window of another thread waits until that thread handles
//   the message; a thread handles messages sent to it from other threads while
//   it is inside GetMessageW, PeekMessageW or a send of its own to another
//   thread. A send to a window that goes, or to a thread that ends, before the
//   message is handled answers 0. Calls other than SendMessageW that send
//   messages (ShowWindow, SetWindowPos, ...) still work on the caller's own
//   windows only (ERROR_NOT_SUPPORTED otherwise);
// - timers run on a virtual clock (GetTickCount): it starts at a fixed value
//   and moves only when the test driver advances it, or when a thread waits in
//   GetMessageW with nothing to read but a timer: the clock then jumps to that
//   timer's due time. PeekMessageW never moves it;
// - activation: each thread has an active window, the foreground window is the
//   active window of the foreground thread. Making a window of another thread
//   the foreground window makes that thread the foreground thread at once; the
//   thread activates the window (and sends the activation messages) itself the
//   next time it reads its queue. WM_MOUSEACTIVATE, WM_CHILDACTIVATE and the
//   position messages of bringing the active window to the top are not sent;
// - the desktop is a set of monitors (one of 1280x1024 unless the test driver
//   configures others); the cursor moves only by SetCursorPos and the driver.
// Windows left by a thread that exits are removed without messages, and so are
// its queue and the hooks that watch it. Messages posted to a window that is
// destroyed are dropped from its thread's queue.
#pragma once

#include "platform/win/WindowTypes.h"

namespace win {

#ifdef _WIN32
using ::AdjustWindowRectEx;
using ::CallWindowProcW;
using ::CreateWindowExW;
using ::DefWindowProcW;
using ::DestroyWindow;
using ::EnableWindow;
using ::GetClassNameW;
using ::GetClientRect;
using ::GetCurrentThreadId;
using ::ChildWindowFromPoint;
using ::ChildWindowFromPointEx;
using ::ClientToScreen;
using ::GetActiveWindow;
using ::GetCursor;
using ::GetCursorPos;
using ::GetDesktopWindow;
using ::GetForegroundWindow;
using ::GetLayeredWindowAttributes;
using ::GetSystemMetrics;
using ::GetTickCount;
using ::InSendMessage;
using ::KillTimer;
using ::LoadCursorW;
using ::MapWindowPoints;
using ::ScreenToClient;
using ::SetActiveWindow;
using ::SetCursor;
using ::SetCursorPos;
using ::TrackMouseEvent;
using ::SetForegroundWindow;
using ::SetLayeredWindowAttributes;
using ::SetTimer;
using ::WindowFromPoint;
using ::GetFocus;
using ::GetLastError;
using ::GetParent;
using ::GetWindowRect;
using ::GetWindowThreadProcessId;
using ::CallNextHookEx;
using ::DispatchMessageW;
using ::GetMessageW;
using ::PeekMessageW;
using ::PostMessageW;
using ::PostQuitMessage;
using ::PostThreadMessageW;
using ::SetWindowsHookExA;
using ::TranslateMessage;
using ::UnhookWindowsHookEx;
using ::IsChild;
using ::IsWindow;
using ::IsWindowEnabled;
using ::IsWindowVisible;
using ::MoveWindow;
using ::RegisterClassExW;
using ::RegisterClassW;
using ::SendMessageW;
using ::SetFocus;
using ::SetLastError;
using ::SetParent;
using ::SetWindowPos;
using ::ShowWindow;
using ::UnregisterClassW;
// On 32-bit Windows the SDK maps these names to GetWindowLongW/SetWindowLongW
// by macro; the using-declarations then name those functions.
using ::GetWindowLongPtrW;
using ::SetWindowLongPtrW;
#else

// ---------------------------------------------------------------- errors and threads
DWORD GetLastError();
void SetLastError(DWORD dwErrCode);
// A 32-bit identifier of the calling thread, unique among the threads of the process.
DWORD GetCurrentThreadId();

// ---------------------------------------------------------------- classes
// Class names are compared without regard to ASCII case. A class is found for
// CreateWindowExW when it was registered with the same instance, with
// CS_GLOBALCLASS, or when the instance given is null. Names and atoms
// (IS_INTRESOURCE values) are both accepted where a class name is expected.
ATOM RegisterClassW(const WNDCLASSW* lpWndClass);
ATOM RegisterClassExW(const WNDCLASSEXW* lpWndClass);
// A display-less system has no cursor pictures. The system's own cursors (a null instance
// and an IDC_ value) still answer one shared handle each, so that the cursor a program
// sets can be told apart; anything else answers null.
HCURSOR LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName);
// The cursor shown over the program's windows (one for the process, as with one mouse);
// answers the one it replaces. Null at start.
HCURSOR SetCursor(HCURSOR hCursor);
HCURSOR GetCursor();
// Fails with ERROR_CLASS_HAS_WINDOWS while windows of the class exist.
BOOL UnregisterClassW(LPCWSTR lpClassName, HINSTANCE hInstance);
// Copies the class name (truncated to nMaxCount - 1 characters); returns its length.
int GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount);

// ---------------------------------------------------------------- lifetime
HWND CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle, int X, int Y,
                     int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam);
BOOL DestroyWindow(HWND hWnd);
BOOL IsWindow(HWND hWnd);

// ---------------------------------------------------------------- messages
LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// TRUE while the calling thread handles a message another thread sent it.
BOOL InSendMessage();
// Handles WM_NCCREATE and WM_NCACTIVATE (TRUE), WM_ACTIVATE (a window being
// activated takes the focus), WM_CLOSE (destroys the window) and
// WM_WINDOWPOSCHANGED (sends WM_MOVE and WM_SIZE when the client area moved or
// changed size), WM_PAINT (validates through BeginPaint/EndPaint),
// WM_ERASEBKGND (fills the client area with the class's background brush, 1;
// 0 without one), WM_PRINT and WM_PRINTCLIENT (see Gdi.h); everything else
// answers 0.
LRESULT DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// GWLP_WNDPROC, GWLP_HINSTANCE, GWLP_HWNDPARENT, GWLP_ID, GWL_STYLE, GWL_EXSTYLE
// (both send WM_STYLECHANGING/WM_STYLECHANGED), GWLP_USERDATA, and byte offsets
// into the class's cbWndExtra; other indexes fail with ERROR_INVALID_INDEX.
LONG_PTR GetWindowLongPtrW(HWND hWnd, int nIndex);
LONG_PTR SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong);

// ---------------------------------------------------------------- state
// SW_HIDE hides; every other command shows the window at its current size
// (minimized and maximized states are not modelled). Returns the previous
// visible state; sends WM_SHOWWINDOW only when the state changes, except that
// SW_SHOWNA always sends it. Under a hidden parent only the style bit changes
// (no position messages), as on Windows.
BOOL ShowWindow(HWND hWnd, int nCmdShow);
BOOL IsWindowVisible(HWND hWnd);
// Returns non-zero when the window was disabled before the call.
BOOL EnableWindow(HWND hWnd, BOOL bEnable);
BOOL IsWindowEnabled(HWND hWnd);
// Windows of other threads cannot take the calling thread's focus (null result, ERROR_ACCESS_DENIED).
HWND SetFocus(HWND hWnd);
HWND GetFocus();

// ---------------------------------------------------------------- tree
// The desktop: the parent of every top-level window, the size of the primary monitor.
HWND GetDesktopWindow();
// The parent of a child window, the owner of a popup window, else null.
HWND GetParent(HWND hWnd);
// Returns the previous parent (the desktop window for a top-level window). A
// null new parent makes the window top-level.
HWND SetParent(HWND hWndChild, HWND hWndNewParent);
// True when hWndParent is reached from hWnd through a chain of child windows.
BOOL IsChild(HWND hWndParent, HWND hWnd);
DWORD GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId);

// ---------------------------------------------------------------- geometry
// Non-client metrics of this build: WS_THICKFRAME 4, WS_DLGFRAME 3 (also with
// WS_EX_DLGMODALFRAME), WS_BORDER 1 pixel per side; a caption (WS_CAPTION)
// adds 18 at the top, a menu 19; WS_EX_CLIENTEDGE adds 2 and WS_EX_STATICEDGE 1.
BOOL GetWindowRect(HWND hWnd, LPRECT lpRect);
BOOL GetClientRect(HWND hWnd, LPRECT lpRect);
BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint);
// Sends WM_WINDOWPOSCHANGING, then WM_WINDOWPOSCHANGED only when the window
// moved, changed size, z-order or visibility, or SWP_FRAMECHANGED was given.
// Top-level windows with WS_EX_TOPMOST stay above the others: HWND_TOPMOST sets
// the style, HWND_NOTOPMOST and HWND_BOTTOM clear it.
BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags);
BOOL AdjustWindowRectEx(LPRECT lpRect, DWORD dwStyle, BOOL bMenu, DWORD dwExStyle);

// ---------------------------------------------------------------- message queues
// Every thread has one queue of posted messages, served first in, first out.
// A null window posts a thread message to the calling thread; posting to a
// window that is gone fails with ERROR_INVALID_WINDOW_HANDLE, to a thread that
// is not running with ERROR_INVALID_THREAD_ID.
BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam);
// Asks the calling thread's loop to end: WM_QUIT (wParam = nExitCode) comes
// once no posted message is left, whatever filter the reader gives.
void PostQuitMessage(int nExitCode);
// Filters: hWnd null takes every message of the thread, (HWND)-1 only thread
// messages, a window only its own; a message range of 0,0 takes all. GetMessageW
// blocks until a message matches; it answers 0 for WM_QUIT and -1 (with
// ERROR_INVALID_WINDOW_HANDLE) for a filter window that does not exist.
BOOL GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
BOOL PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);
// Calls the window procedure of the message's window (which must belong to the
// calling thread) and answers its result; thread messages answer 0.
LRESULT DispatchMessageW(const MSG* lpMsg);
// No keyboard layouts here: never produces WM_CHAR, answers FALSE.
BOOL TranslateMessage(const MSG* lpMsg);

// ---------------------------------------------------------------- timers
// A window's timer is keyed by (window, id) and runs on the window's thread;
// setting it again replaces it and starts its interval over. A null window
// makes a thread timer: an unknown id gets a fresh non-zero one (returned).
// The interval is clamped to USER_TIMER_MINIMUM..USER_TIMER_MAXIMUM. WM_TIMER
// comes when the thread reads its queue, nothing posted matches and the timer
// is due; at most one is pending per timer. DispatchMessageW calls the
// TIMERPROC (lParam) instead of the window procedure. Timers go with their
// window or thread; KillTimer of an unknown timer fails (ERROR_INVALID_PARAMETER).
UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc);
BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent);
DWORD GetTickCount();

// ---------------------------------------------------------------- activation
// Windows' order: the window losing activation gets WM_NCACTIVATE(FALSE) and
// WM_ACTIVATE(WA_INACTIVE); when the thread gains or loses activation
// altogether, its top-level windows get WM_ACTIVATEAPP (lParam the other
// thread); the window gaining it gets WM_NCACTIVATE (TRUE when it is the
// foreground window) and WM_ACTIVATE(WA_ACTIVE), lParam the other window;
// then the focus moves into it unless it is already there. Showing a top-level
// window (not SW_SHOWNA / SW_SHOWNOACTIVATE) or placing it without
// SWP_NOACTIVATE makes it the foreground window; hiding or destroying the
// active window activates its owner, else the next visible, enabled window
// without WS_EX_NOACTIVATE down the z-order, else none.
HWND GetActiveWindow();
// The calling thread's top-level windows only (another thread's: null with
// ERROR_INVALID_PARAMETER; a child window: no change). Returns the previous one.
HWND SetActiveWindow(HWND hWnd);
HWND GetForegroundWindow();
// From any thread; the window's top-level window is the one activated.
BOOL SetForegroundWindow(HWND hWnd);

// ---------------------------------------------------------------- cursor and desktop
// SetCursorPos keeps the cursor inside the virtual screen (the bounding box of
// the monitors; its left and top may be negative).
BOOL GetCursorPos(LPPOINT lpPoint);
BOOL SetCursorPos(int X, int Y);
// TME_LEAVE only: WM_MOUSELEAVE is posted to the window once the cursor is
// no longer over it (at once when it is not over it now), then tracking ends.
BOOL TrackMouseEvent(TRACKMOUSEEVENT* lpEventTrack);
// SM_CXSCREEN/SM_CYSCREEN (primary monitor), SM_X/Y/CX/CYVIRTUALSCREEN, SM_CMONITORS, SM_CXMENUCHECK;
// 0 otherwise.
int GetSystemMetrics(int nIndex);
// A null window (or the desktop) means screen coordinates. MapWindowPoints
// answers the offset added, x in the low word and y in the high word.
int MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints);
BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint);
BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint);
// The deepest visible window at a screen point: top-level windows in z-order
// (topmost first); disabled child windows are passed over (the point falls
// through to what is below, in the end their parent); a window hit in its
// non-client area answers for itself; layered windows with WS_EX_TRANSPARENT
// are clicked through; the desktop when nothing else is there. WM_NCHITTEST
// is not sent.
HWND WindowFromPoint(POINT Point);
// Point in the parent's client coordinates: the first immediate child (in
// z-order) whose rectangle holds it, hidden and disabled ones included unless
// CWP_SKIPINVISIBLE / CWP_SKIPDISABLED; the parent itself when no child is
// there; null outside the parent's client area.
HWND ChildWindowFromPoint(HWND hWndParent, POINT Point);
HWND ChildWindowFromPointEx(HWND hwnd, POINT pt, UINT flags);

// ---------------------------------------------------------------- layered windows
// Kept for a WS_EX_LAYERED window (nothing is composed here). Both fail with
// ERROR_INVALID_WINDOW_HANDLE on a window without the style, Get also before the
// first Set; removing the style forgets the attributes.
BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF crKey, BYTE bAlpha, DWORD dwFlags);
BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* pcrKey, BYTE* pbAlpha, DWORD* pdwFlags);

// ---------------------------------------------------------------- hooks
// Thread hooks only: hMod null and the identifier of a running thread of this
// process. WH_GETMESSAGE runs whenever GetMessageW or PeekMessageW hands out a
// message of that thread (wParam PM_REMOVE or PM_NOREMOVE, lParam the MSG,
// which the hook may change); WH_CALLWNDPROCRET runs after the window procedure
// of every message sent (SendMessageW) to a window of that thread, on that
// thread (wParam 0 when another thread sent it, non-zero otherwise). The newest
// hook runs first; CallNextHookEx, called from inside a hook, runs the next
// older one of the same chain (its hhk argument is ignored, as on Windows).
// Errors: an unknown type gives ERROR_INVALID_HOOK_FILTER, a null procedure
// ERROR_INVALID_FILTER_PROC, thread 0 without a module ERROR_HOOK_NEEDS_HMOD,
// a thread that is not one of ours ERROR_INVALID_PARAMETER; the other hook
// types of the system are not modelled (ERROR_NOT_SUPPORTED).
HHOOK SetWindowsHookExA(int idHook, HOOKPROC lpfn, HINSTANCE hmod, DWORD dwThreadId);
LRESULT CallNextHookEx(HHOOK hhk, int nCode, WPARAM wParam, LPARAM lParam);
// May be called from inside the hook itself; the hook is not called again.
BOOL UnhookWindowsHookEx(HHOOK hhk);
#endif

}  // namespace win
