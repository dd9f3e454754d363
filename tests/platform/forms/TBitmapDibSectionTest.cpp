// Bitmaps read from DIB sections, as image lists read a module's bitmaps.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/forms/TBitmap.h"
#include "platform/win/GdiHandles.h"

namespace {

using forms::TBitmap;

// A width x height section filled from `pixels` (top row first; 32 bits: the
// whole value, 24 bits: its low three bytes).
win::BitmapHandle Section(int width, int height, int bpp, bool topDown, const std::vector<std::uint32_t>& pixels,
                          DWORD compression = BI_RGB, const DWORD* masks = nullptr) {
  struct {
    BITMAPINFOHEADER header;
    DWORD table[256];  // masks, or an indexed section's colours (all black)
  } info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width;
  info.header.biHeight = topDown ? -height : height;
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(bpp);
  info.header.biCompression = compression;
  if (masks) std::memcpy(info.table, masks, 3 * sizeof(DWORD));
  void* bits = nullptr;
  win::BitmapHandle section(win::CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&info),
                                                  DIB_RGB_COLORS, &bits, nullptr, 0));
  EXPECT_TRUE(section && bits);
  if (!bits) return section;
  const std::size_t rowBytes = ((static_cast<std::size_t>(width) * bpp + 31) / 32) * 4;
  for (int y = 0; y < height; ++y) {
    auto* row = static_cast<std::uint8_t*>(bits) + rowBytes * (topDown ? y : height - 1 - y);
    for (int x = 0; x < width; ++x)
      for (int b = 0; b < bpp / 8; ++b)
        row[x * (bpp / 8) + b] = static_cast<std::uint8_t>(pixels[static_cast<std::size_t>(y) * width + x] >> (8 * b));
  }
  return section;
}

TEST(TBitmapDibSection, ReadsRowsInEitherOrderKeepingAlphaWhereThereIsAny) {
  const std::vector<std::uint32_t> alpha = {0xFF102030u, 0x80FF0000u, 0x00000000u, 0x4000FF00u};
  const std::vector<std::uint32_t> noAlpha = {0x00102030u, 0x00FF0000u, 0x00000000u, 0x0000FF00u};
  const std::vector<std::uint32_t> opaque = {0xFF102030u, 0xFFFF0000u, 0xFF000000u, 0xFF00FF00u};
  const DWORD standard[3] = {0xFF0000u, 0xFF00u, 0xFFu};
  struct Case {
    int bpp;
    DWORD compression;
    const std::vector<std::uint32_t>& pixels;
    const std::vector<std::uint32_t>& expected;
    forms::TPixelFormat format;
  } const cases[] = {
      {32, BI_RGB, alpha, alpha, forms::pf32bit},
      {32, BI_BITFIELDS, alpha, alpha, forms::pf32bit},
      // GDI leaves the alpha byte 0 where it draws: such a section is opaque.
      {32, BI_RGB, noAlpha, opaque, forms::pf32bit},
      {24, BI_RGB, noAlpha, opaque, forms::pf24bit},
  };
  for (bool topDown : {false, true})
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << c.bpp << " bits, compression " << c.compression << ", top-down " << topDown);
      const auto section = Section(2, 2, c.bpp, topDown, c.pixels, c.compression, standard);
      const TBitmap b = TBitmap::FromDibSection(section.Get());
      EXPECT_EQ(b.Width(), 2);
      EXPECT_EQ(b.Height(), 2);
      EXPECT_EQ(b.Pixels(), c.expected);
      EXPECT_EQ(b.PixelFormat(), c.format);
    }
}

TEST(TBitmapDibSection, RefusesWhatIsNoDirectColourSection) {
  const DWORD swapped[3] = {0xFFu, 0xFF00u, 0xFF0000u};
  const auto bgr = Section(2, 1, 32, true, {0, 0}, BI_BITFIELDS, swapped);
  const auto indexed = Section(8, 1, 8, true, std::vector<std::uint32_t>(8, 0));
  const win::DcHandle dc(win::CreateCompatibleDC(nullptr));
  const win::BitmapHandle device(win::CreateCompatibleBitmap(dc.Get(), 4, 4));
  for (HBITMAP bitmap : {bgr.Get(), indexed.Get(), device.Get(), static_cast<HBITMAP>(nullptr)}) {
    SCOPED_TRACE(reinterpret_cast<std::uintptr_t>(bitmap));
    EXPECT_THROW(TBitmap::FromDibSection(bitmap), forms::EInvalidGraphic);
  }
}

}  // namespace
