#include "main_toolbar/BtnHintFormUnit.h"

#include "platform/forms/LayoutBuilder.h"

namespace vorn {
namespace {

const forms::FormLayout& Layout() {
  using namespace forms;
  static const FormLayout layout = {
      .client = {104, 43},
      .color = clInfoBk,
      .font = TFont{L"MS Sans Serif", -11},
      .children = {
          // The default one-pixel pen draws the frame.
          ShapeDecl{.name = L"Shape1", .align = alClient, .brush = TBrush{clInfoBk}},
          LabelDecl{.name = L"HintLabel",
                    .pos = {3, 3},
                    .caption = L"  Hint\r\n  comments  ",
                    .fontColor = clInfoText,
                    .transparent = true},
      },
  };
  return layout;
}

}  // namespace

TBtnHintForm::TBtnHintForm(forms::TComponent* owner) : TForm(owner) {
  forms::BuildLayout(*this, Layout(), {});
  Shape1 = forms::LayoutComponent<forms::TShape>(*this, L"Shape1");
  HintLabel = forms::LayoutComponent<forms::TLabel>(*this, L"HintLabel");
  DoCreate();
}

// Above every other window, as a hint must be.
void TBtnHintForm::FormCreate() {
  SetBorderStyle(forms::bsToolWindow);
  SetFormStyle(forms::fsStayOnTop);
}

}  // namespace vorn
