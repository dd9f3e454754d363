#include "AddressLine.h"

#include <windows.h>

#include <stdexcept>

namespace vornie_browser {

AddressLine::AddressLine(HWND parent, Navigate navigate) : navigate_(std::move(navigate)) {
  window_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 10, 10,
                            parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window_) throw std::runtime_error("cannot create the address line");
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  systemProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AddressLine::Proc)));
}

AddressLine::~AddressLine() {
  // The window may outlive this object for a moment (it goes with its parent): it must not call back.
  if (window_ && IsWindow(window_)) SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
}

std::wstring AddressLine::Text() const {
  const int length = GetWindowTextLengthW(window_);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window_, text.data(), length + 1)));
  return text;
}

void AddressLine::SetText(const std::wstring& text) { SetWindowTextW(window_, text.c_str()); }

LRESULT CALLBACK AddressLine::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<AddressLine*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_CHAR && wParam == VK_RETURN) {
    if (self->navigate_) self->navigate_(self->Text());
    return 0;  // no beep
  }
  return CallWindowProcW(self->systemProc_, window, message, wParam, lParam);
}

}  // namespace vornie_browser
