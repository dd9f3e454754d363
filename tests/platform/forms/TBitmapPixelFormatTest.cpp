// Pixel formats of a bitmap: which colours each allows and how pixels drawn
// through GDI come back.
#include <gtest/gtest.h>

#include <random>

#include "platform/forms/TBitmap.h"

namespace {

using forms::TBitmap;
using forms::TBitmapDC;

// The palette entry nearest to a colour, ties to the lowest index: checked by
// brute force, independently of the bitmap's own search.
std::uint32_t BruteNearest(const std::vector<std::uint32_t>& palette, std::uint32_t rgb) {
  int best = 1 << 30;
  std::uint32_t color = 0;
  for (std::uint32_t c : palette) {
    const int dr = static_cast<int>(c >> 16 & 0xFF) - static_cast<int>(rgb >> 16 & 0xFF);
    const int dg = static_cast<int>(c >> 8 & 0xFF) - static_cast<int>(rgb >> 8 & 0xFF);
    const int db = static_cast<int>(c & 0xFF) - static_cast<int>(rgb & 0xFF);
    if (dr * dr + dg * dg + db * db < best) {
      best = dr * dr + dg * dg + db * db;
      color = c;
    }
  }
  return color;
}

std::uint32_t Converted(std::uint32_t pixel, forms::TPixelFormat format) {
  TBitmap b(1, 1, pixel);
  b.SetPixelFormat(format);
  return b.Pixel(0, 0);
}

TEST(TBitmapPixelFormat, DirectFormatsCutChannelsAsGdiStoresThem) {
  struct Case {
    forms::TPixelFormat format;
    std::uint32_t in, out;
  } const cases[] = {
      // 0x12 >> 3 = 2 -> 00010 repeated = 0x10; 0x34 >> 3 = 6 -> 0x31; 0x56 >> 3 = 10 -> 0x52.
      {forms::pf15bit, 0x00123456, 0xFF103152},
      // green keeps six bits: 0x34 >> 2 = 13 -> 001101 repeated = 0x34.
      {forms::pf16bit, 0x00123456, 0xFF103452},
      {forms::pf15bit, 0x00FFFFFF, 0xFFFFFFFF},
      {forms::pf16bit, 0x00070307, 0xFF000000},
      {forms::pf24bit, 0x00ABCDEF, 0xFFABCDEF},
      {forms::pf32bit, 0x40ABCDEF, 0x40ABCDEF},
      {forms::pfDevice, 0x40ABCDEF, 0x40ABCDEF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    EXPECT_EQ(Converted(c.in, c.format), c.out);
    TBitmap b(1, 1, c.in);
    b.SetPixelFormat(c.format);
    EXPECT_TRUE(b.Palette().empty());
    EXPECT_TRUE(b.PaletteIndexes().empty());
  }
}

TEST(TBitmapPixelFormat, PaletteFormatsTakeTheNearestColour) {
  struct Case {
    forms::TPixelFormat format;
    std::uint32_t in, out;
  } const cases[] = {
      {forms::pf1bit, 0x404040, 0xFF000000}, {forms::pf1bit, 0xC0C0C0, 0xFFFFFFFF},
      {forms::pf1bit, 0xFF0000, 0xFF000000}, {forms::pf4bit, 0xFE0101, 0xFFFF0000},
      {forms::pf4bit, 0x7F7F7F, 0xFF808080}, {forms::pf4bit, 0x000070, 0xFF000080},
      {forms::pf8bit, 0x320000, 0xFF330000}, {forms::pf8bit, 0xC1DBC1, 0xFFC0DCC0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.format << " " << std::hex << c.in);
    EXPECT_EQ(Converted(c.in, c.format), c.out);
  }
}

TEST(TBitmapPixelFormat, PalettesHoldTheSystemColours) {
  EXPECT_EQ(TBitmap::SystemPalette16().size(), 16u);
  const auto& halftone = TBitmap::HalftonePalette();
  ASSERT_EQ(halftone.size(), 256u);
  // Every colour of the 6x6x6 cube and of the 16-colour palette is present.
  for (std::uint32_t r = 0; r < 6; ++r)
    for (std::uint32_t g = 0; g < 6; ++g)
      for (std::uint32_t b = 0; b < 6; ++b) {
        const std::uint32_t c = (r * 0x33) << 16 | (g * 0x33) << 8 | b * 0x33;
        EXPECT_NE(std::find(halftone.begin(), halftone.end(), c), halftone.end()) << std::hex << c;
      }
  for (std::uint32_t c : TBitmap::SystemPalette16())
    EXPECT_NE(std::find(halftone.begin(), halftone.end(), c), halftone.end()) << std::hex << c;
  // The static colours keep the places the system gives them.
  EXPECT_EQ(halftone.front(), 0x000000u);
  EXPECT_EQ(halftone.back(), 0xFFFFFFu);
}

TEST(TBitmapPixelFormat, MappingIsExactNearestForAnyColour) {
  std::mt19937 random(7);
  TBitmap b(64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) b.SetPixel(x, y, random() & 0xFFFFFFu);
  // Colours the halftone palette holds twice.
  b.SetPixel(1, 0, 0xFFFFFF);
  b.SetPixel(2, 0, 0x000000);
  for (auto format : {forms::pf1bit, forms::pf4bit, forms::pf8bit}) {
    SCOPED_TRACE(format);
    TBitmap converted = b;
    converted.SetPixelFormat(format);
    const auto& palette = converted.Palette();
    const std::vector<std::uint8_t> indexes = converted.PaletteIndexes();
    ASSERT_EQ(indexes.size(), 64u * 64u);
    for (int i = 0; i < 64 * 64; ++i) {
      const std::uint32_t expected = BruteNearest(palette, b.Pixels()[static_cast<std::size_t>(i)]);
      ASSERT_EQ(converted.Pixels()[static_cast<std::size_t>(i)], 0xFF000000u | expected) << i;
      ASSERT_EQ(palette[indexes[static_cast<std::size_t>(i)]], expected) << i;
    }
    // The indexes the conversion found are those a search of the converted
    // pixels finds; a pixel changed since is searched for.
    TBitmap touched = converted;
    touched.SetPixel(0, 0, touched.Pixel(0, 0));
    EXPECT_EQ(touched.PaletteIndexes(), indexes);
    touched.SetPixel(3, 0, 0x10E020);
    EXPECT_EQ(palette[touched.PaletteIndexes()[3]], BruteNearest(palette, 0x10E020));
    touched.SetPixelFormat(forms::pf24bit);
    touched.SetPixelFormat(format);
    touched.FillRect(0, 1, 64, 2, 0xF0F0F0);
    EXPECT_EQ(palette[touched.PaletteIndexes()[64 + 17]], BruteNearest(palette, 0xF0F0F0));
    // Converting again changes nothing; so does asking for the same format.
    TBitmap again = converted;
    again.SetPixelFormat(forms::pf24bit);
    again.SetPixelFormat(format);
    EXPECT_EQ(again.Pixels(), converted.Pixels());
  }
}

TEST(TBitmapPixelFormat, RefusesUnknownFormats) {
  TBitmap b(2, 2, 0x123456);
  EXPECT_THROW(b.SetPixelFormat(static_cast<forms::TPixelFormat>(8)), forms::EInvalidGraphic);
  EXPECT_THROW(b.SetPixelFormat(static_cast<forms::TPixelFormat>(-1)), forms::EInvalidGraphic);
  EXPECT_EQ(b.PixelFormat(), forms::pfDevice);
  EXPECT_EQ(b.Pixel(1, 1), 0x123456u);
  EXPECT_THROW(TBitmap(TBitmap::kMaxSide + 1, 1), forms::EInvalidGraphic);
  EXPECT_THROW(TBitmap(9000, 9000), forms::EInvalidGraphic);  // beyond 256 MiB of pixels
}

TEST(TBitmapDrawing, GdiDrawsIntoTheBitmap) {
  TBitmap b(4, 3, 0xFF000000);
  {
    TBitmapDC dc(b);
    HBRUSH brush = win::CreateSolidBrush(RGB(0x10, 0x20, 0x30));
    RECT r{1, 1, 3, 3};
    EXPECT_NE(win::FillRect(dc.Handle(), &r, brush), 0);
    win::DeleteObject(brush);
  }
  EXPECT_EQ(b.Pixel(0, 0), 0xFF000000u);
  EXPECT_EQ(b.Pixel(1, 1), 0xFF102030u);
  EXPECT_EQ(b.Pixel(2, 2), 0xFF102030u);
  EXPECT_EQ(b.Pixel(3, 2), 0xFF000000u);

  // What is drawn on a 16-colour bitmap comes back in its palette.
  TBitmap vga(2, 1);
  vga.SetPixelFormat(forms::pf4bit);
  {
    TBitmapDC dc(vga);
    HBRUSH brush = win::CreateSolidBrush(RGB(250, 5, 5));
    RECT r{0, 0, 1, 1};
    win::FillRect(dc.Handle(), &r, brush);
    win::DeleteObject(brush);
  }
  EXPECT_EQ(vga.Pixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(vga.Pixel(1, 0), 0xFF000000u);

  // An empty bitmap still lends a DC, and nothing comes back.
  TBitmap empty;
  TBitmapDC dc(empty);
  EXPECT_NE(dc.Handle(), nullptr);
}

}  // namespace
