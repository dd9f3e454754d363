#include "platform/forms/TBitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/com/ComPtr.h"
#include "platform/forms/BmpReader.h"

namespace forms {

namespace {

void CheckSize(int width, int height) {
  if (width < 0 || height < 0)
    throw EInvalidOperation(L"Invalid bitmap size " + std::to_wstring(width) + L" x " + std::to_wstring(height));
  if (width > TBitmap::kMaxSide || height > TBitmap::kMaxSide ||
      static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 4 > TBitmap::kMaxPixelBytes)
    throw EInvalidGraphic(L"Bitmap too large: " + std::to_wstring(width) + L" x " + std::to_wstring(height));
}

constexpr std::uint32_t kOpaque = 0xFF000000u;

// Exact nearest palette colour, fast on whole pictures: the colour cube is cut
// into 32x32x32 cells, and each cell lists the only palette entries that can
// be nearest to some colour inside it. A cell's list is picked from the list
// of the 8x8x8 block around it (every entry that can be nearest anywhere in
// the block), so building all cells looks at a few entries per cell rather
// than the whole palette. Immutable once built: one table per standard palette
// serves every thread.
class NearestColor {
 public:
  explicit NearestColor(const std::vector<std::uint32_t>& palette) : palette_(palette) {
    std::vector<std::uint8_t> all;
    for (std::size_t i = 0; i < palette.size(); ++i) all.push_back(static_cast<std::uint8_t>(i));
    std::vector<std::uint8_t> coarse, scratch;
    for (int block = 0; block < 512; ++block) {
      const int r = (block >> 6) << 5, g = ((block >> 3) & 7) << 5, b = (block & 7) << 5;
      coarse.clear();
      Select(r, g, b, 31, all, coarse);
      for (int dr = 0; dr < 4; ++dr)
        for (int dg = 0; dg < 4; ++dg)
          for (int db = 0; db < 4; ++db) {
            const int fr = r + 8 * dr, fg = g + 8 * dg, fb = b + 8 * db;
            const int cell = ((fr >> 3) << 10) | ((fg >> 3) << 5) | (fb >> 3);
            scratch.clear();
            Select(fr, fg, fb, 7, coarse, scratch);
            first_[static_cast<std::size_t>(cell)] = static_cast<std::uint32_t>(entries_.size());
            count_[static_cast<std::size_t>(cell)] = static_cast<std::uint16_t>(scratch.size());
            entries_.insert(entries_.end(), scratch.begin(), scratch.end());
          }
    }
  }

  std::uint8_t operator()(std::uint32_t rgb) const {
    const int r = static_cast<int>(rgb >> 16 & 0xFF), g = static_cast<int>(rgb >> 8 & 0xFF),
              b = static_cast<int>(rgb & 0xFF);
    const std::size_t cell = static_cast<std::size_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
    const std::uint8_t* c = entries_.data() + first_[cell];
    int best = 1 << 30;
    std::uint8_t index = 0;
    for (int i = 0; i < count_[cell]; ++i) {
      const int d = Distance(palette_[c[i]], r, g, b);
      if (d < best) {
        best = d;
        index = c[i];
      }
    }
    return index;
  }

  const std::vector<std::uint32_t>& Palette() const { return palette_; }

 private:
  static constexpr std::size_t kCells = 32 * 32 * 32;

  static int Distance(std::uint32_t color, int r, int g, int b) {
    const int dr = static_cast<int>(color >> 16 & 0xFF) - r;
    const int dg = static_cast<int>(color >> 8 & 0xFF) - g;
    const int db = static_cast<int>(color & 0xFF) - b;
    return dr * dr + dg * dg + db * db;
  }

  // The entries of `from` that are nearest to some colour of the box whose
  // low corner is (r, g, b) and which spans `span` more values per channel:
  // those whose least distance to the box does not exceed the smallest
  // greatest distance of any entry. Keeps the order of `from` (ascending).
  void Select(int r, int g, int b, int span, const std::vector<std::uint8_t>& from,
              std::vector<std::uint8_t>& out) {
    const int lo[3] = {r, g, b};
    least_.resize(from.size());
    int threshold = 1 << 30;
    for (std::size_t k = 0; k < from.size(); ++k) {
      const std::uint32_t color = palette_[from[k]];
      int minD = 0, maxD = 0;
      for (int ch = 0; ch < 3; ++ch) {
        const int v = static_cast<int>(color >> (16 - 8 * ch) & 0xFF);
        const int a = lo[ch], z = lo[ch] + span;
        const int inside = v < a ? a - v : (v > z ? v - z : 0);
        const int outside = std::max(std::abs(v - a), std::abs(v - z));
        minD += inside * inside;
        maxD += outside * outside;
      }
      least_[k] = minD;
      threshold = std::min(threshold, maxD);
    }
    for (std::size_t k = 0; k < from.size(); ++k)
      if (least_[k] <= threshold) out.push_back(from[k]);
  }

