// A control with a window of its own.
//
// The window is made on first use of Handle() (its parent's first), together
// with the windows of its child controls, and can be dropped with
// DestroyHandle() and made again later: the control's state (bounds, visible,
// enabled) lives in the object and is carried over to each new window. Moves,
// resizes, shows, hides and enabling done to the window directly (by a host
// that owns the parent window, say) are read back into that state.
//
// Every message of the window goes to WindowProc. Its default handler is the
// virtual WndProc; an owner that needs to see messages first saves WindowProc,
// installs its own handler and calls the saved one from it. A handler that
// throws is treated as having handled the message with result 0: errors of
// the user interface do not escape into the window system.
//
// A control's window belongs to the thread that made it; use and destroy the
// control on that thread, and never from inside one of its own message handlers. A subclass that must see the messages sent while
// its window is destroyed calls DestroyHandle() in its own destructor (the
// base destructor only reaches the base handlers).
//
// Alignment: whenever a child control changes (bounds, visibility, alignment,
// joining or leaving) or the client area changes size, the visible aligned
// children are arranged inside the client area less AdjustClientRect's
// insets (BorderWidth on every side here): first alTop children from the top
// down (ordered by Top, then by the order they joined), then alBottom from the
// bottom up (by bottom edge, last first), then alLeft from the left (by Left),
// alRight from the right (by right edge), and last alClient takes what is left.
// Each keeps its own height (top/bottom) or width (left/right) and takes the
// remaining extent in the other direction. Unaligned children stay where they
// are. DisableAlign/EnableAlign hold the arrangement back while many changes
// are made (a layout being built).
//
// Auto-size of a windowed control: the client area encloses its visible
// children, i.e. client width = the largest right edge of a child plus the
// right inset of AdjustClientRect, and the same for the height.
//
// Mouse messages of the window go to the child control without a window that
// lies under the point (the last one joined wins), else to the control itself;
// a left button release over the control that saw the press is a click.
//
// A control whose window is one of the system's controls (CreateParams names
// a SystemClass) leaves painting to that control and gets its font as a font
// handle (WM_SETFONT). The notifications such a control sends its parent
// (WM_COMMAND, WM_NOTIFY, WM_CTLCOLORSTATIC) come back to the control itself
// as CN_COMMAND, CN_NOTIFY and CN_CTLCOLORSTATIC (TMessage.h); what it leaves
// unanswered (a result of 0) the parent's window handles as usual.
#pragma once

#include <string>
#include <vector>

#include "platform/forms/TControl.h"
#include "platform/forms/TMessage.h"
#include "platform/win/GdiHandles.h"

namespace forms {

// What a control's window is made with; filled by CreateParams.
struct TCreateParams {
  std::wstring Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  std::wstring WinClassName;
  UINT ClassStyle = 0;
  // A system control class the window class is made over (see
  // WindowClassRegistry.h); empty for a window the toolkit draws itself.
  std::wstring SystemClass;
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  // The window, made on first use. Throws EInvalidOperation when a child
  // control has no parent window, com::ComError when the window system refuses.
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded() { Handle(); }
  // Destroys the window and its children's; nothing when there is none.
  void DestroyHandle();

  TWndMethod WindowProc;

  // Passes a message to WindowProc directly, window or not; returns its result.
  LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

  // True when this control and every parent control are visible and enabled,
  // and a foreign parent window, if any, is visible and enabled too.
  virtual bool CanFocus() const;
  bool Focused() const;
  // Gives the window the keyboard focus; EInvalidOperation when !CanFocus().
  void SetFocus();

  // A window of someone else's to live in, used when the control has no
  // parent control (a form inside a host's window).
  HWND ParentWindow() const { return parentWindow_; }
  void SetParentWindow(HWND value);

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  // Child controls in the order they joined; EComponentError out of range.
  TControl* Controls(int index) const;

  int ClientWidth() const override;
  int ClientHeight() const override;
  POINT ClientOrigin() const override;

  // Width of the inner border round the client area, in which aligned children are not placed.
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int value);

  // Arranges the children now (see above); postponed while alignment is disabled.
  void Realign();
  void DisableAlign() { ++alignDisabled_; }
  void EnableAlign();

  // Moves a child to the given place in the order of the children (clamped to the list).
  void SetControlIndex(TControl* control, int index);
  int IndexOfControl(const TControl* control) const;

  // The child at a point of the client area: visible children only, the last
  // one joined first; disabled children and windowed children only when asked.
  // Null when none is there.
  TControl* ControlAtPos(POINT point, bool allowDisabled, bool allowWinControls = false) const;

 protected:
  virtual void CreateParams(TCreateParams& params) const;
  virtual void WndProc(TMessage& message);
  // The window system's default handling of the message.
  void DefaultHandler(TMessage& message);

  void BoundsChanged() override;
  void VisibleChanged() override;
  void EnabledChanged() override;
  void ParentChanged() override;
  void FontChanged() override;
  // Carries the caption over to the window's text.
  void TextChanged() override;

  // The area aligned children are arranged in, in client coordinates.
  virtual void AdjustClientRect(RECT& rect) const;
  // Places the children; the standard arrangement described above.
  virtual void AlignControls(RECT rect);
  bool AutoSizeExtent(int& width, int& height) const override;
  // Non-client frame of the window this control's styles give, per side.
  RECT NonClientInsets() const;

  // The window was made (its children's too): a control over a system
  // control brings that control up to date here.
  virtual void HandleCreated() {}
  // The window is one of the system's controls, which paints itself.
  bool SystemControl() const { return defaultProc_ != nullptr; }

  // Draws the window's own content in client coordinates, before the
  // children without windows are drawn over it: by default the client area
  // in the control's colour.
  virtual void PaintWindow(TCanvas& canvas);
  // Paints the window into a DC (WM_PAINT's, or WM_PRINTCLIENT's): its own
  // content, then each visible child without a window at its place, in the
  // order they joined.
  void PaintHandler(HDC dc);
  // WM_PRINT: the window's frame, background and client, then each visible
  // child window of the control at its place.
  void PrintHandler(TMessage& message);
  // The frame the window's styles give it (border, static and client edges),
  // in window coordinates; the toolkit's windows have no other frames.
  void PaintFrame(TCanvas& canvas, RECT rect);
  // Hands a mouse message of the window (client coordinates) to the child
  // without a window under it (the one that saw the press, until the
  // release), or to the control itself; then Click on a release over the
  // control pressed.
  void RouteMouse(TMessage& message);

 private:
  friend class TControl;

  static LRESULT CALLBACK StandardWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void CreateHandle();
  HWND ParentHandleForCreation();
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  // Hands a system control's notification to it; false when no child control has that window.
  bool Reflect(HWND child, TMessage& message);
  void UpdateSystemFont();

  HWND handle_ = nullptr;
  // The system control's procedure, for a window made over one.
  WNDPROC defaultProc_ = nullptr;
  win::GdiObjectHandle<HFONT> systemFont_;
  int borderWidth_ = 0;
  int alignDisabled_ = 0;
  bool aligning_ = false;
  bool realignAgain_ = false;
  TControl* pressed_ = nullptr;
  bool pressedSelf_ = false;
  HWND parentWindow_ = nullptr;
  std::vector<TControl*> controls_;
  bool destroyingHandle_ = false;
};

}  // namespace forms
