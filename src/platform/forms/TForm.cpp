#include "platform/forms/TForm.h"

#include <algorithm>

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

void TForm::CreateParams(TCreateParams& params) const {
  TWinControl::CreateParams(params);
  params.WinClassName = L"VornForm";
  const DWORD state = params.Style & (WS_VISIBLE | WS_DISABLED);
  if (Parent() || ParentWindow())
    params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | state;
  else
    params.Style = WS_POPUP | WS_CLIPCHILDREN | state;
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
