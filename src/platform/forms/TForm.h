// A form: the top of a tree of controls, either a borderless child window of
// a host's window (ParentWindow, a band site for instance) or a borderless
// top-level popup window.
//
// Creation runs in two steps, so that whoever creates a form can finish its
// own bookkeeping between them:
//   1. the constructors build the form (its components, its layout);
//   2. the creator calls DoCreate(), which runs the creation handler: the
//      virtual FormCreate(), then the OnCreate event.
// Freeing runs the destruction handler (FormDestroy(), then OnDestroy) first,
// while the derived form is whole, however the form is freed (see TComponent:
// BeforeDestruction). The handler runs once, after a successful or failed
// creation alike, and a handler that throws is stopped there.
// A form is invisible until shown; showing makes its window.
//
// BorderStyle, Position and AlphaBlend/AlphaBlendValue are kept as state for
// the code that places and shows the window (a hint window, say); the window
// itself is always made borderless.
#pragma once

#include "platform/forms/Graphics.h"
#include "platform/forms/TWinControl.h"

namespace forms {

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter };

class TForm : public TWinControl {
 public:
  // parentWindow: a host's window to live in as a borderless child; null for a top-level form.
  explicit TForm(TComponent* owner, HWND parentWindow = nullptr);

  // Sizes the form so that its client area has the given size.
  void SetClientWidth(int value);
  void SetClientHeight(int value);

  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle value) { borderStyle_ = value; }
  TPosition Position() const { return position_; }
  void SetPosition(TPosition value) { position_ = value; }
  bool AlphaBlend() const { return alphaBlend_; }
  void SetAlphaBlend(bool value) { alphaBlend_ = value; }
  // 0 (invisible) to 255 (opaque).
  int AlphaBlendValue() const { return alphaBlendValue_; }
  void SetAlphaBlendValue(int value);

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;

  // Runs the creation handler once (later calls do nothing and repeat the
  // first answer). A handler that throws is stopped there, as every handler
  // of the user interface fails silently; the result then is false.
  bool DoCreate();
  // Runs the destruction handler once; false when it threw.
  bool DoDestroy();

 protected:
  // The form's own creation handler; runs before OnCreate.
  virtual void FormCreate() {}
  // The form's own destruction handler; runs before OnDestroy.
  virtual void FormDestroy() {}
  void BeforeDestruction() override { DoDestroy(); }

  void CreateParams(TCreateParams& params) const override;
  void VisibleChanged() override;

 private:
  TFormBorderStyle borderStyle_ = bsNone;
  TPosition position_ = poDesigned;
  bool alphaBlend_ = false;
  int alphaBlendValue_ = 255;
  bool createRan_ = false;
  bool createSucceeded_ = false;
  bool destroyRan_ = false;
};

}  // namespace forms