  std::vector<std::uint32_t> palette_;
  std::vector<std::uint32_t> first_ = std::vector<std::uint32_t>(kCells);
  std::vector<std::uint16_t> count_ = std::vector<std::uint16_t>(kCells);
  std::vector<std::uint8_t> entries_;
  std::vector<int> least_;
};

// Maps whole pictures: the last colour is remembered (pictures come in runs).
class ColorMapper {
 public:
  explicit ColorMapper(const NearestColor& nearest) : nearest_(nearest) {}
  std::uint8_t operator()(std::uint32_t rgb) {
    rgb &= 0xFFFFFFu;
    if (!haveLast_ || rgb != lastRgb_) {
      haveLast_ = true;
      lastRgb_ = rgb;
      lastIndex_ = nearest_(rgb);
    }
    return lastIndex_;
  }

 private:
  const NearestColor& nearest_;
  bool haveLast_ = false;
  std::uint32_t lastRgb_ = 0;
  std::uint8_t lastIndex_ = 0;
};

std::uint32_t Reduce(std::uint32_t p, int rBits, int gBits, int bBits) {
  const std::uint32_t r = WidenBits((p >> 16 & 0xFF) >> (8 - rBits), rBits);
  const std::uint32_t g = WidenBits((p >> 8 & 0xFF) >> (8 - gBits), gBits);
  const std::uint32_t b = WidenBits((p & 0xFF) >> (8 - bBits), bBits);
  return kOpaque | (r << 16) | (g << 8) | b;
}

const std::vector<std::uint32_t>& StandardPalette(TPixelFormat format) {
  static const std::vector<std::uint32_t> mono = {0x000000u, 0xFFFFFFu};
  switch (format) {
    case pf1bit: return mono;
    case pf4bit: return TBitmap::SystemPalette16();
    default: return TBitmap::HalftonePalette();
  }
}

// The search tables of the three standard palettes, built once per process.
const NearestColor& StandardNearest(TPixelFormat format) {
  static const NearestColor mono(StandardPalette(pf1bit));
  static const NearestColor vga(StandardPalette(pf4bit));
  static const NearestColor halftone(StandardPalette(pf8bit));
  return format == pf1bit ? mono : format == pf4bit ? vga : halftone;
}

// Runs `body` with a search table for `palette`: the standard one when the
// palette is that of the format, else one made for it.
template <class F>
void WithNearest(TPixelFormat format, const std::vector<std::uint32_t>& palette, F&& body) {
  const NearestColor& standard = StandardNearest(format);
  if (standard.Palette() == palette) {
    body(standard);
  } else {
    const NearestColor own(palette);
    body(own);
  }
}

bool Palettized(TPixelFormat f) { return f == pf1bit || f == pf4bit || f == pf8bit; }

}  // namespace

TBitmap::TBitmap(int width, int height, std::uint32_t fill) {
  CheckSize(width, height);
  width_ = width;
  height_ = height;
  pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), fill);
}

TBitmap TBitmap::FromDrawnPixels(int width, int height, const std::uint32_t* bits) {
  CheckSize(width, height);
  TBitmap bitmap;
  const std::size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
  // Filled straight from the drawing: no zeroed buffer written first.
  bitmap.pixels_.assign(bits, bits + n);
  for (std::uint32_t& p : bitmap.pixels_) p |= kOpaque;
  bitmap.width_ = width;
  bitmap.height_ = height;
  return bitmap;
}

namespace {

// Some systems report a top-down section's height as positive, so the rows'
// order is settled by the colours GDI itself reads back, top row first: true
// when they match the rows only upside down.
bool RowsReadUpsideDown(HBITMAP section, const TBitmap& read) {
  const int width = read.Width(), height = read.Height();
  if (height < 2) return false;
  BITMAPINFO info = win::TopDownDibInfo(width, height);
  std::vector<std::uint32_t> reference(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  const win::DcHandle dc(win::CreateCompatibleDC(nullptr));
  if (!dc || win::GetDIBits(dc.Get(), section, 0, static_cast<UINT>(height), reference.data(), &info,
                            DIB_RGB_COLORS) != height)
    return false;
  auto matches = [&](bool flipped) {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const std::uint32_t p = read.Pixels()[static_cast<std::size_t>(flipped ? height - 1 - y : y) * width + x];
        if ((p & 0xFFFFFFu) != (reference[static_cast<std::size_t>(y) * width + x] & 0xFFFFFFu)) return false;
      }
    return true;
  };
  return !matches(false) && matches(true);
}

}  // namespace

