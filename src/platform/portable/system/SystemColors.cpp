// The classic Windows scheme: a headless system has no user settings, and
// this is the scheme Windows falls back to.
#include <iterator>

#include "platform/win/System.h"
#include "platform/win/WindowTypes.h"

namespace win {
namespace {

constexpr COLORREF Rgb(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}

constexpr COLORREF kClassicColors[] = {
    Rgb(212, 208, 200),  // COLOR_SCROLLBAR
    Rgb(58, 110, 165),   // COLOR_BACKGROUND
    Rgb(10, 36, 106),    // COLOR_ACTIVECAPTION
    Rgb(128, 128, 128),  // COLOR_INACTIVECAPTION
    Rgb(212, 208, 200),  // COLOR_MENU
    Rgb(255, 255, 255),  // COLOR_WINDOW
    Rgb(0, 0, 0),        // COLOR_WINDOWFRAME
    Rgb(0, 0, 0),        // COLOR_MENUTEXT
    Rgb(0, 0, 0),        // COLOR_WINDOWTEXT
    Rgb(255, 255, 255),  // COLOR_CAPTIONTEXT
    Rgb(212, 208, 200),  // COLOR_ACTIVEBORDER
    Rgb(212, 208, 200),  // COLOR_INACTIVEBORDER
    Rgb(128, 128, 128),  // COLOR_APPWORKSPACE
    Rgb(10, 36, 106),    // COLOR_HIGHLIGHT
    Rgb(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    Rgb(212, 208, 200),  // COLOR_BTNFACE
    Rgb(128, 128, 128),  // COLOR_BTNSHADOW
    Rgb(128, 128, 128),  // COLOR_GRAYTEXT
    Rgb(0, 0, 0),        // COLOR_BTNTEXT
    Rgb(212, 208, 200),  // COLOR_INACTIVECAPTIONTEXT
    Rgb(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    Rgb(64, 64, 64),     // COLOR_3DDKSHADOW
    Rgb(212, 208, 200),  // COLOR_3DLIGHT
    Rgb(0, 0, 0),        // COLOR_INFOTEXT
    Rgb(255, 255, 225),  // COLOR_INFOBK
    Rgb(181, 181, 181),  // 25: unused
    Rgb(0, 0, 128),      // COLOR_HOTLIGHT
    Rgb(166, 202, 240),  // COLOR_GRADIENTACTIVECAPTION
    Rgb(192, 192, 192),  // COLOR_GRADIENTINACTIVECAPTION
    Rgb(10, 36, 106),    // COLOR_MENUHILIGHT
    Rgb(212, 208, 200),  // COLOR_MENUBAR
};

}  // namespace

DWORD GetSysColor(int nIndex) {
  if (nIndex < 0 || nIndex >= static_cast<int>(std::size(kClassicColors))) return 0;
  return kClassicColors[nIndex];
}

}  // namespace win
