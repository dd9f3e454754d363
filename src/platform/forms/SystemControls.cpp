#include "platform/forms/SystemControls.h"

#ifdef _WIN32
#include "platform/forms/win32/NativeStaticText.h"
#include "platform/forms/win32/NativeToolBar.h"
#endif

namespace forms::detail {

#ifdef _WIN32

void ToolBarCreateParams(const TToolBar& bar, TCreateParams& params) { TNativeToolBar::CreateParams(bar, params); }

std::unique_ptr<TToolBarPeer> NewToolBarPeer(TToolBar& bar) { return std::make_unique<TNativeToolBar>(bar); }

void StaticTextCreateParams(const TStaticText& text, TCreateParams& params) {
  NativeStaticTextCreateParams(text, params);
}

#else

void ToolBarCreateParams(const TToolBar&, TCreateParams&) {}

std::unique_ptr<TToolBarPeer> NewToolBarPeer(TToolBar&) { return nullptr; }

void StaticTextCreateParams(const TStaticText&, TCreateParams&) {}

#endif

}  // namespace forms::detail