TBitmap TBitmap::FromDibSection(HBITMAP section) {
  DIBSECTION ds{};
  if (!section || win::GetObjectW(section, sizeof ds, &ds) != static_cast<int>(sizeof ds) || !ds.dsBm.bmBits)
    throw EInvalidGraphic(L"Not a DIB section");
  const int bpp = ds.dsBmih.biBitCount;
  const bool standardMasks = ds.dsBmih.biCompression == BI_RGB ||
                             (ds.dsBmih.biCompression == BI_BITFIELDS && bpp == 32 && ds.dsBitfields[0] == 0xFF0000u &&
                              ds.dsBitfields[1] == 0xFF00u && ds.dsBitfields[2] == 0xFFu);
  if ((bpp != 24 && bpp != 32) || !standardMasks)
    throw EInvalidGraphic(L"Unsupported DIB section: " + std::to_wstring(bpp) + L" bits, compression " +
                          std::to_wstring(ds.dsBmih.biCompression));
  const int width = ds.dsBm.bmWidth, height = ds.dsBm.bmHeight;
  TBitmap bitmap(width, height);
  win::GdiFlush();
  const std::size_t rowBytes = ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bpp) + 31) / 32) * 4;
  const bool bottomUp = ds.dsBmih.biHeight > 0;
  const auto* bits = static_cast<const std::uint8_t*>(ds.dsBm.bmBits);
  bool alpha = false;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = bits + rowBytes * static_cast<std::size_t>(bottomUp ? height - 1 - y : y);
    std::uint32_t* out = bitmap.pixels_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = row + static_cast<std::size_t>(x) * static_cast<std::size_t>(bpp / 8);
      const std::uint32_t a = bpp == 32 ? p[3] : 0xFFu;
      alpha = alpha || a != 0;
      out[x] = a << 24 | static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[0];
    }
  }
  if (bpp == 24 || !alpha)
    for (std::uint32_t& p : bitmap.pixels_) p |= kOpaque;
  bitmap.format_ = bpp == 32 ? pf32bit : pf24bit;
  if (RowsReadUpsideDown(section, bitmap)) {
    for (int y = 0; y < height / 2; ++y)
      std::swap_ranges(bitmap.pixels_.begin() + static_cast<std::ptrdiff_t>(y) * width,
                       bitmap.pixels_.begin() + static_cast<std::ptrdiff_t>(y + 1) * width,
                       bitmap.pixels_.begin() + static_cast<std::ptrdiff_t>(height - 1 - y) * width);
  }
  return bitmap;
}

void TBitmap::SetSize(int width, int height) {
  CheckSize(width, height);
  std::vector<std::uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  for (int y = 0; y < std::min(height, height_); ++y)
    for (int x = 0; x < std::min(width, width_); ++x)
      pixels[static_cast<size_t>(y) * width + x] = pixels_[static_cast<size_t>(y) * width_ + x];
  pixels_ = std::move(pixels);
  indexes_.clear();
  width_ = width;
  height_ = height;
}

std::uint32_t TBitmap::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) throw EInvalidOperation(L"Pixel outside the bitmap");
  return pixels_[static_cast<size_t>(y) * width_ + x];
}

void TBitmap::SetPixel(int x, int y, std::uint32_t value) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) throw EInvalidOperation(L"Pixel outside the bitmap");
  pixels_[static_cast<size_t>(y) * width_ + x] = value;
  indexes_.clear();
}

void TBitmap::FillRect(int left, int top, int right, int bottom, std::uint32_t value) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, width_);
  bottom = std::min(bottom, height_);
  indexes_.clear();
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) pixels_[static_cast<size_t>(y) * width_ + x] = value;
}

