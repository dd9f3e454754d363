// Handles and lifetimes of the portable GDI's objects: DCs, bitmaps, brushes.
#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "platform/portable/gdi/GdiSurfaces.h"
#include "platform/portable/gdi/GdiTable.h"
#include "platform/win/System.h"

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
  auto brush = [this](COLORREF color, bool hollow, bool dcColor) {
    auto b = std::make_unique<Brush>();
    b->color = color;
    b->hollow = hollow;
    b->dcColor = dcColor;
    b->stock = true;
    return AddBrush(std::move(b));
  };
  auto pen = [this](COLORREF color, bool hollow, bool dcColor) {
    auto p = std::make_unique<Pen>();
    p->color = color;
    p->hollow = hollow;
    p->dcColor = dcColor;
    p->stock = true;
    return AddPen(std::move(p));
  };
  auto font = [this](LONG height, LONG weight, const wchar_t* face) {
    auto f = std::make_unique<Font>();
    f->logFont.lfHeight = height;
    f->logFont.lfWeight = weight;
    f->logFont.lfCharSet = DEFAULT_CHARSET;
    for (int i = 0; face[i] && i < LF_FACESIZE - 1; ++i) f->logFont.lfFaceName[i] = face[i];
    f->stock = true;
    return AddFont(std::move(f));
  };
  stockBrush_ = brush(0xFFFFFF, false, false);
  stock_[WHITE_BRUSH] = stockBrush_;
  stock_[LTGRAY_BRUSH] = brush(0xC0C0C0, false, false);
  stock_[GRAY_BRUSH] = brush(0x808080, false, false);
  stock_[DKGRAY_BRUSH] = brush(0x404040, false, false);
  stock_[BLACK_BRUSH] = brush(0x000000, false, false);
  stock_[NULL_BRUSH] = brush(0, true, false);
  stock_[DC_BRUSH] = brush(0, false, true);
  stock_[WHITE_PEN] = pen(0xFFFFFF, false, false);
  stockPen_ = pen(0x000000, false, false);
  stock_[BLACK_PEN] = stockPen_;
  stock_[NULL_PEN] = pen(0, true, false);
  stock_[DC_PEN] = pen(0, false, true);
  // The system font is bold with a 16-pixel cell; the GUI font is the dialog font at 8 points.
  stockFont_ = font(16, FW_BOLD, L"System");
  stock_[SYSTEM_FONT] = stockFont_;
  stock_[DEFAULT_GUI_FONT] = font(-11, FW_NORMAL, L"MS Shell Dlg");
  for (int i = 0; i <= COLOR_MENUBAR; ++i) sysColorBrushes_.push_back(brush(GetSysColor(i), false, false));
  stockObjects_ = dcs_.size() + bitmaps_.size() + brushes_.size() + pens_.size() + fonts_.size();
}

HGDIOBJ Table::Stock(int index) const {
  auto it = stock_.find(index);
  return it == stock_.end() ? nullptr : it->second;
}

HBRUSH Table::SysColorBrush(int index) const {
  if (index < 0 || index >= static_cast<int>(sysColorBrushes_.size())) return nullptr;
  return sysColorBrushes_[static_cast<std::size_t>(index)];
}

Pen* Table::FindPen(HGDIOBJ h) {
  auto it = pens_.find(reinterpret_cast<std::uintptr_t>(h));
  return it == pens_.end() ? nullptr : it->second.get();
}

Font* Table::FindFont(HGDIOBJ h) {
  auto it = fonts_.find(reinterpret_cast<std::uintptr_t>(h));
  return it == fonts_.end() ? nullptr : it->second.get();
}

HPEN Table::AddPen(std::unique_ptr<Pen> pen) {
  const auto h = NextHandle();
  pens_[h] = std::move(pen);
  return reinterpret_cast<HPEN>(h);
}

