// Handles and lifetimes of the portable GDI's objects: DCs, bitmaps, brushes.
#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/portable/gdi/GdiTable.h"

namespace win::portable::gdi {

namespace {

constexpr int kScreenBitsPerPixel = 32;

std::size_t RowBytes(int width, int bpp) {
  return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bpp) + 31) / 32) * 4;
}

// Bitmaps of a screen's size and more get a mapping of their own in large
// pages where the system offers them: a page picture is drawn into fresh
// memory every time, and faulting it in 4 KiB at a time costs more than the
// drawing.
constexpr std::size_t kLargePage = std::size_t{2} << 20;

std::unique_ptr<std::uint8_t[], FreeBits> ZeroedBits(std::size_t total) {
  if (total >= kLargePage) {
    const std::size_t mapped = (total + kLargePage - 1) / kLargePage * kLargePage;
    void* p = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p != MAP_FAILED) {
      madvise(p, mapped, MADV_HUGEPAGE);  // a hint: without it the bits are ordinary pages
      return {static_cast<std::uint8_t*>(p), FreeBits{mapped}};
    }
  }
  return {static_cast<std::uint8_t*>(std::calloc(total > 0 ? total : 1, 1)), FreeBits{}};
}

}  // namespace

void FreeBits::operator()(std::uint8_t* p) const {
  if (mapped)
    munmap(p, mapped);
  else
    std::free(p);
}

namespace {

// Allocates zeroed bits for a width x height bitmap; false when too large.
bool AllocateBits(Bitmap& b, bool topDown) {
  b.rowBytes = RowBytes(b.width, b.bpp);
  const std::uint64_t total = static_cast<std::uint64_t>(b.rowBytes) * static_cast<std::uint64_t>(b.height);
  if (total > kMaxBitmapBytes) return false;
  b.bits = ZeroedBits(static_cast<std::size_t>(total));
  if (!b.bits) return false;
  if (topDown) {
    b.top = b.bits.get();
    b.stride = static_cast<std::ptrdiff_t>(b.rowBytes);
  } else {
    b.top = b.bits.get() + static_cast<std::ptrdiff_t>(b.rowBytes) * (b.height - 1);
    b.stride = -static_cast<std::ptrdiff_t>(b.rowBytes);
  }
  return true;
}

std::unique_ptr<Bitmap> MonoDevice(int width, int height) {
  auto b = std::make_unique<Bitmap>();
  b->width = width;
  b->height = height;
  b->bpp = 1;
  b->monoDevice = true;
  b->colors = {0x000000u, 0xFFFFFFu};
  if (!AllocateBits(*b, true)) return nullptr;
  return b;
}

std::unique_ptr<Bitmap> ScreenDevice(int width, int height) {
  auto b = std::make_unique<Bitmap>();
  b->width = width;
  b->height = height;
  b->bpp = kScreenBitsPerPixel;
  b->masks[0] = 0xFF0000u;
  b->masks[1] = 0x00FF00u;
  b->masks[2] = 0x0000FFu;
  if (!AllocateBits(*b, true)) return nullptr;
  return b;
}

HGDIOBJ Fail(DWORD error) {
  SetLastError(error);
  return nullptr;
}

}  // namespace

Table& Table::Instance() {
  static Table* table = new Table();  // lives as long as the process: handles may outlive statics
  return *table;
}

Table::Table() {
  auto bitmap = MonoDevice(1, 1);
  bitmap->stock = true;
  stockBitmap_ = AddBitmap(std::move(bitmap));
  auto brush = std::make_unique<Brush>();
  brush->color = 0xFFFFFF;
  brush->stock = true;
  stockBrush_ = AddBrush(std::move(brush));
}

std::uintptr_t Table::NextHandle() {
  next_ += 4;
  return next_;
}

Dc* Table::FindDc(HDC h) {
  auto it = dcs_.find(reinterpret_cast<std::uintptr_t>(h));
  return it == dcs_.end() ? nullptr : it->second.get();
}

Bitmap* Table::FindBitmap(HGDIOBJ h) {
  auto it = bitmaps_.find(reinterpret_cast<std::uintptr_t>(h));
  return it == bitmaps_.end() ? nullptr : it->second.get();
}

Brush* Table::FindBrush(HGDIOBJ h) {
  auto it = brushes_.find(reinterpret_cast<std::uintptr_t>(h));
  return it == brushes_.end() ? nullptr : it->second.get();
}

