// A picture of a window with its children, as the window paints itself: the
// window is asked to print into a bitmap (PrintWindow), so it need not be on
// the screen or uncovered.
#pragma once

#include "platform/forms/TBitmap.h"
#include "platform/win/WindowTypes.h"

namespace forms {

// The window's whole rectangle, frame included; EInvalidGraphic when the
// window has no area or does not print.
TBitmap WindowPicture(HWND hwnd);

}  // namespace forms