HFONT Table::AddFont(std::unique_ptr<Font> font) {
  const auto h = NextHandle();
  fonts_[h] = std::move(font);
  return reinterpret_cast<HFONT>(h);
}

namespace {

template <class Map>
SharedObject* FindShared(Map& map, HGDIOBJ h) {
  auto it = map.find(reinterpret_cast<std::uintptr_t>(h));
  return it == map.end() ? nullptr : it->second.get();
}

}  // namespace

void Table::Hold(HGDIOBJ h) {
  SharedObject* o = FindShared(brushes_, h);
  if (!o) o = FindShared(pens_, h);
  if (!o) o = FindShared(fonts_, h);
  if (o) ++o->refs;
}

void Table::LetGo(HGDIOBJ h) {
  const auto key = reinterpret_cast<std::uintptr_t>(h);
  auto drop = [&](auto& map) {
    auto it = map.find(key);
    if (it == map.end()) return false;
    if (--it->second->refs <= 0 && it->second->deletePending) map.erase(it);
    return true;
  };
  if (!drop(brushes_) && !drop(pens_)) drop(fonts_);
}

bool Table::DeleteShared(HGDIOBJ h) {
  const auto key = reinterpret_cast<std::uintptr_t>(h);
  auto mark = [&](auto& map) {
    auto it = map.find(key);
    if (it == map.end()) return false;
    if (it->second->stock) return true;
    if (it->second->refs > 0)
      it->second->deletePending = true;
    else
      map.erase(it);
    return true;
  };
  return mark(brushes_) || mark(pens_) || mark(fonts_);
}

Bitmap* Table::FindSurface(HWND hwnd) {
  auto it = surfaces_.find(hwnd);
  return it == surfaces_.end() ? nullptr : it->second.get();
}

Bitmap* Table::Surface(HWND hwnd, int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  Bitmap* current = FindSurface(hwnd);
  if (current && current->width == width && current->height == height) return current;
  auto b = ScreenDevice(width, height);
  if (!b) return current;  // no room for the new size: keep drawing into the old one
  if (current) {
    const int w = std::min(width, current->width) * 4;
    for (int y = 0; y < std::min(height, current->height); ++y)
      std::memcpy(b->Row(y), current->Row(y), static_cast<std::size_t>(w));
  }
  Bitmap* made = b.get();
  surfaces_[hwnd] = std::move(b);
  return made;
}

void Table::DropSurface(HWND hwnd) { surfaces_.erase(hwnd); }

bool Table::Resolve(const Dc& dc, Target& target) {
  target = Target{};
  if (dc.screen) return true;
  Rect bounds;
  if (dc.window) {
    target.bitmap = FindSurface(dc.window);
    if (!target.bitmap) return false;
    bounds = dc.bounds;
    target.dx = dc.origin.x;
    target.dy = dc.origin.y;
  } else {
    target.bitmap = FindBitmap(dc.bitmap);
    if (!target.bitmap) return false;
    bounds = Rect{0, 0, target.bitmap->width, target.bitmap->height};
  }
  target.clip = bounds.Intersect(Rect{0, 0, target.bitmap->width, target.bitmap->height});
  if (dc.clipped) {
    const Rect c{dc.clip.left + target.dx, dc.clip.top + target.dy, dc.clip.right + target.dx,
                 dc.clip.bottom + target.dy};
    target.clip = target.clip.Intersect(c);
  }
  target.dx += dc.viewport.x;
  target.dy += dc.viewport.y;
  return true;
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
void HoldState(Table& t, const DcState& s) {
  t.Hold(s.brush);
  t.Hold(s.pen);
  t.Hold(s.font);
}

void LetGoState(Table& t, const DcState& s) {
  t.LetGo(s.brush);
  t.LetGo(s.pen);
  t.LetGo(s.font);
}

void ReleaseSelections(Table& t, Dc& dc) {
  if (Bitmap* b = t.FindBitmap(dc.bitmap)) {
    b->selectedInto = nullptr;
    if (b->deletePending) t.RemoveBitmap(dc.bitmap);
  }
  LetGoState(t, dc);
  for (const DcState& s : dc.saved) LetGoState(t, s);
  dc.saved.clear();
  dc.bitmap = nullptr;
  dc.brush = nullptr;
  dc.pen = nullptr;
  dc.font = nullptr;
}

std::unique_ptr<Dc> NewDc(Table& t) {
  auto dc = std::make_unique<Dc>();
  dc->brush = t.StockBrush();
  dc->pen = t.StockPen();
  dc->font = t.StockFont();
  HoldState(t, *dc);
  return dc;
}

std::unique_ptr<Dc> NewMemoryDc(Table& t) {
  auto dc = NewDc(t);
  dc->bitmap = t.StockBitmap();
  return dc;
}

}  // namespace

}  // namespace win::portable::gdi

