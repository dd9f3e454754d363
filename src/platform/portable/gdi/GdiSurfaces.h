// How the portable window system reaches the GDI: DCs on the screen and on
// windows' surfaces, and the surfaces' end. Each takes the GDI's mutex; the
// window system may hold its own while calling.
#pragma once

#include "platform/win/Gdi.h"

namespace win::portable::gdi {

HDC OpenScreenDc();
// A DC drawing into the window's surface, made or resized (keeping what
// overlaps) to `size`: device (0,0) lands at `origin` of the surface and
// nothing outside `bounds` (surface pixels) is drawn. Null when there is no
// room for the surface.
HDC OpenWindowDc(HWND hwnd, SIZE size, POINT origin, RECT bounds);
void DropSurface(HWND hwnd);
// True once the window has had a DC (and so a surface).
bool HasSurface(HWND hwnd);

}  // namespace win::portable::gdi