TBitmap TBitmap::Slice(int x, int width) const {
  const int from = std::clamp(x, 0, width_);
  const int to = std::clamp(x + std::max(width, 0), 0, width_);
  TBitmap result(to - from, height_);
  for (int y = 0; y < height_; ++y)
    for (int i = from; i < to; ++i) result.pixels_[static_cast<size_t>(y) * result.width_ + (i - from)] =
        pixels_[static_cast<size_t>(y) * width_ + i];
  // A slice is the same kind of picture: an image cut from a strip with alpha keeps it.
  result.format_ = format_;
  result.palette_ = palette_;
  return result;
}

std::uint32_t TBitmap::FromColor(TColor color) {
  const auto c = static_cast<std::uint32_t>(color) & 0xFFFFFFu;
  return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

const std::vector<std::uint32_t>& TBitmap::SystemPalette16() {
  static const std::vector<std::uint32_t> colors = {
      0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
      0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  return colors;
}

// The twenty static system colours keep their places at both ends (0-9 and
// 246-255); between them the 6x6x6 cube of levels 00, 33, ... FF (10-225,
// red slowest) and twenty greys that the cube and the static colours lack.
const std::vector<std::uint32_t>& TBitmap::HalftonePalette() {
  static const std::vector<std::uint32_t> colors = [] {
    std::vector<std::uint32_t> c = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080,
                                    0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0, 0xA6CAF0};
    for (std::uint32_t r = 0; r < 6; ++r)
      for (std::uint32_t g = 0; g < 6; ++g)
        for (std::uint32_t b = 0; b < 6; ++b) c.push_back((r * 0x33) << 16 | (g * 0x33) << 8 | (b * 0x33));
    for (std::uint32_t i = 0; i < 20; ++i) {
      const std::uint32_t v = 10 + 12 * i;
      c.push_back(v << 16 | v << 8 | v);
    }
    for (std::uint32_t v : {0xFFFBF0u, 0xA0A0A4u, 0x808080u, 0xFF0000u, 0x00FF00u, 0xFFFF00u, 0x0000FFu, 0xFF00FFu,
                            0x00FFFFu, 0xFFFFFFu})
      c.push_back(v);
    return c;
  }();
  return colors;
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format < pfDevice || format > pf32bit) throw EInvalidGraphic(L"Invalid pixel format");
  if (format == format_) return;
  if (Palettized(format))
    palette_ = StandardPalette(format);
  else
    palette_.clear();
  format_ = format;
  Conform();
}

void TBitmap::Conform() {
  indexes_.clear();
  switch (format_) {
    case pfDevice:
    case pf32bit: return;
    case pf24bit:
      for (auto& p : pixels_) p |= kOpaque;
      return;
    case pf16bit:
      for (auto& p : pixels_) p = Reduce(p, 5, 6, 5);
      return;
    case pf15bit:
      for (auto& p : pixels_) p = Reduce(p, 5, 5, 5);
      return;
    default:
      WithNearest(format_, palette_, [&](const NearestColor& nearest) {
        ColorMapper map(nearest);
        indexes_.resize(pixels_.size());
        for (std::size_t i = 0; i < pixels_.size(); ++i) {
          const std::uint8_t index = map(pixels_[i]);
          indexes_[i] = index;
          pixels_[i] = kOpaque | palette_[index];
        }
      });
  }
}

const std::vector<std::uint8_t>& TBitmap::PaletteIndexes() const {
  static const std::vector<std::uint8_t> kNone;
  if (!Palettized(format_) || palette_.empty()) return kNone;
  if (indexes_.size() == pixels_.size()) return indexes_;
  std::vector<std::uint8_t> indexes;
  indexes.resize(pixels_.size());
  // Pixels are normally palette colours already: found by a hash of the
  // palette (first index of a colour, as the nearest search would give);
  // only a pixel drawn off the palette needs the search.
  constexpr std::uint32_t kSlots = 1024;
  std::vector<std::uint32_t> keys(kSlots);
  std::vector<std::int16_t> values(kSlots, -1);
  auto slotOf = [&](std::uint32_t rgb) {
    std::uint32_t slot = (rgb * 2654435761u) >> 22;
    while (values[slot] >= 0 && keys[slot] != rgb) slot = (slot + 1) & (kSlots - 1);
    return slot;
  };
  for (std::size_t i = 0; i < palette_.size(); ++i) {
    const std::uint32_t slot = slotOf(palette_[i]);
    if (values[slot] < 0) {
      keys[slot] = palette_[i];
      values[slot] = static_cast<std::int16_t>(i);
    }
  }
  const NearestColor* standard = &StandardNearest(format_);
  if (standard->Palette() != palette_) standard = nullptr;
  std::unique_ptr<NearestColor> own;
  std::uint32_t last = 0;
  std::uint8_t lastIndex = 0;
  bool haveLast = false;
  for (std::size_t i = 0; i < pixels_.size(); ++i) {
    const std::uint32_t rgb = pixels_[i] & 0xFFFFFFu;
    if (!haveLast || rgb != last) {
      const std::uint32_t slot = slotOf(rgb);
      if (values[slot] >= 0) {
        lastIndex = static_cast<std::uint8_t>(values[slot]);
      } else {
        if (!standard && !own) own = std::make_unique<NearestColor>(palette_);
        lastIndex = standard ? (*standard)(rgb) : (*own)(rgb);
      }
      haveLast = true;
      last = rgb;
    }
    indexes[i] = lastIndex;
  }
  indexes_ = std::move(indexes);
  return indexes_;
}

