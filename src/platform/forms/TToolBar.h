// A row of tool buttons (and other controls) placed left to right in the
// order of its children.
//
// Button geometry, the same on both builds so that sizes are testable. With
// an image list of W x H images (0 x 0 without one) and, when ShowCaptions is
// on, the caption's extent T (Graphics.h metrics, accelerators stripped; 0 x 0
// for an empty caption):
//   List style:  natural width  = 7 + W + (W and T.cx both > 0 ? 4 : 0) + T.cx,
//                natural height = max(H, T.cy) + 6;
//   otherwise:   natural width  = max(W, T.cx) + 7, natural height = H + T.cy + 6.
// A button with AutoSize is its natural width wide, any other ButtonWidth;
// tbsDropDown adds 14 for its arrow. Every button is as high as the highest
// natural height of the visible buttons, and at least ButtonHeight.
// Separators and dividers are 8 wide. Other controls keep their own size.
// Invisible children take no room. With Wrapable, a child that would cross the
// right edge of the client area starts a new row (unless it is first in its row);
// rows are as high as the buttons. AutoSize makes the toolbar enclose its
// visible children (its width when aligned left or right, its height when
// aligned top or bottom), and leaves it alone when it has none.
// Defaults: ButtonWidth 23, ButtonHeight 22 (a 16 x 16 image, no caption: 23 x 22), Wrapable on.
// Flat, Transparent, EdgeBorders, Customizable and HotImages are kept for
// drawing and for the user's customisation; they do not change the geometry
// (no edge takes room).
//
// A press on a tool button's arrow shows its drop-down menu at once (the menu
// peer decides how long it stays); a press and release on the face is a click.
//
// Drawing: the bar in its colour (edges where EdgeBorders asks for them), each
// button flat on it: raised while the mouse is over it (HotButton, drawn with
// its image from HotImages when there is one), sunken while pressed or Down
// (on a lighter ground), greyed when disabled; drop-down buttons with their
// arrow, captions beside (List) or below the image.
//
// On Windows the bar's window is the system's toolbar (SystemControls.h,
// win32/NativeToolBar.h): it draws the buttons, tracks the mouse, and places
// the buttons itself; the geometry above then is the portable build's.
#pragma once

#include <memory>

#include "platform/forms/TToolButton.h"
#include "platform/forms/TWinControl.h"

namespace forms {

class TImageList;
namespace detail {
class TToolBarPeer;
}

enum TEdgeBorder : unsigned { ebLeft = 1, ebTop = 2, ebRight = 4, ebBottom = 8 };

class TToolBar : public TWinControl {
 public:
  static constexpr int kDropDownArrowWidth = 14;
  static constexpr int kSeparatorWidth = 8;

  explicit TToolBar(TComponent* owner);
  ~TToolBar() override;

  int ButtonCount() const;
  // The tool buttons in order (other controls are not counted); EComponentError out of range.
  TToolButton* Buttons(int index) const;

  TImageList* Images() const { return images_; }
  void SetImages(TImageList* value);
  TImageList* HotImages() const { return hotImages_; }
  void SetHotImages(TImageList* value);

  bool Flat() const { return flat_; }
  void SetFlat(bool value) { flat_ = value; }
  bool ShowCaptions() const { return showCaptions_; }
  void SetShowCaptions(bool value);
  bool List() const { return list_; }
  void SetList(bool value);
  bool Wrapable() const { return wrapable_; }
  void SetWrapable(bool value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value) { transparent_ = value; }
  bool Customizable() const { return customizable_; }
  void SetCustomizable(bool value) { customizable_ = value; }
  unsigned EdgeBorders() const { return edgeBorders_; }
  void SetEdgeBorders(unsigned value) { edgeBorders_ = value; }
  int ButtonWidth() const { return buttonWidth_; }
  void SetButtonWidth(int value);
  int ButtonHeight() const { return buttonHeight_; }
  void SetButtonHeight(int value);

  // The natural size of a button as described above (before the common height).
  TTextSize NaturalButtonSize(const TToolButton& button) const;

  // The button under the mouse, drawn raised (with its hot image); null when none.
  TToolButton* HotButton() const { return hotButton_; }
  void SetHotButton(TToolButton* button);

  void MouseMove(TShiftState shift, int x, int y) override;

  // A button's state (down, enabled, image) changed: the window shows it.
  void ButtonChanged(TToolButton& button);

 protected:
  void CreateParams(TCreateParams& params) const override;
  void AlignControls(RECT rect) override;
  void Notification(TComponent* component, TOperation operation) override;
  void WndProc(TMessage& message) override;
  void PaintWindow(TCanvas& canvas) override;
  void HandleCreated() override;

 private:
  void WatchImages(TImageList* list);
  void ImagesChanged();

  TImageList* images_ = nullptr;
  TImageList* hotImages_ = nullptr;
  TToolButton* hotButton_ = nullptr;
  // The system's toolbar behind the window, while there is one.
  std::unique_ptr<detail::TToolBarPeer> peer_;
  bool flat_ = false;
  bool showCaptions_ = false;
  bool list_ = false;
  bool wrapable_ = true;
  bool transparent_ = false;
  bool customizable_ = false;
  unsigned edgeBorders_ = ebTop;
  int buttonWidth_ = 23;
  int buttonHeight_ = 22;
};

}  // namespace forms
