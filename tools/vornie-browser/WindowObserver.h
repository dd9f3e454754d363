// What the browser's windows show, written as text for a program watching
// from outside: every window of the browser's thread with its class, text,
// visibility and place on the screen, a toolbar's buttons with their state,
// and an open menu's items. A guided tour or an end-to-end test reads it to
// know where a button is and what a step changed, without reading pixels.
#pragma once

#include <windows.h>

#include <string>

namespace vornie_browser {

// The windows of the calling thread, top-level ones first in z-order, each
// followed by its children, one line each (see WindowObserver.cpp for the format).
std::wstring DescribeThreadWindows();

// Rewrites `path` with DescribeThreadWindows() every `intervalMs` while the
// thread's messages are delivered, whenever the text changed. The file is
// replaced whole, so a reader never sees half of it.
class WindowObserver {
 public:
  WindowObserver(std::wstring path, UINT intervalMs);
  ~WindowObserver();
  WindowObserver(const WindowObserver&) = delete;
  WindowObserver& operator=(const WindowObserver&) = delete;

  // Writes now when the windows changed since the last write.
  void Update();

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);

  std::wstring path_;
  std::wstring written_;
  UINT_PTR timer_ = 0;
};

}  // namespace vornie_browser