void TBitmap::LoadFromStream(IStream* stream) {
  if (!stream) throw EInvalidGraphic(L"No stream to read a bitmap from");
  std::vector<std::uint8_t> data;
  std::uint8_t chunk[65536];
  for (;;) {
    ULONG read = 0;
    const HRESULT hr = stream->Read(chunk, sizeof chunk, &read);
    if (FAILED(hr)) throw EInvalidGraphic(L"Reading the bitmap failed (" + com::HResultText(hr) + L")");
    if (read > sizeof chunk) throw EInvalidGraphic(L"Reading the bitmap failed");
    data.insert(data.end(), chunk, chunk + read);
    if (data.size() > kMaxPixelBytes + (1u << 20)) throw EInvalidGraphic(L"Bitmap file too large");
    if (read < sizeof chunk) break;
  }
  LoadFromBytes(data);
}

// ---------------------------------------------------------------- BMP files

void TBitmap::LoadFromBytes(const std::uint8_t* data, std::size_t size) {
  BmpPicture picture;
  if (const wchar_t* why = ReadBmp(data, size, picture))
    throw EInvalidGraphic(std::wstring(L"Invalid bitmap file: ") + why);
  TPixelFormat format = pf32bit;
  switch (picture.bitCount) {
    case 1: format = pf1bit; break;
    case 4: format = pf4bit; break;
    case 8: format = pf8bit; break;
    case 24: format = pf24bit; break;
    case 16:
      if (picture.colorBits[0] == 5 && picture.colorBits[1] == 5 && picture.colorBits[2] == 5) format = pf15bit;
      else if (picture.colorBits[0] == 5 && picture.colorBits[1] == 6 && picture.colorBits[2] == 5) format = pf16bit;
      break;
    default: break;
  }
  // Nothing above touched the bitmap: it changes only now, all at once.
  width_ = picture.width;
  height_ = picture.height;
  pixels_ = std::move(picture.pixels);
  indexes_.clear();
  format_ = format;
  palette_ = std::move(picture.palette);
}

// ---------------------------------------------------------------- drawing with GDI

TBitmapDC::TBitmapDC(TBitmap& bitmap, Start start) : bitmap_(bitmap), dc_(win::CreateCompatibleDC(nullptr)) {
  if (!dc_) throw EInvalidGraphic(L"Cannot create a device context");
  if (bitmap.Empty()) return;
  BITMAPINFO info = win::TopDownDibInfo(bitmap.Width(), bitmap.Height());
  void* bits = nullptr;
  section_ = win::BitmapHandle(win::CreateDIBSection(dc_.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!section_ || !bits || !selection_.Select(dc_.Get(), section_.Get()))
    throw EInvalidGraphic(L"Cannot create a bitmap of " + std::to_wstring(bitmap.Width()) + L" x " +
                          std::to_wstring(bitmap.Height()));
  bits_ = static_cast<std::uint32_t*>(bits);
  if (start == kCopy) std::memcpy(bits_, bitmap.pixels_.data(), bitmap.pixels_.size() * sizeof(std::uint32_t));
}

TBitmapDC::~TBitmapDC() {
  // The handles go after this, section out of the DC first (member order).
  if (!bits_ || discard_) return;
  win::GdiFlush();
  // GDI leaves the alpha byte 0; only a 32-bit bitmap keeps it as drawn.
  const std::uint32_t alpha = bitmap_.format_ == pf32bit ? 0 : kOpaque;
  std::uint32_t* out = bitmap_.pixels_.data();
  for (std::size_t i = 0, n = bitmap_.pixels_.size(); i < n; ++i) out[i] = bits_[i] | alpha;
  bitmap_.Conform();
}

}  // namespace forms
