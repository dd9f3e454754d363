// A form: the top of a tree of controls, either a borderless child window of
// a host's window (ParentWindow, a band site for instance) or a borderless
// top-level popup window.
//
// Creation runs in two steps, so that whoever creates a form can finish its
// own bookkeeping between them:
//   1. the constructors build the form (its components, its layout);
//   2. the creator calls DoCreate(), which runs the creation handler: the
//      virtual FormCreate(), then the OnCreate event.
// A form is invisible until shown; showing makes its window.
#pragma once

#include "platform/forms/Graphics.h"
#include "platform/forms/TWinControl.h"

namespace forms {

class TForm : public TWinControl {
 public:
  // parentWindow: a host's window to live in as a borderless child; null for a top-level form.
  explicit TForm(TComponent* owner, HWND parentWindow = nullptr);

  TColor Color() const { return color_; }
  void SetColor(TColor value) { color_ = value; }

  // Sizes the form so that its client area has the given size.
  void SetClientWidth(int value);
  void SetClientHeight(int value);

  TNotifyEvent OnCreate;

  // Runs the creation handler once (later calls do nothing and repeat the
  // first answer). A handler that throws is stopped there, as every handler
  // of the user interface fails silently; the result then is false.
  bool DoCreate();

 protected:
  // The form's own creation handler; runs before OnCreate.
  virtual void FormCreate() {}

  void CreateParams(TCreateParams& params) const override;
  void VisibleChanged() override;

 private:
  TColor color_ = clBtnFace;
  bool createRan_ = false;
  bool createSucceeded_ = false;
};

}  // namespace forms
