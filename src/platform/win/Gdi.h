// The GDI subset the picture code and the form toolkit call: device contexts,
// bitmaps (device dependent and DIB sections), brushes, pens, fonts and text,
// shapes, the blits, the DC's state (viewport origin, clipping, saved states)
// and window painting, with the Windows names, signatures and error
// conventions (null/FALSE/0 results, the reason in GetLastError where Windows
// gives one).
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
//   no trace, and it reads as black;
// - every window has a 32-bit pixel surface the size of its window rectangle;
//   GetDC(hwnd) and BeginPaint answer a DC drawing into it with the origin at
//   the client area and clipped to the client area (GetWindowDC: the whole
//   window). A window becomes invalid when it is shown or resized and by
//   InvalidateRect; GetMessageW/PeekMessageW hand out WM_PAINT for an invalid
//   window of the calling thread when nothing else is to be read, and
//   DefWindowProcW's WM_PAINT validates (BeginPaint/EndPaint) as on Windows;
// - PrintWindow sends WM_PRINT (PRF_CLIENT | PRF_CHILDREN | PRF_NONCLIENT |
//   PRF_ERASEBKGND); DefWindowProcW answers WM_PRINT with WM_ERASEBKGND and
//   WM_PRINTCLIENT, then prints each visible child bottom first at its place,
//   and answers WM_PRINTCLIENT by copying the window's surface (after a
//   WM_PAINT when the window is invalid);
// - text is drawn with FreeType from the Liberation fonts (DejaVu when they are
//   missing), the face names of Windows mapped to them as Wine maps them on a
//   system without Microsoft's fonts: "Courier New" and the fixed-pitch
//   families to Liberation Mono, "Times New Roman" to Liberation Serif, every
//   other name to Liberation Sans. Kerning is off, as in GDI. Without any font
//   file, text calls fail (FALSE/0) and the measuring calls answer a fixed
//   metric (an em of the font's height, every character half of it wide);
// - every drawing call, the blits' destination and FillRect included, honours
//   the viewport origin and the clip rectangle (IntersectClipRect, kept as one
//   rectangle: the intersection of all of them); SaveDC/RestoreDC keep the
//   selected objects, colours, modes, origin and clip;
// - pens are solid or null and drawn one pixel wide whatever their width;
//   shapes are not anti-aliased; Rectangle and Polygon fill with the selected
//   brush and outline with the selected pen, and Rectangle, like FillRect,
//   leaves out the right column and the bottom row.
// Handles index one table per process, guarded by one mutex.
#pragma once

#include "platform/win/System.h"
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
#define GDI_ERROR 0xFFFFFFFFL
#define CLR_INVALID 0xFFFFFFFF
struct HRGN__;
using HRGN = HRGN__*;

// ---------------------------------------------------------------- fonts
struct HFONT__;
using HFONT = HFONT__*;

#define LF_FACESIZE 32

struct LOGFONTW {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];
};

struct TEXTMETRICW {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  WCHAR tmFirstChar;
  WCHAR tmLastChar;
  WCHAR tmDefaultChar;
  WCHAR tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};

#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_REGULAR 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_HEAVY 900

#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2

#define OUT_DEFAULT_PRECIS 0
#define OUT_TT_PRECIS 4
#define CLIP_DEFAULT_PRECIS 0

#define DEFAULT_QUALITY 0
#define DRAFT_QUALITY 1
#define PROOF_QUALITY 2
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define CLEARTYPE_QUALITY 5

#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30

// ---------------------------------------------------------------- text
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004

#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_EXPANDTABS 0x00000040
#define DT_NOCLIP 0x00000100
#define DT_CALCRECT 0x00000400
#define DT_NOPREFIX 0x00000800
#define DT_END_ELLIPSIS 0x00008000
#define DT_HIDEPREFIX 0x00100000

#define TRANSPARENT 1
#define OPAQUE 2

#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24

// ---------------------------------------------------------------- pens and stock objects
struct HPEN__;
using HPEN = HPEN__*;

#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_NULL 5
#define PS_INSIDEFRAME 6

#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define SYSTEM_FONT 13
#define DEFAULT_GUI_FONT 17
#define DC_BRUSH 18
#define DC_PEN 19

// ---------------------------------------------------------------- clipping
#define ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3

// ---------------------------------------------------------------- window painting
struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};
using LPPAINTSTRUCT = PAINTSTRUCT*;

#define PW_CLIENTONLY 0x00000001

