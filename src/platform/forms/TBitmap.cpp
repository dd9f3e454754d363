#include "platform/forms/TBitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/com/ComPtr.h"

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

// A field of n bits widened to 8 by repeating its bits.
std::uint32_t Widen(std::uint32_t v, int n) {
  if (n <= 0) return 0;
  if (n >= 8) return (v >> (n - 8)) & 0xFF;
  std::uint32_t out = 0;
  int have = 0;
  while (have < 8) {
    out = (out << n) | v;
    have += n;
  }
  return (out >> (have - 8)) & 0xFF;
}

std::uint32_t Reduce(std::uint32_t p, int rBits, int gBits, int bBits) {
  const std::uint32_t r = Widen((p >> 16 & 0xFF) >> (8 - rBits), rBits);
  const std::uint32_t g = Widen((p >> 8 & 0xFF) >> (8 - gBits), gBits);
  const std::uint32_t b = Widen((p & 0xFF) >> (8 - bBits), bBits);
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

namespace {

[[noreturn]] void Bad(const wchar_t* why) { throw EInvalidGraphic(std::wstring(L"Invalid bitmap file: ") + why); }

std::uint32_t U16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

struct Mask {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  std::uint32_t Read(std::uint32_t v) const { return mask ? Widen((v & mask) >> shift, bits) : 0; }
};

Mask MakeMask(std::uint32_t m, int bpp) {
  Mask out;
  out.mask = m;
  if (!m) return out;
  if (bpp < 32 && (m >> bpp) != 0) Bad(L"colour mask outside the pixel");
  while (!((m >> out.shift) & 1u)) ++out.shift;
  std::uint32_t v = m >> out.shift;
  while (v & 1u) {
    v >>= 1;
    ++out.bits;
  }
  if (v) Bad(L"colour mask not contiguous");
  return out;
}

}  // namespace

void TBitmap::LoadFromBytes(const std::uint8_t* data, std::size_t size) {
  if (!data || size < 14 + 12) Bad(L"too short");
  if (data[0] != 'B' || data[1] != 'M') Bad(L"not a BMP file");
  const std::uint32_t offBits = U32(data + 10);
  const std::uint8_t* h = data + 14;
  const std::uint32_t headerSize = U32(h);
  const bool core = headerSize == 12;
  if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 64 && headerSize != 108 &&
      headerSize != 124)
    Bad(L"unknown header");
  if (14 + static_cast<std::uint64_t>(headerSize) > size) Bad(L"truncated header");

  std::int64_t width = 0, height = 0;
  std::uint32_t planes = 0, bpp = 0, compression = 0, colorsUsed = 0;
  if (core) {
    width = U16(h + 4);
    height = static_cast<std::int16_t>(U16(h + 6));
    planes = U16(h + 8);
    bpp = U16(h + 10);
  } else {
    width = static_cast<std::int32_t>(U32(h + 4));
    height = static_cast<std::int32_t>(U32(h + 8));
    planes = U16(h + 12);
    bpp = U16(h + 14);
    compression = U32(h + 16);
    colorsUsed = U32(h + 32);
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (planes != 1) Bad(L"plane count is not 1");
  if (width <= 0 || height <= 0) Bad(L"empty picture");
  if (width > kMaxSide || height > kMaxSide ||
      static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 4 > kMaxPixelBytes)
    Bad(L"picture too large");
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) Bad(L"unsupported bit count");
  switch (compression) {
    case 0: break;
    case 1:
      if (bpp != 8 || topDown) Bad(L"RLE8 needs 8 bits, bottom-up");
      break;
    case 2:
      if (bpp != 4 || topDown) Bad(L"RLE4 needs 4 bits, bottom-up");
      break;
    case 3:
      if (bpp != 16 && bpp != 32) Bad(L"bit fields need 16 or 32 bits");
      break;
    default: Bad(L"unsupported compression");
  }

  // Colour masks: inside headers from 52 bytes on, else after a 40-byte header.
  std::uint64_t tableAt = 14 + static_cast<std::uint64_t>(headerSize);
  Mask masks[4];
  if (bpp == 16 || bpp == 32) {
    std::uint32_t m[4] = {0, 0, 0, 0};
    if (compression == 3) {
      const std::uint8_t* at = h + 40;
      if (headerSize == 40 || headerSize == 64) {
        if (tableAt + 12 > size) Bad(L"truncated colour masks");
        at = data + tableAt;
        tableAt += 12;
      }
      for (int i = 0; i < 3; ++i) m[i] = U32(at + 4 * i);
      if (headerSize >= 56 && headerSize != 64) m[3] = U32(h + 52);
      if (!m[0] || !m[1] || !m[2]) Bad(L"missing colour mask");
      if ((m[0] & m[1]) || (m[0] & m[2]) || (m[1] & m[2]) || (m[3] & (m[0] | m[1] | m[2]))) Bad(L"overlapping colour masks");
    } else if (bpp == 16) {
      m[0] = 0x7C00;
      m[1] = 0x03E0;
      m[2] = 0x001F;
    } else {
      m[0] = 0xFF0000;
      m[1] = 0x00FF00;
      m[2] = 0x0000FF;
    }
    for (int i = 0; i < 4; ++i) masks[i] = MakeMask(m[i], static_cast<int>(bpp));
  }

  std::vector<std::uint32_t> colors;
  if (bpp <= 8) {
    const std::uint32_t max = 1u << bpp;
    const std::uint32_t entry = core ? 3 : 4;
    std::uint32_t count = colorsUsed == 0 ? max : colorsUsed;
    if (count > max) Bad(L"more colours than the bit count allows");
    if (core && offBits > tableAt) count = std::min<std::uint32_t>(count, static_cast<std::uint32_t>((offBits - tableAt) / 3));
    if (count == 0) Bad(L"empty colour table");
    if (tableAt + static_cast<std::uint64_t>(count) * entry > size) Bad(L"truncated colour table");
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint8_t* q = data + tableAt + static_cast<std::uint64_t>(i) * entry;
      colors.push_back(static_cast<std::uint32_t>(q[2]) << 16 | static_cast<std::uint32_t>(q[1]) << 8 | q[0]);
    }
  }
  if (offBits < 14 + headerSize || offBits > size) Bad(L"pixel data outside the file");

  const auto w = static_cast<int>(width), hgt = static_cast<int>(height);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(hgt), 0);
  auto color = [&](std::uint32_t index) { return kOpaque | (index < colors.size() ? colors[index] : 0u); };
  const std::uint8_t* bits = data + offBits;
  const std::size_t available = size - offBits;

  if (compression == 1 || compression == 2) {
    // Run-length data, bottom-up; pixels the runs skip keep colour 0.
    std::fill(pixels.begin(), pixels.end(), color(0));
    int x = 0, y = 0;  // y counts rows from the bottom
    std::size_t i = 0;
    auto put = [&](std::uint32_t index) {
      if (x < w && y < hgt) pixels[static_cast<std::size_t>(hgt - 1 - y) * w + x] = color(index);
      ++x;
    };
    const bool rle4 = compression == 2;
    while (i + 1 < available && y < hgt) {
      const std::uint32_t n = bits[i], v = bits[i + 1];
      i += 2;
      if (n > 0) {
        for (std::uint32_t k = 0; k < n; ++k) put(rle4 ? ((k & 1) ? (v & 0xF) : (v >> 4)) : v);
      } else if (v == 0) {
        x = 0;
        ++y;
      } else if (v == 1) {
        break;
      } else if (v == 2) {
        if (i + 2 > available) Bad(L"truncated run-length data");
        x += bits[i];
        y += bits[i + 1];
        i += 2;
      } else {
        const std::size_t bytes = rle4 ? (v + 1) / 2 : v;
        if (i + bytes > available) Bad(L"truncated run-length data");
        for (std::uint32_t k = 0; k < v; ++k) put(rle4 ? ((k & 1) ? (bits[i + k / 2] & 0xF) : (bits[i + k / 2] >> 4)) : bits[i + k]);
        i += (bytes + 1) & ~static_cast<std::size_t>(1);
      }
    }
  } else {
    const std::uint64_t rowBytes = ((static_cast<std::uint64_t>(w) * bpp + 31) / 32) * 4;
    if (rowBytes * static_cast<std::uint64_t>(hgt) > available) Bad(L"truncated pixel data");
    for (int row = 0; row < hgt; ++row) {
      const std::uint8_t* src = bits + rowBytes * static_cast<std::uint64_t>(row);
      std::uint32_t* dst = pixels.data() + static_cast<std::size_t>(topDown ? row : hgt - 1 - row) * w;
      for (int x = 0; x < w; ++x) {
        switch (bpp) {
          case 1: dst[x] = color((src[x >> 3] >> (7 - (x & 7))) & 1u); break;
          case 4: dst[x] = color((src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xFu); break;
          case 8: dst[x] = color(src[x]); break;
          case 24:
            dst[x] = kOpaque | static_cast<std::uint32_t>(src[3 * x + 2]) << 16 |
                     static_cast<std::uint32_t>(src[3 * x + 1]) << 8 | src[3 * x];
            break;
          default: {
            const std::uint32_t v = bpp == 16 ? U16(src + 2 * x) : U32(src + 4 * x);
            const std::uint32_t a = masks[3].mask ? masks[3].Read(v) : 0xFFu;
            dst[x] = a << 24 | masks[0].Read(v) << 16 | masks[1].Read(v) << 8 | masks[2].Read(v);
          }
        }
      }
    }
  }

  TPixelFormat format = pf32bit;
  switch (bpp) {
    case 1: format = pf1bit; break;
    case 4: format = pf4bit; break;
    case 8: format = pf8bit; break;
    case 24: format = pf24bit; break;
    case 16:
      if (masks[0].bits == 5 && masks[1].bits == 5 && masks[2].bits == 5) format = pf15bit;
      else if (masks[0].bits == 5 && masks[1].bits == 6 && masks[2].bits == 5) format = pf16bit;
      break;
    default: break;
  }
  // Nothing above touched the bitmap: it changes only now, all at once.
  width_ = w;
  height_ = hgt;
  pixels_ = std::move(pixels);
  indexes_.clear();
  format_ = format;
  palette_ = std::move(colors);
}

// ---------------------------------------------------------------- drawing with GDI

TBitmapDC::TBitmapDC(TBitmap& bitmap, Start start) : bitmap_(bitmap), dc_(win::CreateCompatibleDC(nullptr)) {
  if (!dc_) throw EInvalidGraphic(L"Cannot create a device context");
  if (bitmap.Empty()) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = bitmap.Width();
  info.bmiHeader.biHeight = -bitmap.Height();
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
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