HDC Table::AddDc(std::unique_ptr<Dc> dc) {
  const auto h = NextHandle();
  dcs_[h] = std::move(dc);
  return reinterpret_cast<HDC>(h);
}

HBITMAP Table::AddBitmap(std::unique_ptr<Bitmap> bitmap) {
  const auto h = NextHandle();
  bitmaps_[h] = std::move(bitmap);
  return reinterpret_cast<HBITMAP>(h);
}

HBRUSH Table::AddBrush(std::unique_ptr<Brush> brush) {
  const auto h = NextHandle();
  brushes_[h] = std::move(brush);
  return reinterpret_cast<HBRUSH>(h);
}

void Table::RemoveDc(HDC h) { dcs_.erase(reinterpret_cast<std::uintptr_t>(h)); }
void Table::RemoveBitmap(HGDIOBJ h) { bitmaps_.erase(reinterpret_cast<std::uintptr_t>(h)); }
void Table::RemoveBrush(HGDIOBJ h) { brushes_.erase(reinterpret_cast<std::uintptr_t>(h)); }

namespace {

// Lets go of what a DC holds, finishing deletes that waited for it.
void ReleaseSelections(Table& t, Dc& dc) {
  if (Bitmap* b = t.FindBitmap(dc.bitmap)) {
    b->selectedInto = nullptr;
    if (b->deletePending) t.RemoveBitmap(dc.bitmap);
  }
  if (Brush* br = t.FindBrush(dc.brush)) {
    br->selectedInto = nullptr;
    if (br->deletePending) t.RemoveBrush(dc.brush);
  }
  dc.bitmap = nullptr;
  dc.brush = nullptr;
}

std::unique_ptr<Dc> NewMemoryDc(Table& t) {
  auto dc = std::make_unique<Dc>();
  dc->bitmap = t.StockBitmap();
  dc->brush = t.StockBrush();
  return dc;
}

}  // namespace

}  // namespace win::portable::gdi

namespace win {

using portable::gdi::Bitmap;
using portable::gdi::Brush;
using portable::gdi::Dc;
using portable::gdi::Table;

HDC GetDC(HWND hWnd) {
  if (hWnd) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  auto dc = std::make_unique<Dc>();
  dc->screen = true;
  dc->brush = t.StockBrush();
  return t.AddDc(std::move(dc));
}

int ReleaseDC(HWND hWnd, HDC hDC) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  Dc* dc = t.FindDc(hDC);
  if (!dc || !dc->screen || hWnd) return 0;
  t.RemoveDc(hDC);
  return 1;
}

HDC CreateCompatibleDC(HDC hdc) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  if (hdc && !t.FindDc(hdc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return t.AddDc(portable::gdi::NewMemoryDc(t));
}

BOOL DeleteDC(HDC hdc) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  Dc* dc = t.FindDc(hdc);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  portable::gdi::ReleaseSelections(t, *dc);
  t.RemoveDc(hdc);
  return TRUE;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  Dc* dc = t.FindDc(hdc);
  if (!dc) return portable::gdi::Fail(ERROR_INVALID_HANDLE);
  if (Bitmap* b = t.FindBitmap(h)) {
    if (dc->screen || b->deletePending) return portable::gdi::Fail(ERROR_INVALID_PARAMETER);
    if (b->selectedInto == hdc) return h;
    if (b->selectedInto && !b->stock) return nullptr;
    HBITMAP old = dc->bitmap;
    if (Bitmap* o = t.FindBitmap(old)) {
      o->selectedInto = nullptr;
      if (o->deletePending) t.RemoveBitmap(old);
    }
    if (!b->stock) b->selectedInto = hdc;
    dc->bitmap = static_cast<HBITMAP>(h);
    return old;
  }
  if (Brush* br = t.FindBrush(h)) {
    if (br->deletePending) return portable::gdi::Fail(ERROR_INVALID_PARAMETER);
    HBRUSH old = dc->brush;
    if (Brush* o = t.FindBrush(old); o && old != h) {
      o->selectedInto = nullptr;
      if (o->deletePending) t.RemoveBrush(old);
    }
    if (!br->stock) br->selectedInto = hdc;
    dc->brush = static_cast<HBRUSH>(h);
    return old;
  }
  return portable::gdi::Fail(ERROR_INVALID_HANDLE);
}

