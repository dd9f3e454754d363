// The portable GDI's objects: device contexts, bitmaps, solid brushes, pens,
// fonts and the windows' surfaces in one handle table per process, guarded by
// one mutex that every call holds for its whole length (drawing and the font
// rasteriser included: no callbacks run under it). The window system may call
// in with its own mutex held; the GDI never calls the window system with this
// one held.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/portable/gdi/GdiControl.h"
#include "platform/win/Gdi.h"

namespace win::portable::gdi {

// A bitmap's pixels and how to read them. Row y (0 = top) starts at
// `top + y * stride`; bottom-up DIBs have a negative stride.
// Releases a bitmap's bits: a mapping of their own, or a heap block.
struct FreeBits {
  std::size_t mapped = 0;  // bytes of the mapping; 0: from the heap
  void operator()(std::uint8_t* p) const;
};

struct Bitmap {
  int width = 0;
  int height = 0;
  int bpp = 1;
  bool dib = false;                 // a DIB section (else a device-dependent bitmap)
  bool monoDevice = false;          // a 1-bit device bitmap: 0 black, 1 white
  std::vector<std::uint32_t> colors;  // 0x00RRGGBB colour table of 1/4/8-bit bitmaps
  DWORD masks[3] = {0, 0, 0};       // red, green, blue of 16/32-bit bitmaps
  bool bitfields = false;           // masks given by the caller (BI_BITFIELDS)
  // Zeroed, as fresh pages are (see AllocateBits).
  std::unique_ptr<std::uint8_t[], FreeBits> bits;
  std::size_t rowBytes = 0;         // DWORD-aligned
  std::uint8_t* top = nullptr;
  std::ptrdiff_t stride = 0;
  BITMAPINFOHEADER header{};        // as created, for GetObjectW
  HDC selectedInto = nullptr;
  bool deletePending = false;
  bool stock = false;

  std::uint8_t* Row(int y) const { return top + static_cast<std::ptrdiff_t>(y) * stride; }
};

// Brushes, pens and fonts may be selected into many DCs and kept in their
// saved states; `refs` counts those places, and a deleted object goes when
// the last one lets go of it.
struct SharedObject {
  int refs = 0;
  bool deletePending = false;
  bool stock = false;
};

struct Brush : SharedObject {
  COLORREF color = 0;
  bool hollow = false;   // NULL_BRUSH: fills nothing
  bool dcColor = false;  // DC_BRUSH: the DC's brush colour
};

struct Pen : SharedObject {
  COLORREF color = 0;
  bool hollow = false;  // PS_NULL
  bool dcColor = false;  // DC_PEN
};

struct Font : SharedObject {
  LOGFONTW logFont{};
};

// A clip or fill rectangle in a bitmap's pixels: [left, right) x [top, bottom).
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool Empty() const { return left >= right || top >= bottom; }
  Rect Intersect(const Rect& o) const {
    return Rect{left > o.left ? left : o.left, top > o.top ? top : o.top, right < o.right ? right : o.right,
                bottom < o.bottom ? bottom : o.bottom};
  }
};

// What SaveDC keeps and RestoreDC brings back.
struct DcState {
  HBRUSH brush = nullptr;
  HPEN pen = nullptr;
  HFONT font = nullptr;
  int stretchMode = BLACKONWHITE;
  POINT brushOrigin{0, 0};
  COLORREF textColor = 0x000000;
  COLORREF bkColor = 0xFFFFFF;
  int bkMode = OPAQUE;
  UINT textAlign = TA_LEFT | TA_TOP;
  COLORREF dcBrushColor = 0xFFFFFF;
  COLORREF dcPenColor = 0x000000;
  POINT viewport{0, 0};  // logical (0,0) in device coordinates
  POINT position{0, 0};  // MoveToEx / LineTo, logical
  bool clipped = false;
  Rect clip;             // device coordinates, when clipped
};

struct Dc : DcState {
  bool screen = false;
  HBITMAP bitmap = nullptr;  // memory DCs only
  // Window DCs draw into their window's surface: device (0,0) is `origin` in
  // the surface, and nothing outside `bounds` (surface pixels) is touched.
  HWND window = nullptr;
  POINT origin{0, 0};
  Rect bounds;
  std::vector<DcState> saved;
};

// Where a DC's drawing lands: device = logical + offset; only `clip` (the
// bitmap's pixels) is drawn. Null bitmap: the screen, which keeps nothing.
struct Target {
  Bitmap* bitmap = nullptr;
  int dx = 0, dy = 0;
  Rect clip;
};

class Table {
 public:
  static Table& Instance();

  std::mutex& Lock() { return mutex_; }

  Dc* FindDc(HDC h);
  Bitmap* FindBitmap(HGDIOBJ h);
  Brush* FindBrush(HGDIOBJ h);
  Pen* FindPen(HGDIOBJ h);
  Font* FindFont(HGDIOBJ h);

  HDC AddDc(std::unique_ptr<Dc> dc);
  HBITMAP AddBitmap(std::unique_ptr<Bitmap> bitmap);
  HBRUSH AddBrush(std::unique_ptr<Brush> brush);
  HPEN AddPen(std::unique_ptr<Pen> pen);
  HFONT AddFont(std::unique_ptr<Font> font);
  void RemoveDc(HDC h);
  void RemoveBitmap(HGDIOBJ h);
  void RemoveBrush(HGDIOBJ h);

