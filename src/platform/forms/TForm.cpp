#include "platform/forms/TForm.h"

#include <algorithm>

#include <string>

#include "platform/forms/FormsErrors.h"
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