namespace win {

using portable::gdi::Bitmap;
using portable::gdi::Brush;
using portable::gdi::Dc;
using portable::gdi::Table;

int ReleaseDC(HWND hWnd, HDC hDC) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  Dc* dc = t.FindDc(hDC);
  if (!dc || !(dc->screen || dc->window) || dc->window != hWnd) return 0;
  portable::gdi::ReleaseSelections(t, *dc);
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
    if (dc->screen || dc->window || b->deletePending) return portable::gdi::Fail(ERROR_INVALID_PARAMETER);
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
  // Brushes, pens and fonts: one slot each.
  auto swap = [&](auto* object, auto& slot) -> HGDIOBJ {
    if (object->deletePending) return portable::gdi::Fail(ERROR_INVALID_PARAMETER);
    auto old = slot;
    t.Hold(h);
    slot = static_cast<std::remove_reference_t<decltype(slot)>>(h);
    t.LetGo(old);
    return old;
  };
  if (portable::gdi::Brush* br = t.FindBrush(h)) return swap(br, dc->brush);
  if (portable::gdi::Pen* pen = t.FindPen(h)) return swap(pen, dc->pen);
  if (portable::gdi::Font* font = t.FindFont(h)) return swap(font, dc->font);
  return portable::gdi::Fail(ERROR_INVALID_HANDLE);
}

BOOL DeleteObject(HGDIOBJ ho) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  if (Bitmap* b = t.FindBitmap(ho)) {
    if (b->stock) return TRUE;
    if (b->selectedInto)
      b->deletePending = true;
    else
      t.RemoveBitmap(ho);
    return TRUE;
  }
  if (t.DeleteShared(ho)) return TRUE;
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

HGDIOBJ GetStockObject(int i) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  return t.Stock(i);
}

HBRUSH GetSysColorBrush(int nIndex) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  return t.SysColorBrush(nIndex);
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
  if (const portable::gdi::Font* f = t.FindFont(h)) {
    if (!pv) return sizeof(LOGFONTW);
    const int n = std::min<int>(c, sizeof(LOGFONTW));
    if (n <= 0) return 0;
    std::memcpy(pv, &f->logFont, static_cast<std::size_t>(n));
    return n;
  }
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

namespace win::portable::gdi {

HDC OpenScreenDc() {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  auto dc = NewDc(t);
  dc->screen = true;
  return t.AddDc(std::move(dc));
}

HDC OpenWindowDc(HWND hwnd, SIZE size, POINT origin, RECT bounds) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  if (!t.Surface(hwnd, size.cx, size.cy)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto dc = NewDc(t);
  dc->window = hwnd;
  dc->origin = origin;
  dc->bounds = Rect{bounds.left, bounds.top, bounds.right, bounds.bottom};
  return t.AddDc(std::move(dc));
}

void DropSurface(HWND hwnd) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  t.DropSurface(hwnd);
}

bool HasSurface(HWND hwnd) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  return t.FindSurface(hwnd) != nullptr;
}

}  // namespace win::portable::gdi
