// The portable GDI's objects: device contexts, bitmaps and solid brushes in
// one handle table per process, guarded by one mutex that every call holds
// for its whole length (drawing included: no callbacks run under it).
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

struct Brush {
  COLORREF color = 0;
  HDC selectedInto = nullptr;
  bool deletePending = false;
  bool stock = false;
};

struct Dc {
  bool screen = false;
  HBITMAP bitmap = nullptr;  // memory DCs only
  HBRUSH brush = nullptr;
  int stretchMode = BLACKONWHITE;
  POINT brushOrigin{0, 0};
};

class Table {
 public:
  static Table& Instance();

  std::mutex& Lock() { return mutex_; }

  Dc* FindDc(HDC h);
  Bitmap* FindBitmap(HGDIOBJ h);
  Brush* FindBrush(HGDIOBJ h);

  HDC AddDc(std::unique_ptr<Dc> dc);
  HBITMAP AddBitmap(std::unique_ptr<Bitmap> bitmap);
  HBRUSH AddBrush(std::unique_ptr<Brush> brush);
  void RemoveDc(HDC h);
  void RemoveBitmap(HGDIOBJ h);
  void RemoveBrush(HGDIOBJ h);

  HBITMAP StockBitmap() const { return stockBitmap_; }
  HBRUSH StockBrush() const { return stockBrush_; }

  // Objects in the table other than the stock ones.
  std::size_t LiveObjectCount() const { return dcs_.size() + bitmaps_.size() + brushes_.size() - kStockObjects; }
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
  static constexpr std::size_t kStockObjects = 2;  // the bitmap and the brush below
  HBITMAP stockBitmap_ = nullptr;
  HBRUSH stockBrush_ = nullptr;
  ::win::gdi::DibSectionFailure dibFailure_ = ::win::gdi::DibSectionFailure::kNone;
};

// Pixel conversion shared by the blits and FillRect (GdiDraw.cpp).
std::uint32_t ReadPixel(const Bitmap& b, int x, int y);       // 0x00RRGGBB
void WritePixel(Bitmap& b, int x, int y, std::uint32_t rgb);  // 0x00RRGGBB
// The bitmap's stored value for a colour (an index, packed bits, ...).
std::uint32_t EncodeColor(const Bitmap& b, std::uint32_t rgb);

// The largest bitmap the backend makes, in bytes of pixels.
inline constexpr std::uint64_t kMaxBitmapBytes = 0x7FFFFFFFull;

}  // namespace win::portable::gdi
