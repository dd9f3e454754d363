#include "platform/forms/TWinControl.h"

#include <algorithm>

#include "platform/forms/FormsErrors.h"
#include "platform/forms/TCanvas.h"
#include "platform/win/GdiHandles.h"
#include "platform/forms/WindowClassRegistry.h"
#include "platform/win/Window.h"

namespace forms {

namespace {

// The window's extra bytes hold the control (detail::ControlSlot): the
// user-data slot stays free for others.

HRESULT LastErrorResult() {
  DWORD error = win::GetLastError();
  return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// BeginPaint's DC, given back by EndPaint on every path.
class PaintScope {
 public:
  explicit PaintScope(HWND hwnd) : hwnd_(hwnd), dc_(win::BeginPaint(hwnd, &paint_)) {}
  ~PaintScope() { win::EndPaint(hwnd_, &paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC Dc() const { return dc_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

}  // namespace

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
  WindowProc = [this](TMessage& message) { WndProc(message); };
}

TWinControl::~TWinControl() {
  DestroyHandle();
  if (handle_) {
    // The window outlives the object (another thread's, say): it must not call back into it.
    win::SetWindowLongPtrW(handle_, detail::ControlSlot(handle_), 0);
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
  params.Caption = Caption();
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
  const WNDPROC defaultProc = detail::EnsureWindowClass(params.WinClassName, params.ClassStyle,
                                                        &TWinControl::StandardWndProc, params.SystemClass);
  defaultProc_ = params.SystemClass.empty() ? nullptr : defaultProc;
  HWND hwnd = win::CreateWindowExW(params.ExStyle, params.WinClassName.c_str(), params.Caption.c_str(), params.Style,
                                   params.X, params.Y, params.Width, params.Height, parentHandle, nullptr,
                                   detail::ModuleInstance(), this);
  if (!hwnd) throw com::ComError(LastErrorResult(), L"Error creating window");
  if (SystemControl()) UpdateSystemFont();
  for (size_t i = 0; i < controls_.size(); ++i) {
    if (auto* child = dynamic_cast<TWinControl*>(controls_[i]); child && !child->handle_) child->CreateHandle();
  }
  HandleCreated();
}

void TWinControl::UpdateSystemFont() {
  // The system control keeps using the font it was given: the old one goes only once the new one is in.
  auto font = MakeFont(Font());
  if (!font || !handle_) return;
  win::SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
  systemFont_ = std::move(font);
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
  const int slot = detail::ControlSlot(hwnd);
  if (msg == WM_NCCREATE) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    control = cs ? static_cast<TWinControl*>(cs->lpCreateParams) : nullptr;
    if (control) {
      win::SetWindowLongPtrW(hwnd, slot, reinterpret_cast<LONG_PTR>(control));
      control->handle_ = hwnd;
    }
  } else {
    control = reinterpret_cast<TWinControl*>(win::GetWindowLongPtrW(hwnd, slot));
  }
  if (!control) return win::CallWindowProcW(detail::ClassDefaultProc(hwnd), hwnd, msg, wParam, lParam);
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
    win::SetWindowLongPtrW(hwnd, detail::ControlSlot(hwnd), 0);
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
  if (SystemControl()) {
    // The system control paints its client area itself. Printing stays the
    // toolkit's, which draws the frame that not every system's printing does.
    switch (message.Msg) {
      case WM_ERASEBKGND:
      case WM_PAINT:
      case WM_PRINTCLIENT:
        DefaultHandler(message);
        return;
      default:
        break;
    }
  }
  switch (message.Msg) {
    case WM_COMMAND:
      if (message.LParam && Reflect(reinterpret_cast<HWND>(message.LParam), message)) return;
      break;
    case WM_NOTIFY:
      if (const auto* header = reinterpret_cast<const NMHDR*>(message.LParam);
          header && Reflect(header->hwndFrom, message))
        return;
      break;
    case WM_CTLCOLORSTATIC:
      if (Reflect(reinterpret_cast<HWND>(message.LParam), message)) return;
      break;
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
        const bool resized = width != Width() || height != Height();
        UpdateBounds(left, top, width, height);
        if (resized && !destroyingHandle_) Realign();
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
    case WM_ERASEBKGND:
      // The background is part of the painting, so nothing flickers in between.
      message.Result = 1;
      return;
    case WM_PAINT:
      if (handle_) {
        PaintScope paint(handle_);
        if (paint.Dc()) PaintHandler(paint.Dc());
      }
      message.Result = 0;
      return;
    case WM_PRINTCLIENT:
      if (message.WParam) PaintHandler(reinterpret_cast<HDC>(message.WParam));
      message.Result = 0;
      return;
    case WM_PRINT:
      PrintHandler(message);
      return;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      RouteMouse(message);
      break;
    default:
      break;
  }
  DefaultHandler(message);
}

bool TWinControl::Reflect(HWND child, TMessage& message) {
  if (!child) return false;
  for (TControl* control : controls_) {
    auto* windowed = dynamic_cast<TWinControl*>(control);
    if (!windowed || windowed->handle_ != child) continue;
    message.Result = windowed->Perform(CN_BASE + message.Msg, message.WParam, message.LParam);
    return message.Result != 0;
  }
  return false;
}

void TWinControl::PaintWindow(TCanvas& canvas) {
  canvas.Brush.Color = Color();
  canvas.FillRect(RECT{0, 0, ClientWidth(), ClientHeight()});
}

void TWinControl::PaintHandler(HDC dc) {
  {
    TCanvas canvas(dc);
    canvas.Font = Font();
    PaintWindow(canvas);
  }
  for (TControl* child : std::vector<TControl*>(controls_)) {
    if (!child->Visible() || dynamic_cast<TWinControl*>(child)) continue;
    win::SavedDcState saved(dc);
    if (!saved.Saved()) continue;
    win::OffsetViewportOrgEx(dc, child->Left(), child->Top(), nullptr);
    win::IntersectClipRect(dc, 0, 0, child->Width(), child->Height());
    TCanvas canvas(dc);
    canvas.Font = child->Font();
    child->Paint(canvas);
  }
}

void TWinControl::PrintHandler(TMessage& message) {
  // Window systems differ in what their default printing does (Wine's draws
  // no frame and no children), so the toolkit prints its windows itself, the
  // same way everywhere: frame, background, client, then the child windows.
  message.Result = 0;
  const LPARAM flags = message.LParam;
  const auto dc = reinterpret_cast<HDC>(message.WParam);
  if (!dc || !handle_) return;
  if ((flags & PRF_CHECKVISIBLE) && !win::IsWindowVisible(handle_)) return;
  RECT window{}, client{};
  POINT clientOrigin{0, 0};
  if (!win::GetWindowRect(handle_, &window) || !win::GetClientRect(handle_, &client)) return;
  win::ClientToScreen(handle_, &clientOrigin);
  win::SavedDcState saved(dc);
  if (!saved.Saved()) return;
  if (flags & PRF_NONCLIENT) {
    TCanvas canvas(dc);
    PaintFrame(canvas, RECT{0, 0, window.right - window.left, window.bottom - window.top});
    win::OffsetViewportOrgEx(dc, clientOrigin.x - window.left, clientOrigin.y - window.top, nullptr);
  }
  win::IntersectClipRect(dc, 0, 0, client.right, client.bottom);
  if (flags & PRF_ERASEBKGND) win::SendMessageW(handle_, WM_ERASEBKGND, message.WParam, 0);
  if (flags & PRF_CLIENT) win::SendMessageW(handle_, WM_PRINTCLIENT, message.WParam, flags);
  if (!(flags & PRF_CHILDREN)) return;
  for (TControl* control : std::vector<TControl*>(controls_)) {
    auto* child = dynamic_cast<TWinControl*>(control);
    if (!child || !child->handle_ || !win::IsWindowVisible(child->handle_)) continue;
    RECT place{};
    if (!win::GetWindowRect(child->handle_, &place)) continue;
    win::SavedDcState childState(dc);
    if (!childState.Saved()) continue;
    win::OffsetViewportOrgEx(dc, place.left - clientOrigin.x, place.top - clientOrigin.y, nullptr);
    win::IntersectClipRect(dc, 0, 0, place.right - place.left, place.bottom - place.top);
    win::SendMessageW(child->handle_, WM_PRINT, message.WParam, flags | PRF_NONCLIENT);
  }
}

void TWinControl::PaintFrame(TCanvas& canvas, RECT rect) {
  const auto style = static_cast<DWORD>(win::GetWindowLongPtrW(handle_, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(win::GetWindowLongPtrW(handle_, GWL_EXSTYLE));
  if (style & WS_BORDER) canvas.Frame3D(rect, clWindowFrame, clWindowFrame, 1);
  if (exStyle & WS_EX_CLIENTEDGE) {
    canvas.Frame3D(rect, clBtnShadow, clBtnHighlight, 1);
    canvas.Frame3D(rect, cl3DDkShadow, clBtnFace, 1);
  }
  if (exStyle & WS_EX_STATICEDGE) canvas.Frame3D(rect, clBtnShadow, clBtnHighlight, 1);
}

void TWinControl::DefaultHandler(TMessage& message) {
  if (!handle_) {
    message.Result = 0;
    return;
  }
  message.Result = defaultProc_ ? win::CallWindowProcW(defaultProc_, handle_, message.Msg, message.WParam, message.LParam)
                                : win::DefWindowProcW(handle_, message.Msg, message.WParam, message.LParam);
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
  Realign();
}

POINT TWinControl::ClientOrigin() const {
  RECT insets = NonClientInsets();
  RECT window{};
  if (handle_ && win::GetWindowRect(handle_, &window)) return POINT{window.left + insets.left, window.top + insets.top};
  POINT origin{Left(), Top()};
  if (Parent()) {
    POINT parentOrigin = Parent()->ClientOrigin();
    origin = POINT{parentOrigin.x + Left(), parentOrigin.y + Top()};
  } else if (parentWindow_ && win::GetWindowRect(parentWindow_, &window)) {
    origin = POINT{window.left + Left(), window.top + Top()};
  }
  return POINT{origin.x + insets.left, origin.y + insets.top};
}

void TWinControl::SetBorderWidth(int value) {
  value = std::max(value, 0);
  if (value == borderWidth_) return;
  borderWidth_ = value;
  Realign();
}

void TWinControl::EnableAlign() {
  if (alignDisabled_ > 0 && --alignDisabled_ == 0) Realign();
}

void TWinControl::Realign() {
  if (alignDisabled_ > 0 || Destroying()) return;
  if (aligning_) {
    realignAgain_ = true;
    return;
  }
  struct Guard {
    bool& flag;
    ~Guard() { flag = false; }
  } guard{aligning_};
  aligning_ = true;
  // Auto-size changes the client area, which may call for another arrangement; a few rounds settle it.
  for (int round = 0; round < 4; ++round) {
    realignAgain_ = false;
    RECT rect{0, 0, ClientWidth(), ClientHeight()};
    AdjustClientRect(rect);
    AlignControls(rect);
    AdjustSize();
    if (!realignAgain_) break;
  }
}

void TWinControl::AdjustClientRect(RECT& rect) const {
  rect.left += borderWidth_;
  rect.top += borderWidth_;
  rect.right -= borderWidth_;
  rect.bottom -= borderWidth_;
}

void TWinControl::AlignControls(RECT rect) {
  auto ordered = [this](TAlign align) {
    std::vector<TControl*> list;
    for (TControl* c : controls_)
      if (c->Visible() && c->Align() == align) list.push_back(c);
    auto key = [align](const TControl* c) {
      switch (align) {
        case alTop: return c->Top();
        case alBottom: return -(c->Top() + c->Height());
        case alLeft: return c->Left();
        case alRight: return -(c->Left() + c->Width());
        default: return 0;
      }
    };
    std::stable_sort(list.begin(), list.end(), [&](TControl* a, TControl* b) { return key(a) < key(b); });
    return list;
  };
  auto height = [&] { return std::max<LONG>(rect.bottom - rect.top, 0); };
  auto width = [&] { return std::max<LONG>(rect.right - rect.left, 0); };
  for (TControl* c : ordered(alTop)) {
    c->SetBounds(rect.left, rect.top, width(), c->Height());
    rect.top += c->Height();
  }
  for (TControl* c : ordered(alBottom)) {
    c->SetBounds(rect.left, rect.bottom - c->Height(), width(), c->Height());
    rect.bottom -= c->Height();
  }
  for (TControl* c : ordered(alLeft)) {
    c->SetBounds(rect.left, rect.top, c->Width(), height());
    rect.left += c->Width();
  }
  for (TControl* c : ordered(alRight)) {
    c->SetBounds(rect.right - c->Width(), rect.top, c->Width(), height());
    rect.right -= c->Width();
  }
  for (TControl* c : ordered(alClient)) c->SetBounds(rect.left, rect.top, width(), height());
}

bool TWinControl::AutoSizeExtent(int& width, int& height) const {
  int right = 0, bottom = 0;
  bool any = false;
  for (const TControl* c : controls_) {
    if (!c->Visible()) continue;
    any = true;
    right = std::max(right, c->Left() + c->Width());
    bottom = std::max(bottom, c->Top() + c->Height());
  }
  if (!any) return false;
  RECT inner{0, 0, 0, 0};
  AdjustClientRect(inner);
  RECT frame = NonClientInsets();
  width = right - inner.right + frame.left + frame.right;
  height = bottom - inner.bottom + frame.top + frame.bottom;
  return true;
}

void TWinControl::FontChanged() {
  if (SystemControl()) UpdateSystemFont();
  TControl::FontChanged();
  for (size_t i = 0; i < controls_.size(); ++i) {
    TControl* c = controls_[i];
    if (c->ParentFont()) c->FontChanged();
  }
}

void TWinControl::TextChanged() {
  if (handle_) win::SendMessageW(handle_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Caption().c_str()));
  TControl::TextChanged();
}

void TWinControl::SetControlIndex(TControl* control, int index) {
  auto it = std::find(controls_.begin(), controls_.end(), control);
  if (it == controls_.end()) return;
  controls_.erase(it);
  index = std::clamp(index, 0, static_cast<int>(controls_.size()));
  controls_.insert(controls_.begin() + index, control);
  Realign();
}

int TWinControl::IndexOfControl(const TControl* control) const {
  auto it = std::find(controls_.begin(), controls_.end(), control);
  return it == controls_.end() ? -1 : static_cast<int>(it - controls_.begin());
}

TControl* TWinControl::ControlAtPos(POINT point, bool allowDisabled, bool allowWinControls) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    if (!c->Visible() || (!allowDisabled && !c->Enabled())) continue;
    if (!allowWinControls && dynamic_cast<TWinControl*>(c)) continue;
    if (point.x >= c->Left() && point.x < c->Left() + c->Width() && point.y >= c->Top() &&
        point.y < c->Top() + c->Height())
      return c;
  }
  return nullptr;
}

void TWinControl::RouteMouse(TMessage& message) {
  const int x = static_cast<short>(LOWORD(message.LParam));
  const int y = static_cast<short>(HIWORD(message.LParam));
  const WPARAM keys = message.WParam;
  TShiftState shift = 0;
  if (keys & MK_SHIFT) shift |= ssShift;
  if (keys & MK_CONTROL) shift |= ssCtrl;
  if (keys & MK_LBUTTON) shift |= ssLeft;
  if (keys & MK_RBUTTON) shift |= ssRight;
  if (keys & MK_MBUTTON) shift |= ssMiddle;
  TControl* target = ControlAtPos(POINT{x, y}, false);
  // The control that saw the press gets the moves and the release, as with mouse capture.
  if (pressed_ && message.Msg != WM_LBUTTONDOWN && message.Msg != WM_RBUTTONDOWN) target = pressed_;
  TControl* receiver = target ? target : this;
  const int cx = target ? x - target->Left() : x;
  const int cy = target ? y - target->Top() : y;
  if (!receiver->Enabled()) return;
  switch (message.Msg) {
    case WM_MOUSEMOVE:
      receiver->MouseMove(shift, cx, cy);
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
      const TMouseButton button = message.Msg == WM_LBUTTONDOWN ? mbLeft : mbRight;
      pressed_ = target;
      pressedSelf_ = !target;
      receiver->MouseDown(button, shift, cx, cy);
      break;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      const bool left = message.Msg == WM_LBUTTONUP;
      const bool wasPressed = pressed_ ? pressed_ == target : pressedSelf_;
      pressed_ = nullptr;
      pressedSelf_ = false;
      receiver->MouseUp(left ? mbLeft : mbRight, shift, cx, cy);
      const bool inside = cx >= 0 && cy >= 0 && cx < receiver->Width() && cy < receiver->Height();
      if (left && wasPressed && inside) receiver->Click();
      break;
    }
    default:
      break;
  }
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
  if (pressed_ == control) pressed_ = nullptr;
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
  if (control->parent_ == this) control->parent_ = nullptr;
}

}  // namespace forms
