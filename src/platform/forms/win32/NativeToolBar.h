// The common controls' toolbar behind a TToolBar on Windows.
//
// The window is a superclass of the system's toolbar: flat, not aligned by
// itself (the toolkit aligns it), without the divider line, list style when
// the bar is List. Its buttons mirror the bar's tool buttons in order: image
// index, caption (when the bar shows captions), enabled, checked (Down),
// hidden, plain, check, drop-down (with the split arrow) or separator, auto
// size or the bar's button width. Each button gets back the rectangle the
// toolbar gave it, so the bar's auto-size and the bands' sizes are the real
// ones. A click comes back as the button's Click, a press on a drop-down
// arrow (TBN_DROPDOWN) shows the button's drop-down menu under it.
//
// Buttons are known to the window by a command identifier of their own;
// one that no longer names a button of the bar is ignored.
#pragma once

#include <map>
#include <vector>

#include "platform/forms/SystemControls.h"
#include "platform/forms/win32/NativeImageList.h"

namespace forms {

class TToolButton;

namespace detail {

class TNativeToolBar : public TToolBarPeer {
 public:
  explicit TNativeToolBar(TToolBar& bar);

  static void CreateParams(const TToolBar& bar, TCreateParams& params);

  void Update() override;
  void ImagesChanged() override { imagesChanged_ = true; }
  bool Notified(TMessage& message) override;
  void ShowHot(TToolButton* button) override;

 private:
  HWND Window() const;
  void UpdateStyles();
  void UpdateImages();
  void Rebuild(const std::vector<TToolButton*>& buttons);
  void UpdateButton(int index, TToolButton& button);
  void PlaceButtons();
  int CommandOf(TToolButton* button);
  // The button of the bar that the identifier names, or null.
  TToolButton* ButtonOf(int command) const;

  TToolBar& bar_;
  TNativeImageList images_;
  TNativeImageList hotImages_;
  bool imagesChanged_ = true;
  // The window's buttons, in its order.
  std::vector<TToolButton*> shown_;
  std::map<TToolButton*, int> commands_;
  int nextCommand_ = 1;
};

}  // namespace detail
}  // namespace forms
