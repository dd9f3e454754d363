#include "bho_gui/HintFormUnit.h"

#include "platform/forms/LayoutBuilder.h"
#include "platform/win/Window.h"

namespace vorn {
namespace {

const forms::FormLayout& Layout() {
  using namespace forms;
  static const FormLayout layout = {
      .client = {169, 41},
      // The form's colour shows in its one-pixel border: the frame round the picture.
      .color = clWindowFrame,
      .font = TFont{L"MS Sans Serif", -11},
      .caption = L"Stowly hint",
      .borderWidth = 1,
      .autoSize = true,
      .alphaBlend = true,
      .alphaBlendValue = 100,
      // The toolkit's border lies inside the client area: the picture starts
      // just inside it, so the frame shows on all four sides.
      .children = {ImageDecl{.name = L"HintImage", .pos = {1, 1}, .size = {169, 41}, .autoSize = true}},
  };
  return layout;
}

}  // namespace

THintForm::THintForm(forms::TComponent* owner) : TForm(owner) {
  forms::BuildLayout(*this, Layout(), {});
  HintImage = forms::LayoutComponent<forms::TImage>(*this, L"HintImage");
  DoCreate();
}

// Above every other window, as a hint must be.
void THintForm::FormCreate() {
  SetBorderStyle(forms::bsToolWindow);
  SetFormStyle(forms::fsStayOnTop);
}

POINT HintWindowPosition(POINT pointer, SIZE window, const RECT& desktop) {
  POINT at{pointer.x - window.cx / 2, pointer.y + 20};
  if (at.y + window.cy > desktop.bottom) {
    const LONG below = desktop.bottom - at.y;
    const LONG above = (pointer.y - 2) - desktop.top;
    if (above > below) at.y = pointer.y - 2 - window.cy;
  }
  if (at.x + window.cx > desktop.right) at.x = desktop.right - window.cx;
  if (at.x < desktop.left) at.x = desktop.left;
  return at;
}

RECT VirtualDesktop() {
  const int left = win::GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int top = win::GetSystemMetrics(SM_YVIRTUALSCREEN);
  return RECT{left, top, left + win::GetSystemMetrics(SM_CXVIRTUALSCREEN),
              top + win::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

}  // namespace vorn
