#include "platform/forms/BmpReader.h"

#include <algorithm>
#include <utility>

namespace forms {

std::uint32_t WidenBits(std::uint32_t v, int n) {
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

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;

// Unwinds the reader to ReadBmp with the reason; never leaves this file.
struct Refused {
  const wchar_t* why;
};

[[noreturn]] void Bad(const wchar_t* why) { throw Refused{why}; }

std::uint32_t U16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

struct Mask {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  std::uint32_t Read(std::uint32_t v) const { return mask ? WidenBits((v & mask) >> shift, bits) : 0; }
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

BmpPicture Read(const std::uint8_t* data, std::size_t size) {
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
  if (width > kMaxPictureSide || height > kMaxPictureSide ||
      static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 4 > kMaxPicturePixelBytes)
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
  // A plain 32-bit file keeps its fourth bytes until all are read: they are
  // alpha only when one of them is not 0.
  const bool plain32 = bpp == 32 && compression == 0;
  bool hasAlpha = masks[3].mask != 0;

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
            std::uint32_t a = 0xFFu;
            if (masks[3].mask) {
              a = masks[3].Read(v);
            } else if (plain32) {
              a = v >> 24;
              hasAlpha = hasAlpha || a != 0;
            }
            dst[x] = a << 24 | masks[0].Read(v) << 16 | masks[1].Read(v) << 8 | masks[2].Read(v);
          }
        }
      }
    }
    if (plain32 && !hasAlpha)
      for (std::uint32_t& p : pixels) p |= kOpaque;
  }

  BmpPicture out;
  out.width = w;
  out.height = hgt;
  out.pixels = std::move(pixels);
  out.bitCount = static_cast<int>(bpp);
  for (int i = 0; i < 3; ++i) out.colorBits[i] = masks[i].bits;
  out.topDown = topDown;
  out.hasAlpha = hasAlpha;
  out.palette = std::move(colors);
  return out;
}

}  // namespace

const wchar_t* ReadBmp(const std::uint8_t* data, std::size_t size, BmpPicture& out) {
  try {
    out = Read(data, size);
    return nullptr;
  } catch (const Refused& refused) {
    return refused.why;
  }
}

}  // namespace forms