BOOL DeleteObject(HGDIOBJ ho) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  // Stock objects stay; an object selected into a DC goes when it leaves it.
  auto release = [&](auto& object, auto remove) {
    if (object.stock) return;
    if (object.selectedInto)
      object.deletePending = true;
    else
      (t.*remove)(ho);
  };
  if (Bitmap* b = t.FindBitmap(ho)) {
    release(*b, &Table::RemoveBitmap);
    return TRUE;
  }
  if (Brush* br = t.FindBrush(ho)) {
    release(*br, &Table::RemoveBrush);
    return TRUE;
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  Dc* dc = t.FindDc(hdc);
  if (!dc) return static_cast<HBITMAP>(portable::gdi::Fail(ERROR_INVALID_HANDLE));
  if (cx < 0 || cy < 0) return static_cast<HBITMAP>(portable::gdi::Fail(ERROR_INVALID_PARAMETER));
  if (cx == 0 || cy == 0) return t.StockBitmap();
  const Bitmap* current = dc->screen ? nullptr : t.FindBitmap(dc->bitmap);
  std::unique_ptr<Bitmap> b;
  if (current && current->monoDevice) {
    b = portable::gdi::MonoDevice(cx, cy);
  } else if (current && current->dib) {
    // A DC holding a DIB section makes DIB sections of the same format.
    b = std::make_unique<Bitmap>();
    b->width = cx;
    b->height = cy;
    b->bpp = current->bpp;
    b->dib = true;
    b->colors = current->colors;
    std::memcpy(b->masks, current->masks, sizeof b->masks);
    b->bitfields = current->bitfields;
    b->header = current->header;
    b->header.biWidth = cx;
    b->header.biHeight = current->header.biHeight < 0 ? -cy : cy;
    if (!portable::gdi::AllocateBits(*b, current->header.biHeight < 0)) b.reset();
    if (b) b->header.biSizeImage = static_cast<DWORD>(b->rowBytes * static_cast<std::size_t>(cy));
  } else {
    b = portable::gdi::ScreenDevice(cx, cy);
  }
  if (!b) return static_cast<HBITMAP>(portable::gdi::Fail(ERROR_NOT_ENOUGH_MEMORY));
  return t.AddBitmap(std::move(b));
}

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, HANDLE hSection,
                         DWORD offset) {
  if (ppvBits) *ppvBits = nullptr;
  auto invalid = [] { return static_cast<HBITMAP>(portable::gdi::Fail(ERROR_INVALID_PARAMETER)); };
  if (!pbmi || usage != DIB_RGB_COLORS || hSection) return invalid();
  const BITMAPINFOHEADER& h = pbmi->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0 || h.biPlanes != 1) return invalid();
  const int bpp = h.biBitCount;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return invalid();
  if (h.biCompression == BI_BITFIELDS) {
    if (bpp != 16 && bpp != 32) return invalid();
  } else if (h.biCompression != BI_RGB) {
    return invalid();
  }
  if (h.biHeight == INT32_MIN) return invalid();
  auto b = std::make_unique<Bitmap>();
  b->width = h.biWidth;
  b->height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  b->bpp = bpp;
  b->dib = true;
  const auto* tableBytes = reinterpret_cast<const std::uint8_t*>(pbmi) + h.biSize;
  if (bpp <= 8) {
    const DWORD max = 1u << bpp;
    const DWORD count = (h.biClrUsed == 0 || h.biClrUsed > max) ? max : h.biClrUsed;
    b->colors.assign(max, 0);
    for (DWORD i = 0; i < count; ++i) {
      RGBQUAD q;
      std::memcpy(&q, tableBytes + i * sizeof(RGBQUAD), sizeof q);
      b->colors[i] = (static_cast<std::uint32_t>(q.rgbRed) << 16) | (q.rgbGreen << 8) | q.rgbBlue;
    }
    b->colors.resize(count);
  } else if (h.biCompression == BI_BITFIELDS) {
    // Masks follow a plain header; larger headers carry them inside.
    const auto* maskBytes = h.biSize >= 52 ? reinterpret_cast<const std::uint8_t*>(pbmi) + 40 : tableBytes;
    std::memcpy(b->masks, maskBytes, sizeof b->masks);
    if (!b->masks[0] || !b->masks[1] || !b->masks[2]) return invalid();
    b->bitfields = true;
  } else if (bpp == 16) {
    b->masks[0] = 0x7C00;
    b->masks[1] = 0x03E0;
    b->masks[2] = 0x001F;
  } else if (bpp == 32) {
    b->masks[0] = 0xFF0000;
    b->masks[1] = 0x00FF00;
    b->masks[2] = 0x0000FF;
  }
  b->header = h;
  b->header.biSize = sizeof(BITMAPINFOHEADER);
  if (!portable::gdi::AllocateBits(*b, h.biHeight < 0))
    return static_cast<HBITMAP>(portable::gdi::Fail(ERROR_NOT_ENOUGH_MEMORY));
  b->header.biSizeImage = static_cast<DWORD>(b->rowBytes * static_cast<std::size_t>(b->height));
  void* bits = b->bits.get();
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  if (hdc && !t.FindDc(hdc)) return static_cast<HBITMAP>(portable::gdi::Fail(ERROR_INVALID_HANDLE));
  const gdi::DibSectionFailure failure = t.DibFailure();
  if (failure == gdi::DibSectionFailure::kNoSection)
    return static_cast<HBITMAP>(portable::gdi::Fail(ERROR_NOT_ENOUGH_MEMORY));
  HBITMAP result = t.AddBitmap(std::move(b));
  if (ppvBits && failure != gdi::DibSectionFailure::kNoBits) *ppvBits = bits;
  return result;
}

