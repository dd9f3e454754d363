#include "platform/forms/TForm.h"

#include <algorithm>

#include <string>

#include "platform/forms/FormsErrors.h"
#include "platform/win/Gdi.h"
#include "platform/win/Window.h"

namespace forms {

TForm::TForm(TComponent* owner, HWND parentWindow) : TWinControl(owner) {
  UpdateVisible(false);
  SetParentWindow(parentWindow);
}

void TForm::SetClientWidth(int value) {
  SetWidth(Width() - ClientWidth() + std::max(value, 0));
}

void TForm::SetClientHeight(int value) {
  SetHeight(Height() - ClientHeight() + std::max(value, 0));
}

bool TForm::DoCreate() {
  if (createRan_) return createSucceeded_;
  createRan_ = true;
  try {
    FormCreate();
    if (OnCreate) OnCreate(this);
    createSucceeded_ = true;
  } catch (...) {
    createSucceeded_ = false;
  }
  return createSucceeded_;
}

bool TForm::DoDestroy() {
  if (destroyRan_) return true;
  destroyRan_ = true;
  try {
    FormDestroy();
    if (OnDestroy) OnDestroy(this);
    return true;
  } catch (...) {
    return false;
  }
}

void TForm::SetAlphaBlendValue(int value) {
  if (value < 0 || value > 255)
    throw EInvalidOperation(L"AlphaBlendValue out of range (" + std::to_wstring(value) + L")");
  alphaBlendValue_ = value;
  UpdateLayer();
}

void TForm::SetAlphaBlend(bool value) {
  if (value == alphaBlend_) return;
  alphaBlend_ = value;
  UpdateExStyle();
}

void TForm::SetBorderStyle(TFormBorderStyle value) {
  if (value == borderStyle_) return;
  borderStyle_ = value;
  UpdateExStyle();
}

void TForm::SetFormStyle(TFormStyle value) {
  if (value == formStyle_) return;
  formStyle_ = value;
  if (HandleAllocated() && TopLevel())
    win::SetWindowPos(Handle(), value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                      SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

DWORD TForm::OwnExStyle() const {
  DWORD exStyle = 0;
  if (alphaBlend_) exStyle |= WS_EX_LAYERED;
  if (formStyle_ == fsStayOnTop) exStyle |= WS_EX_TOPMOST;
  if (IsToolWindow()) exStyle |= WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
  return exStyle;
}

void TForm::UpdateExStyle() {
  if (!HandleAllocated() || !TopLevel()) return;
  HWND hwnd = Handle();
  constexpr DWORD kOwn = WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
  const auto current = static_cast<DWORD>(win::GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
  const DWORD wanted = (current & ~kOwn) | (OwnExStyle() & kOwn);
  if (wanted != current) {
    win::SetWindowLongPtrW(hwnd, GWL_EXSTYLE, static_cast<LONG_PTR>(wanted));
    win::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                      SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
  UpdateLayer();
  // A window that stops being layered is drawn by its own painting again.
  if ((current & WS_EX_LAYERED) && !alphaBlend_)
    win::RedrawWindow(hwnd, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
}

void TForm::UpdateLayer() {
  if (alphaBlend_ && HandleAllocated() && TopLevel())
    win::SetLayeredWindowAttributes(Handle(), 0, static_cast<BYTE>(alphaBlendValue_), LWA_ALPHA);
}

void TForm::CreateParams(TCreateParams& params) const {
  TWinControl::CreateParams(params);
  params.WinClassName = L"VornForm";
  const DWORD state = params.Style & (WS_VISIBLE | WS_DISABLED);
  if (Parent() || ParentWindow()) {
    params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | state;
  } else {
    // Made visible by the creation would activate it: it is shown once made (WM_CREATE).
    params.Style = WS_POPUP | WS_CLIPCHILDREN | (state & ~static_cast<DWORD>(WS_VISIBLE));
    params.ExStyle |= OwnExStyle();
  }
}

void TForm::WndProc(TMessage& message) {
  TWinControl::WndProc(message);
  if (message.Msg != WM_CREATE || message.Result == -1 || !TopLevel()) return;
  // A layered window shows nothing until its attributes are set: before it is first shown.
  UpdateLayer();
  if (Visible()) win::ShowWindow(Handle(), SW_SHOWNA);
}

void TForm::VisibleChanged() {
  // A form makes its window when shown; a top-level form needs no parent for that.
  if (Visible() && !HandleAllocated() && !Parent()) {
    HandleNeeded();
    return;
  }
  TWinControl::VisibleChanged();
}

}  // namespace forms
