// The browser frame's address line: one line of text the user types an
// address into; Enter navigates to it. On Windows it is the system's edit
// control; the portable build has none, so there it is a window of its own
// that shows its text and takes the characters typed into it (CMake chooses
// AddressLineWindows.cpp or AddressLinePortable.cpp).
#pragma once

#include <functional>
#include <string>

#include "platform/win/Window.h"

namespace vornie_browser {

class AddressLine {
 public:
  using Navigate = std::function<void(const std::wstring& address)>;

  // A child window of `parent`, gone with it. Throws std::runtime_error when it cannot be made.
  AddressLine(HWND parent, Navigate navigate);
  ~AddressLine();
  AddressLine(const AddressLine&) = delete;
  AddressLine& operator=(const AddressLine&) = delete;

  HWND Window() const { return window_; }
  std::wstring Text() const;
  void SetText(const std::wstring& text);

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
  Navigate navigate_;
  // The system control's own procedure (Windows) or the text shown (portable).
  WNDPROC systemProc_ = nullptr;
  std::wstring text_;
};

}  // namespace vornie_browser