int GetObjectW(HANDLE h, int c, void* pv) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  const Bitmap* b = t.FindBitmap(h);
  if (!b) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  const int full = b->dib ? static_cast<int>(sizeof(DIBSECTION)) : static_cast<int>(sizeof(BITMAP));
  if (!pv) return full;
  if (c < static_cast<int>(sizeof(BITMAP))) return 0;
  DIBSECTION ds{};
  ds.dsBm.bmType = 0;
  ds.dsBm.bmWidth = b->width;
  ds.dsBm.bmHeight = b->height;
  ds.dsBm.bmPlanes = 1;
  ds.dsBm.bmBitsPixel = static_cast<WORD>(b->bpp);
  if (b->dib) {
    ds.dsBm.bmWidthBytes = static_cast<LONG>(b->rowBytes);
    ds.dsBm.bmBits = b->bits.get();
    ds.dsBmih = b->header;
    std::memcpy(ds.dsBitfields, b->masks, sizeof ds.dsBitfields);
  } else {
    // Device bitmaps report WORD-aligned rows and no bits.
    ds.dsBm.bmWidthBytes = static_cast<LONG>(((static_cast<std::size_t>(b->width) * b->bpp + 15) / 16) * 2);
  }
  if (b->dib && c >= static_cast<int>(sizeof(DIBSECTION))) {
    std::memcpy(pv, &ds, sizeof(DIBSECTION));
    return sizeof(DIBSECTION);
  }
  std::memcpy(pv, &ds.dsBm, sizeof(BITMAP));
  return sizeof(BITMAP);
}

BOOL GdiFlush() { return TRUE; }

HBRUSH CreateSolidBrush(COLORREF color) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  auto brush = std::make_unique<Brush>();
  brush->color = color & 0xFFFFFFu;
  return t.AddBrush(std::move(brush));
}

int SetStretchBltMode(HDC hdc, int mode) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  Dc* dc = t.FindDc(hdc);
  if (!dc || mode < BLACKONWHITE || mode > HALFTONE) {
    SetLastError(dc ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return 0;
  }
  const int old = dc->stretchMode;
  dc->stretchMode = mode;
  return old;
}

int GetStretchBltMode(HDC hdc) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  Dc* dc = t.FindDc(hdc);
  return dc ? dc->stretchMode : 0;
}

BOOL SetBrushOrgEx(HDC hdc, int x, int y, POINT* lppt) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  Dc* dc = t.FindDc(hdc);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (lppt) *lppt = dc->brushOrigin;
  dc->brushOrigin = POINT{x, y};
  return TRUE;
}

int GetDeviceCaps(HDC hdc, int index) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  if (!t.FindDc(hdc)) return 0;
  switch (index) {
    case BITSPIXEL: return portable::gdi::kScreenBitsPerPixel;
    case PLANES: return 1;
    default: return 0;
  }
}

}  // namespace win
