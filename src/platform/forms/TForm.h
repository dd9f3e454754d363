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
// A form is invisible until shown; showing makes its window, and never
// activates it (a hint window must not take the focus from the browser).
//
// A top-level form's window follows AlphaBlend/AlphaBlendValue (a layered
// window of that constant alpha), FormStyle (fsStayOnTop: a topmost window)
// and BorderStyle (bsToolWindow, bsSizeToolWin: a tool window, left out of
// the taskbar and never activated by a click), at creation and whenever they
// change. The window itself is always made borderless: the toolkit paints
// its own frames. A form in a host's window is a plain child window; these
// properties are only kept for it. Position is kept as state for the code
// that places the window.
#pragma once

#include "platform/forms/Graphics.h"
#include "platform/forms/TWinControl.h"

namespace forms {

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TFormStyle { fsNormal, fsStayOnTop };
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter };

class TForm : public TWinControl {
 public:
  // parentWindow: a host's window to live in as a borderless child; null for a top-level form.
  explicit TForm(TComponent* owner, HWND parentWindow = nullptr);

  // Sizes the form so that its client area has the given size.
  void SetClientWidth(int value);
  void SetClientHeight(int value);

  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle value);
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle value);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition value) { position_ = value; }
  bool AlphaBlend() const { return alphaBlend_; }
  void SetAlphaBlend(bool value);
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
  void WndProc(TMessage& message) override;

 private:
  bool TopLevel() const { return !Parent() && !ParentWindow(); }
  bool IsToolWindow() const { return borderStyle_ == bsToolWindow || borderStyle_ == bsSizeToolWin; }
  // The extended styles the properties give a top-level form's window.
  DWORD OwnExStyle() const;
  // Carries the properties over to an existing top-level window.
  void UpdateExStyle();
  void UpdateLayer();

  TFormBorderStyle borderStyle_ = bsNone;
  TFormStyle formStyle_ = fsNormal;
  TPosition position_ = poDesigned;
  bool alphaBlend_ = false;
  int alphaBlendValue_ = 255;
  bool createRan_ = false;
  bool createSucceeded_ = false;
  bool destroyRan_ = false;
};

}  // namespace forms