  // A brush, pen or font gains or loses a place that holds it (a DC's
  // selection or saved state); a deleted one goes with its last place.
  void Hold(HGDIOBJ h);
  void LetGo(HGDIOBJ h);
  // Marks a brush, pen or font deleted (gone at once when nothing holds it);
  // false when h is none of them.
  bool DeleteShared(HGDIOBJ h);

  HBITMAP StockBitmap() const { return stockBitmap_; }
  HBRUSH StockBrush() const { return stockBrush_; }
  HPEN StockPen() const { return stockPen_; }
  HFONT StockFont() const { return stockFont_; }
  // GetStockObject's objects by index; null for an index without one.
  HGDIOBJ Stock(int index) const;
  // The system colour brushes, by colour index.
  HBRUSH SysColorBrush(int index) const;

  // Windows' surfaces, made on first use and resized (keeping what overlaps) to `width` x `height`.
  Bitmap* Surface(HWND hwnd, int width, int height);
  Bitmap* FindSurface(HWND hwnd);
  void DropSurface(HWND hwnd);

  // Resolves where a DC draws; false for a DC whose bitmap or window is gone.
  bool Resolve(const Dc& dc, Target& target);

  // Objects in the table other than the stock ones (surfaces are the windows', not counted).
  std::size_t LiveObjectCount() const {
    return dcs_.size() + bitmaps_.size() + brushes_.size() + pens_.size() + fonts_.size() - stockObjects_;
  }
  // How CreateDIBSection fails, as a test asked (GdiControl.h).
  ::win::gdi::DibSectionFailure DibFailure() const { return dibFailure_; }
  void SetDibFailure(::win::gdi::DibSectionFailure failure) { dibFailure_ = failure; }

 private:
  Table();
  std::uintptr_t NextHandle();

  std::mutex mutex_;
  std::uintptr_t next_ = 0x1000;
  std::unordered_map<std::uintptr_t, std::unique_ptr<Dc>> dcs_;
  std::unordered_map<std::uintptr_t, std::unique_ptr<Bitmap>> bitmaps_;
  std::unordered_map<std::uintptr_t, std::unique_ptr<Brush>> brushes_;
  std::unordered_map<std::uintptr_t, std::unique_ptr<Pen>> pens_;
  std::unordered_map<std::uintptr_t, std::unique_ptr<Font>> fonts_;
  std::unordered_map<HWND, std::unique_ptr<Bitmap>> surfaces_;
  std::size_t stockObjects_ = 0;
  HBITMAP stockBitmap_ = nullptr;
  HBRUSH stockBrush_ = nullptr;
  HPEN stockPen_ = nullptr;
  HFONT stockFont_ = nullptr;
  std::unordered_map<int, HGDIOBJ> stock_;
  std::vector<HBRUSH> sysColorBrushes_;
  ::win::gdi::DibSectionFailure dibFailure_ = ::win::gdi::DibSectionFailure::kNone;
};

// Pixel conversion shared by the blits and FillRect (GdiDraw.cpp).
std::uint32_t ReadPixel(const Bitmap& b, int x, int y);       // 0x00RRGGBB
void WritePixel(Bitmap& b, int x, int y, std::uint32_t rgb);  // 0x00RRGGBB
// The bitmap's stored value for a colour (an index, packed bits, ...).
std::uint32_t EncodeColor(const Bitmap& b, std::uint32_t rgb);
// Fills a rectangle of the bitmap (already clipped) with one colour.
void Fill(Bitmap& b, const Rect& r, std::uint32_t rgb);

// 0x00BBGGRR to 0x00RRGGBB and back.
inline std::uint32_t ToRgb(COLORREF c) { return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu); }
inline COLORREF ToColorRef(std::uint32_t rgb) {
  return ((rgb & 0xFFu) << 16) | (rgb & 0xFF00u) | ((rgb >> 16) & 0xFFu);
}

// A brush's colour in this DC; false for a hollow brush or a bad handle. A
// system colour index + 1 given for a brush stands for that colour's brush.
bool BrushColor(Table& t, const Dc& dc, HBRUSH h, std::uint32_t& rgb);
// The selected pen's colour; false when it draws nothing.
bool PenColor(Table& t, const Dc& dc, std::uint32_t& rgb);
// Sets one pixel, logical coordinates, when inside the target's clip.
inline void Plot(const Target& target, int x, int y, std::uint32_t rgb) {
  const int px = x + target.dx, py = y + target.dy;
  if (px < target.clip.left || px >= target.clip.right || py < target.clip.top || py >= target.clip.bottom) return;
  WritePixel(*target.bitmap, px, py, rgb);
}
// Fills a logical rectangle clipped to the target.
void FillLogical(const Target& target, const Rect& logical, std::uint32_t rgb);

// The largest bitmap the backend makes, in bytes of pixels.
inline constexpr std::uint64_t kMaxBitmapBytes = 0x7FFFFFFFull;

}  // namespace win::portable::gdi