#define RDW_INVALIDATE 0x0001
#define RDW_INTERNALPAINT 0x0002
#define RDW_ERASE 0x0004
#define RDW_VALIDATE 0x0008
#define RDW_NOINTERNALPAINT 0x0010
#define RDW_NOERASE 0x0020
#define RDW_NOCHILDREN 0x0040
#define RDW_ALLCHILDREN 0x0080
#define RDW_UPDATENOW 0x0100
#define RDW_ERASENOW 0x0200
#define RDW_FRAME 0x0400
#define RDW_NOFRAME 0x0800
struct BLENDFUNCTION {
  BYTE BlendOp;
  BYTE BlendFlags;
  BYTE SourceConstantAlpha;
  BYTE AlphaFormat;
};
#define AC_SRC_OVER 0x00
#define AC_SRC_ALPHA 0x01

#endif  // !_WIN32

namespace win {

#ifdef _WIN32
using ::BeginPaint;
using ::BitBlt;
using ::CreateCompatibleBitmap;
using ::CreateFontIndirectW;
using ::CreatePen;
using ::DrawTextW;
using ::EndPaint;
using ::ExtTextOutW;
using ::FrameRect;
using ::GetBkColor;
using ::GetBkMode;
using ::GetDIBits;
using ::GetSysColorBrush;
using ::GetStockObject;
using ::GetTextAlign;
using ::GetTextColor;
using ::GetTextExtentPoint32W;
using ::GetTextMetricsW;
using ::GetUpdateRect;
using ::GetViewportOrgEx;
using ::GetWindowDC;
using ::IntersectClipRect;
using ::InvalidateRect;
using ::LineTo;
using ::MoveToEx;
using ::OffsetViewportOrgEx;
using ::Polygon;
using ::PrintWindow;
using ::Rectangle;
using ::RedrawWindow;
using ::RestoreDC;
using ::SaveDC;
using ::SetBkColor;
using ::SetBkMode;
using ::SetDCBrushColor;
using ::SetTextAlign;
using ::SetTextColor;
using ::SetViewportOrgEx;
using ::TextOutW;
using ::TransparentBlt;
using ::UpdateWindow;
using ::ValidateRect;
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

// A null window answers a screen DC; a window answers a DC on its surface,
// origin at the client area, clipped to it (null with
// ERROR_INVALID_WINDOW_HANDLE for a window that does not exist).
HDC GetDC(HWND hWnd);
// The whole window: origin at the window's top-left corner.
HDC GetWindowDC(HWND hWnd);
int ReleaseDC(HWND hWnd, HDC hDC);
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
// Bitmaps, brushes, pens and fonts; answers the object of that kind selected
// before. A bitmap selected elsewhere, or into a window or screen DC, fails (null).
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
// Stock objects are never deleted (TRUE all the same, as on Windows).
BOOL DeleteObject(HGDIOBJ ho);
HGDIOBJ GetStockObject(int i);

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);
// Only DIB_RGB_COLORS and no section handle; ERROR_INVALID_PARAMETER for a
// header that describes no bitmap, ERROR_NOT_ENOUGH_MEMORY beyond 2 GiB of bits.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, HANDLE hSection,
                         DWORD offset);
// BITMAP for any bitmap; DIBSECTION for a DIB section given room for one;
// LOGFONTW for a font.
int GetObjectW(HANDLE h, int c, void* pv);
// Only DIB_RGB_COLORS into a 24 or 32-bit BI_RGB header; lpvBits null fills in
// the header (the bitmap's size, 32 bits) and answers the scan lines there are.
int GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, BITMAPINFO* lpbmi, UINT usage);
BOOL GdiFlush();

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);
BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc, int wSrc,
                int hSrc, DWORD rop);
// Answers the previous mode (BLACKONWHITE for a new DC), 0 for a mode outside 1..4.
int SetStretchBltMode(HDC hdc, int mode);
int GetStretchBltMode(HDC hdc);
BOOL SetBrushOrgEx(HDC hdc, int x, int y, POINT* lppt);

// Blits from the source, leaving out the source pixels of colour crTransparent;
// stretching samples as COLORONCOLOR does.
BOOL TransparentBlt(HDC hdcDest, int xoriginDest, int yoriginDest, int wDest, int hDest, HDC hdcSrc,
                    int xoriginSrc, int yoriginSrc, int wSrc, int hSrc, UINT crTransparent);

HBRUSH CreateSolidBrush(COLORREF color);
// A stock brush of the system colour; null for an unknown index.
HBRUSH GetSysColorBrush(int nIndex);
// The colour of the DC_BRUSH stock brush in this DC; answers the previous one.
COLORREF SetDCBrushColor(HDC hdc, COLORREF color);
// Fills [left, right) x [top, bottom) with a solid brush (or a system colour
// index + 1); 0 on failure.
int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr);
// A one-pixel border inside the rectangle in the brush's colour.
int FrameRect(HDC hDC, const RECT* lprc, HBRUSH hbr);

