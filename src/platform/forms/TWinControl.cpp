#include "platform/forms/TWinControl.h"

#include <algorithm>

#include "platform/forms/FormsErrors.h"
#include "platform/forms/WindowClassRegistry.h"
#include "platform/win/Window.h"

namespace forms {

namespace {

// The window's extra bytes hold the control: the user-data slot stays free for others.
constexpr int kControlSlot = 0;

HRESULT LastErrorResult() {
  DWORD error = win::GetLastError();
  return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

}  // namespace

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
  WindowProc = [this](TMessage& message) { WndProc(message); };
}

TWinControl::~TWinControl() {
  DestroyHandle();
  if (handle_) {
    // The window outlives the object (another thread's, say): it must not call back into it.
    win::SetWindowLongPtrW(handle_, kControlSlot, 0);
    handle_ = nullptr;
  }
  for (TControl* control : controls_) control->parent_ = nullptr;
  controls_.clear();
}

HWND TWinControl::Handle() {
  if (!handle_) {
    // A parent control makes this window too when it makes its own.
    if (Parent()) Parent()->HandleNeeded();
    if (!handle_) CreateHandle();
  }
  return handle_;
}

void TWinControl::CreateParams(TCreateParams& params) const {
  params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (Visible()) params.Style |= WS_VISIBLE;
  if (!Enabled()) params.Style |= WS_DISABLED;
  params.X = Left();
  params.Y = Top();
  params.Width = Width();
  params.Height = Height();
  params.WinClassName = L"VornWinControl";
  params.ClassStyle = CS_DBLCLKS;
}

HWND TWinControl::ParentHandleForCreation() {
  if (Parent()) return Parent()->Handle();
  return parentWindow_;
}

void TWinControl::CreateHandle() {
  TCreateParams params;
  CreateParams(params);
  HWND parentHandle = ParentHandleForCreation();
  if (handle_) return;  // the parent made it meanwhile
  if ((params.Style & WS_CHILD) && !parentHandle)
    throw EInvalidOperation(L"Control '" + Name() + L"' has no parent window");
  detail::EnsureWindowClass(params.WinClassName, params.ClassStyle, &TWinControl::StandardWndProc);
  HWND hwnd = win::CreateWindowExW(params.ExStyle, params.WinClassName.c_str(), params.Caption.c_str(), params.Style,
                                   params.X, params.Y, params.Width, params.Height, parentHandle, nullptr,
                                   detail::ModuleInstance(), this);
  if (!hwnd) throw com::ComError(LastErrorResult(), L"Error creating window");
  for (size_t i = 0; i < controls_.size(); ++i) {
    if (auto* child = dynamic_cast<TWinControl*>(controls_[i]); child && !child->handle_) child->CreateHandle();
  }
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  HWND hwnd = handle_;
  destroyingHandle_ = true;
  win::DestroyWindow(hwnd);
  destroyingHandle_ = false;
  // A window that vanished without WM_NCDESTROY (its thread ended) is gone all the same.
  if (handle_ == hwnd && !win::IsWindow(hwnd)) {
    handle_ = nullptr;
    for (TControl* control : controls_) {
      if (auto* child = dynamic_cast<TWinControl*>(control); child && child->handle_ && !win::IsWindow(child->handle_))
        child->DestroyHandle();
    }
  }
}

LRESULT CALLBACK TWinControl::StandardWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWinControl* control = nullptr;
  if (msg == WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    control = cs ? static_cast<TWinControl*>(cs->lpCreateParams) : nullptr;
    if (control) {
      win::SetWindowLongPtrW(hwnd, kControlSlot, reinterpret_cast<LONG_PTR>(control));
      control->handle_ = hwnd;
    }
  } else {
    control = reinterpret_cast<TWinControl*>(win::GetWindowLongPtrW(hwnd, kControlSlot));
  }
  if (!control) return win::DefWindowProcW(hwnd, msg, wParam, lParam);
  return control->Dispatch(hwnd, msg, wParam, lParam);
}

LRESULT TWinControl::Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage message{msg, wParam, lParam, 0};
  try {
    if (WindowProc)
      WindowProc(message);
    else
      WndProc(message);
  } catch (...) {
    message.Result = 0;
  }
  if (msg == WM_NCDESTROY) {
    win::SetWindowLongPtrW(hwnd, kControlSlot, 0);
    if (handle_ == hwnd) handle_ = nullptr;
  }
  return message.Result;
}

LRESULT TWinControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage message{msg, wParam, lParam, 0};
  if (WindowProc)
    WindowProc(message);
  else
    WndProc(message);
  return message.Result;
}

void TWinControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_WINDOWPOSCHANGED:
      if (const auto* pos = reinterpret_cast<const WINDOWPOS*>(message.LParam)) {
        int left = Left(), top = Top(), width = Width(), height = Height();
        if (!(pos->flags & SWP_NOMOVE)) {
          left = pos->x;
          top = pos->y;
        }
        if (!(pos->flags & SWP_NOSIZE)) {
          width = pos->cx;
          height = pos->cy;
        }
        UpdateBounds(left, top, width, height);
        // Destroying a window hides it first; the control stays visible for its next window.
        if (!destroyingHandle_) {
          if (pos->flags & SWP_SHOWWINDOW) UpdateVisible(true);
          if (pos->flags & SWP_HIDEWINDOW) UpdateVisible(false);
        }
      }
      break;
    case WM_ENABLE:
      UpdateEnabled(message.WParam != 0);
      break;
    default:
      break;
  }
  DefaultHandler(message);
}

void TWinControl::DefaultHandler(TMessage& message) {
  message.Result = handle_ ? win::DefWindowProcW(handle_, message.Msg, message.WParam, message.LParam) : 0;
}

bool TWinControl::CanFocus() const {
  const TControl* top = this;
  for (const TControl* c = this; c; c = c->Parent()) {
    if (!c->Visible() || !c->Enabled()) return false;
    top = c;
  }
  HWND foreign = static_cast<const TWinControl*>(top)->parentWindow_;
  return !foreign || (win::IsWindowVisible(foreign) && win::IsWindowEnabled(foreign));
}

bool TWinControl::Focused() const { return handle_ && win::GetFocus() == handle_; }

void TWinControl::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation(L"Cannot focus a disabled or invisible window");
  win::SetFocus(Handle());
}

void TWinControl::SetParentWindow(HWND value) {
  if (value == parentWindow_) return;
  if (Parent()) {
    parentWindow_ = value;  // used once the control leaves its parent control
    return;
  }
  if (handle_ && parentWindow_ && value) {
    parentWindow_ = value;
    win::SetParent(handle_, value);
  } else {
    // Becoming or ceasing to be a child window changes the window's kind: make a new one.
    DestroyHandle();
    parentWindow_ = value;
  }
}

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount())
    throw EComponentError(L"List index out of bounds (" + std::to_wstring(index) + L")");
  return controls_[static_cast<size_t>(index)];
}

RECT TWinControl::NonClientInsets() const {
  TCreateParams params;
  CreateParams(params);
  RECT frame{0, 0, 0, 0};
  win::AdjustWindowRectEx(&frame, params.Style, FALSE, params.ExStyle);
  return RECT{-frame.left, -frame.top, frame.right, frame.bottom};
}

int TWinControl::ClientWidth() const {
  RECT client{};
  if (handle_ && win::GetClientRect(handle_, &client)) return client.right;
  RECT insets = NonClientInsets();
  return std::max(0, Width() - static_cast<int>(insets.left + insets.right));
}

int TWinControl::ClientHeight() const {
  RECT client{};
  if (handle_ && win::GetClientRect(handle_, &client)) return client.bottom;
  RECT insets = NonClientInsets();
  return std::max(0, Height() - static_cast<int>(insets.top + insets.bottom));
}

void TWinControl::BoundsChanged() {
  if (handle_) win::SetWindowPos(handle_, nullptr, Left(), Top(), Width(), Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::VisibleChanged() {
  if (!handle_ && Visible() && (Parent() ? Parent()->HandleAllocated() : parentWindow_ != nullptr)) {
    HandleNeeded();  // made visible, as asked
    return;
  }
  if (handle_) win::ShowWindow(handle_, Visible() ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::EnabledChanged() {
  if (handle_) win::EnableWindow(handle_, Enabled() ? TRUE : FALSE);
}

void TWinControl::ParentChanged() {
  if (Parent() && Parent()->HandleAllocated()) {
    if (handle_)
      win::SetParent(handle_, Parent()->Handle());
    else
      CreateHandle();
  } else if (handle_ && !Parent() && parentWindow_) {
    win::SetParent(handle_, parentWindow_);
  } else {
    DestroyHandle();
  }
}

void TWinControl::InsertControl(TControl* control) {
  controls_.push_back(control);
  control->parent_ = this;
}

void TWinControl::RemoveControl(TControl* control) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  if (control->parent_ == this) control->parent_ = nullptr;
}

}  // namespace forms
