// The HTML document stand-in drawing itself: the current tree (inline styles
// as they are now, after any script or highlighting changed them) painted into
// a device context with solid rectangles only, so that pictures of a page are
// the same on every build and change exactly when the page changes.
//
// What is drawn, in this order:
// - the page background over the whole bounds: BODY's `bgcolor` attribute or
//   its inline `background-color`, else white;
// - a flow of lines from the top left corner: block elements (P, DIV, LI, TR,
//   headings, ...) start and end lines, BR breaks one; every word is a bar of
//   kCellWidth pixels per character in the text colour (the inline `color` of
//   the nearest element that has one; a link, A with href, is blue 0000EE
//   unless it or an element inside it says otherwise), thicker for bold (B,
//   STRONG, headings, inline `font-weight` bold or 600 and above); the nearest
//   element with an inline `background-color` paints behind its words;
//   `text-decoration` underline / overline / line-through draw a 1-pixel line;
// - images as grey boxes of their width/height attributes (32x32 without).
// Lines wrap at the right edge of the bounds; nothing is drawn outside the
// bounds and the walk ends at their bottom: the visible part of the page, not
// scrolled. HEAD, SCRIPT, STYLE, elements with inline `display: none` and
// frames (FRAME, IFRAME, their fallback content) are not drawn.
// The walk is iterative: pages nested 100,000 levels deep draw.
#pragma once

#include <optional>
#include <string_view>

#include "platform/win/Gdi.h"
#include "standins/html/Dom.h"

namespace standins::html {

inline constexpr int kCellWidth = 7;
inline constexpr int kCellHeight = 14;
inline constexpr int kDefaultImageSide = 32;
inline constexpr COLORREF kLinkColor = RGB(0x00, 0x00, 0xEE);
inline constexpr COLORREF kImageColor = RGB(0xC0, 0xC0, 0xC0);

// A CSS or attribute colour: #RGB, #RRGGBB, bare RRGGBB (as the highlighting
// writes them), rgb(r, g, b) and a few names (case-insensitive, surrounding
// white space ignored). nullopt for anything else.
std::optional<COLORREF> ParseColor(std::wstring_view text);

// Paints the page into dc within bounds. E_INVALIDARG for a null dc or an
// inverted rectangle (an empty one draws nothing); E_FAIL when a GDI call fails.
HRESULT DrawPage(Dom& dom, HDC dc, const RECT& bounds);

}  // namespace standins::html