// ---------------------------------------------------------------- pens and shapes
// PS_SOLID (any other style but PS_NULL draws solid) and PS_NULL.
HPEN CreatePen(int iStyle, int cWidth, COLORREF color);
BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt);
// From the current position up to, not including, (x, y); the end becomes the current position.
BOOL LineTo(HDC hdc, int x, int y);
// Outline with the pen, inside of [left, right) x [top, bottom) with the brush.
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
// Filled with the brush (even-odd rule over pixel centres), outlined with the pen.
BOOL Polygon(HDC hdc, const POINT* apt, int cpt);

// ---------------------------------------------------------------- fonts and text
// Height < 0: the em height in pixels; > 0: the cell height (ascent + descent);
// 0: an em of 11 pixels. Weights from FW_SEMIBOLD up are bold.
HFONT CreateFontIndirectW(const LOGFONTW* lplf);
BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* lptm);
// The sum of the characters' advances; the height is the font's cell height.
BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR lpString, int c, SIZE* psizl);
// TA_LEFT | TA_TOP only; (x, y) is the top-left corner of the text's cell.
BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR lpString, int c);
// ETO_OPAQUE fills lprc with the background colour; ETO_CLIPPED keeps the text
// inside lprc. lpDx gives each character's advance when not null.
BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* lprc, LPCWSTR lpString, UINT c,
                 const INT* lpDx);
// Single lines (DT_SINGLELINE; without it, line breaks start new lines and
// DT_WORDBREAK is not carried out), DT_LEFT/CENTER/RIGHT, DT_TOP/VCENTER/BOTTOM
// (for single lines), DT_CALCRECT, DT_NOPREFIX, DT_HIDEPREFIX,
// DT_END_ELLIPSIS, DT_NOCLIP. Answers the height of the text drawn.
int DrawTextW(HDC hdc, LPCWSTR lpchText, int cchText, LPRECT lprc, UINT format);
// Defaults: black text, white background, OPAQUE.
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF color);
COLORREF GetBkColor(HDC hdc);
int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);
// Keeps the alignment it is given (GDI_ERROR for a bad DC); text is placed as TA_LEFT | TA_TOP.
UINT SetTextAlign(HDC hdc, UINT align);
UINT GetTextAlign(HDC hdc);

// ---------------------------------------------------------------- DC state
BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt);
BOOL OffsetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt);
BOOL GetViewportOrgEx(HDC hdc, LPPOINT lppt);
// In logical coordinates (the viewport origin applies); answers SIMPLEREGION,
// NULLREGION when nothing is left, ERROR for a bad DC.
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
// Answers the new state's level (1 for the first); 0 on failure.
int SaveDC(HDC hdc);
// A negative level counts back from the newest state.
BOOL RestoreDC(HDC hdc, int nSavedDC);

// ---------------------------------------------------------------- window painting
// Validates the update region; rcPaint is its bounding box in client coordinates.
// WM_ERASEBKGND is sent from here when the invalidation asked for erasing.
HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint);
BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint);
// A null rectangle: the whole client area. The update area is kept as its bounding box.
BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase);
BOOL ValidateRect(HWND hWnd, const RECT* lpRect);
// TRUE when the window is invalid.
BOOL GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase);
// Sends WM_PAINT now when the window is invalid (the caller's own windows only).
BOOL UpdateWindow(HWND hWnd);
// RDW_INVALIDATE, RDW_VALIDATE, RDW_ERASE, RDW_ALLCHILDREN and RDW_UPDATENOW;
// a region is not supported (a non-null hrgnUpdate fails).
BOOL RedrawWindow(HWND hWnd, const RECT* lprcUpdate, HRGN hrgnUpdate, UINT flags);
// Sends WM_PRINT to the window with hdcBlt (the window's own thread only).
BOOL PrintWindow(HWND hwnd, HDC hdcBlt, UINT nFlags);
// BITSPIXEL and PLANES; 0 for other indexes.
int GetDeviceCaps(HDC hdc, int index);
#endif

// Alpha blending of a premultiplied 32-bit source (AC_SRC_ALPHA) or with a
// constant alpha; only AC_SRC_OVER.
#ifdef _WIN32
using ::AlphaBlend;
#else
BOOL AlphaBlend(HDC hdcDest, int xoriginDest, int yoriginDest, int wDest, int hDest, HDC hdcSrc, int xoriginSrc,
                int yoriginSrc, int wSrc, int hSrc, BLENDFUNCTION ftn);
#endif

}  // namespace win
