#include "AddressLine.h"

#include <stdexcept>

#include "platform/forms/TCanvas.h"
#include "platform/forms/WindowClassRegistry.h"
#include "platform/win/Gdi.h"

namespace vornie_browser {

namespace {

constexpr const wchar_t* kClass = L"VornieBrowserAddress";
constexpr wchar_t kBackspace = 0x08;
constexpr wchar_t kEnter = 0x0D;

}  // namespace

AddressLine::AddressLine(HWND parent, Navigate navigate) : navigate_(std::move(navigate)) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &AddressLine::Proc;
  wc.hInstance = forms::detail::ModuleInstance();
  wc.lpszClassName = kClass;
  if (!win::RegisterClassExW(&wc) && win::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw std::runtime_error("cannot register the address line's window class");
  window_ = win::CreateWindowExW(WS_EX_CLIENTEDGE, kClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent, nullptr,
                                 forms::detail::ModuleInstance(), nullptr);
  if (!window_) throw std::runtime_error("cannot create the address line");
  win::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

AddressLine::~AddressLine() {
  if (window_ && win::IsWindow(window_)) win::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
}

std::wstring AddressLine::Text() const { return text_; }

void AddressLine::SetText(const std::wstring& text) {
  text_ = text;
  win::InvalidateRect(window_, nullptr, TRUE);
}

LRESULT CALLBACK AddressLine::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<AddressLine*>(win::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return win::DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case WM_CHAR: {
      const auto typed = static_cast<wchar_t>(wParam);
      if (typed == kEnter) {
        if (self->navigate_) self->navigate_(self->text_);
      } else if (typed == kBackspace) {
        if (!self->text_.empty()) self->SetText(self->text_.substr(0, self->text_.size() - 1));
      } else if (typed >= L' ') {
        self->SetText(self->text_ + typed);
      }
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT: {
      PAINTSTRUCT ps{};
      HDC dc = message == WM_PAINT ? win::BeginPaint(window, &ps) : reinterpret_cast<HDC>(wParam);
      RECT r{};
      win::GetClientRect(window, &r);
      forms::TCanvas canvas(dc);
      canvas.Brush.Color = forms::clWindow;
      canvas.FillRect(r);
      canvas.Brush.Style = forms::bsClear;
      canvas.Font.Color = forms::clWindowText;
      canvas.TextAligned(RECT{r.left + 3, r.top, r.right - 3, r.bottom}, self->text_, forms::taLeftJustify, true);
      if (message == WM_PAINT) win::EndPaint(window, &ps);
      return 0;
    }
    default:
      return win::DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace vornie_browser
