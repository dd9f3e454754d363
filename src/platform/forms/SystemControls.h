// The system's own controls behind some of the toolkit's controls.
//
// On Windows a toolbar's window is the common controls' toolbar and a static
// text's window the system's static control: they look, hot-track, draw
// their images and measure their text as every other program's do. The
// portable build has no such controls; there the toolkit's own windows draw
// these controls (TToolBar.h, TStaticText.h), so the functions below leave
// the creation parameters alone and make no peer.
#pragma once

#include <memory>

namespace forms {

class TStaticText;
class TToolBar;
class TToolButton;
struct TCreateParams;
struct TMessage;

namespace detail {

// What keeps a system toolbar in line with its TToolBar.
class TToolBarPeer {
 public:
  virtual ~TToolBarPeer() = default;
  // Brings the window's styles and buttons (state, image, caption, style) in
  // line with the toolbar and gives each button the place the window gave it.
  virtual void Update() = 0;
  // The toolbar's image lists, or their pictures, changed.
  virtual void ImagesChanged() = 0;
  // Shows the button raised, as under the mouse (null: none).
  virtual void ShowHot(TToolButton* button) = 0;
  // A CN_COMMAND or CN_NOTIFY of the window: a button's click, or a press on
  // its arrow. False for the notifications the peer leaves alone.
  virtual bool Notified(TMessage& message) = 0;
};

void ToolBarCreateParams(const TToolBar& bar, TCreateParams& params);
// The peer of the bar's new window; null on the portable build.
std::unique_ptr<TToolBarPeer> NewToolBarPeer(TToolBar& bar);

void StaticTextCreateParams(const TStaticText& text, TCreateParams& params);

}  // namespace detail
}  // namespace forms
