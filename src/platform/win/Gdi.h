// The GDI subset the picture code calls: device contexts, bitmaps (device
// dependent and DIB sections), solid brushes and the two blits, with the
// Windows names, signatures and error conventions (null/FALSE/0 results, the
// reason in GetLastError where Windows gives one).
//
// On Windows these are gdi32's functions. The portable backend
// (platform/portable/gdi) keeps the rules callers rely on:
// - the screen is 32 bits per pixel, one plane; GetDC(nullptr) answers a
//   screen DC, ReleaseDC gives it back (1) and a memory DC made compatible
//   with it reports the screen's capabilities;
// - a new memory DC holds a 1x1 monochrome bitmap, so CreateCompatibleBitmap
//   on it makes a monochrome bitmap (as on Windows); a zero width or height
//   gives that 1x1 monochrome stock bitmap;
// - device-dependent bitmaps of the screen's format are 32-bit BGRx; DIB
//   sections keep the layout their BITMAPINFO asks for (1/4/8/16/24/32 bits,
//   BI_RGB or BI_BITFIELDS, bottom-up or top-down, rows DWORD-aligned) and
//   answer a pointer to their zero-filled bits;
// - a bitmap is selected into at most one DC; DeleteObject of a selected
//   object succeeds and deletes it when it leaves its DC; DeleteDC lets go of
//   the objects selected into the DC;
// - blits convert colours: a palette destination takes the nearest colour of
//   its colour table, a monochrome device bitmap takes 1 for white (the
//   default background colour) and 0 for anything else, and its pixels read as
//   black (0) and white (1);
// - StretchBlt in COLORONCOLOR (and the other non-HALFTONE modes) samples the
//   source pixel under each destination pixel's centre; HALFTONE averages the
//   source area of every destination pixel when shrinking, as Windows does;
// - only the raster operations SRCCOPY, BLACKNESS and WHITENESS are carried
//   out; any other fails with ERROR_INVALID_PARAMETER;
// - nothing is kept of the screen: drawing on a screen DC succeeds and leaves
//   no trace, and it reads as black.
// Handles index one table per process, guarded by one mutex.
#pragma once

#include "platform/win/Window.h"

#ifdef _WIN32
#include <wingdi.h>
#else

struct HDC__;
using HDC = HDC__*;
struct HBITMAP__;
using HBITMAP = HBITMAP__*;
using HGDIOBJ = void*;

struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  void* bmBits;
};

struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  DWORD dsBitfields[3];
  HANDLE dshSection;
  DWORD dsOffset;
};

#define BI_RGB 0L
#define BI_RLE8 1L
#define BI_RLE4 2L
#define BI_BITFIELDS 3L

#define DIB_RGB_COLORS 0

#define SRCCOPY 0x00CC0020u
#define BLACKNESS 0x00000042u
#define WHITENESS 0x00FF0062u

#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4

#define BITSPIXEL 12
#define PLANES 14

#define HGDI_ERROR (reinterpret_cast<HGDIOBJ>(static_cast<ULONG_PTR>(-1)))
#endif  // !_WIN32

namespace win {

#ifdef _WIN32
using ::BitBlt;
using ::CreateCompatibleBitmap;
using ::CreateCompatibleDC;
using ::CreateDIBSection;
using ::CreateSolidBrush;
using ::DeleteDC;
using ::DeleteObject;
using ::FillRect;
using ::GdiFlush;
using ::GetDC;
using ::GetDeviceCaps;
using ::GetObjectW;
using ::GetStretchBltMode;
using ::ReleaseDC;
using ::SelectObject;
using ::SetBrushOrgEx;
using ::SetStretchBltMode;
using ::StretchBlt;
#else

// Only a null window (the screen) has a DC here; any other window answers null.
HDC GetDC(HWND hWnd);
int ReleaseDC(HWND hWnd, HDC hDC);
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
// Bitmaps and brushes; a bitmap selected elsewhere, or into a screen DC, fails (null).
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
BOOL DeleteObject(HGDIOBJ ho);

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);
// Only DIB_RGB_COLORS and no section handle; ERROR_INVALID_PARAMETER for a
// header that describes no bitmap, ERROR_NOT_ENOUGH_MEMORY beyond 2 GiB of bits.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, HANDLE hSection,
                         DWORD offset);
// BITMAP for any bitmap; DIBSECTION for a DIB section given room for one.
int GetObjectW(HANDLE h, int c, void* pv);
BOOL GdiFlush();

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);
BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc, int wSrc,
                int hSrc, DWORD rop);
// Answers the previous mode (BLACKONWHITE for a new DC), 0 for a mode outside 1..4.
int SetStretchBltMode(HDC hdc, int mode);
int GetStretchBltMode(HDC hdc);
BOOL SetBrushOrgEx(HDC hdc, int x, int y, POINT* lppt);

HBRUSH CreateSolidBrush(COLORREF color);
// Fills [left, right) x [top, bottom) with a solid brush; 0 on failure.
int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr);
// BITSPIXEL and PLANES; 0 for other indexes.
int GetDeviceCaps(HDC hdc, int index);
#endif

}  // namespace win
