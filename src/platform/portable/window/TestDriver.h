// Drives the portable window system from tests as a user and the passing of
// time would: monitors, cursor, clicks, activation, the virtual clock.
//
// Input is posted to the thread of the window under the cursor, as real input
// is; PumpMessages serves only the calling thread. Call Reset between tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win/Window.h"

namespace win::portable::driver {

// Restores one 1280x1024 monitor, the cursor at its centre with no picture
// (GetCursor answers null), the clock at its start and no foreground window.
void Reset();

// The first monitor is the primary one and must have its top-left corner at
// 0,0; none may be empty. Answers false (changing nothing) otherwise. The
// cursor is brought back inside the new virtual screen.
bool SetMonitors(const std::vector<RECT>& monitors);

void MoveCursor(int x, int y);

// What a click on the window does to activation, from any thread: its
// top-level window becomes the foreground window (WA_CLICKACTIVE), unless it
// has WS_EX_NOACTIVATE. A window of another thread is activated (and only
// then is the foreground window) when that thread next reads its queue. False
// for a window that does not exist.
bool Activate(HWND hwnd);

// Moves the cursor and posts WM_MOUSEMOVE (client coordinates, `keys` as the
// MK_ flags held) to the window under it. Answers that window (null when the
// cursor is over the desktop only, which gets nothing).
HWND Hover(int x, int y, WPARAM keys = 0);

// Moves the cursor, activates the window under it as a click would, then
// posts WM_LBUTTONDOWN (MK_LBUTTON) and WM_LBUTTONUP. Answers that window.
HWND Click(int x, int y);

// Moves the virtual clock forward; timers that fall due fire when their
// threads next read their queues.
void AdvanceClock(DWORD milliseconds);

// The calling thread handles messages sent to it, then dispatches everything
// posted and every due timer without waiting. A WM_QUIT met on the way is
// left for the thread's loop. Answers how many messages were dispatched.
int PumpMessages();

// What a window and its children show, composed as PrintWindow composes them
// (each window's client area as it last painted it, painting first when it is
// invalid): `pixels` holds `height` rows of `width` 0xAARRGGBB values, top
// row first, alpha 0xFF. Empty (0 x 0) for a window that does not exist or
// belongs to another thread.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
Picture WindowPicture(HWND hwnd);

// The executable file name GetModuleFileNameW(nullptr, ...) answers from now
// on, as if the process had been started from it; empty: the real one again.
void SetModuleFileName(const std::wstring& name);

}  // namespace win::portable::driver
