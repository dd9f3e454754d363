// The GDI subset as Windows defines it: the same checks run on the portable
// backend and, in the Windows build, against gdi32 (under Wine here).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/win/Gdi.h"
#include "support/Platform.h"

namespace {

// A memory DC holding a DIB section, undone at the end of the test.
struct Dib {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  std::uint8_t* bits = nullptr;

  Dib(int width, int height, int bpp, DWORD compression = BI_RGB, std::vector<DWORD> extra = {}) {
    std::vector<std::uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
    auto* h = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
    h->biSize = sizeof(BITMAPINFOHEADER);
    h->biWidth = width;
    h->biHeight = height;
    h->biPlanes = 1;
    h->biBitCount = static_cast<WORD>(bpp);
    h->biCompression = compression;
    if (!extra.empty()) {
      if (bpp <= 8) h->biClrUsed = static_cast<DWORD>(extra.size());
      std::memcpy(info.data() + sizeof(BITMAPINFOHEADER), extra.data(), extra.size() * sizeof(DWORD));
    }
    dc = win::CreateCompatibleDC(nullptr);
    void* p = nullptr;
    bitmap = win::CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &p, nullptr, 0);
    bits = static_cast<std::uint8_t*>(p);
    if (bitmap) old = win::SelectObject(dc, bitmap);
  }
  ~Dib() {
    if (old) win::SelectObject(dc, old);
    if (bitmap) win::DeleteObject(bitmap);
    if (dc) win::DeleteDC(dc);
  }
  std::uint32_t Dword(std::size_t offset) const {
    win::GdiFlush();
    std::uint32_t v;
    std::memcpy(&v, bits + offset, 4);
    return v;
  }
};

void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF color) {
  HBRUSH brush = win::CreateSolidBrush(color);
  RECT r{left, top, right, bottom};
  EXPECT_NE(win::FillRect(dc, &r, brush), 0);
  win::DeleteObject(brush);
}

// Top-down 32-bit pixel (x, y) of a DIB as 0x00RRGGBB.
std::uint32_t Pixel32(const Dib& d, int width, int x, int y) {
  return d.Dword((static_cast<std::size_t>(y) * width + x) * 4) & 0xFFFFFFu;
}

TEST(GdiDevice, ScreenAndCompatibleBitmapsShareTheScreenFormat) {
  HDC screen = win::GetDC(nullptr);
  ASSERT_NE(screen, nullptr);
  const int depth = win::GetDeviceCaps(screen, BITSPIXEL);
  EXPECT_GE(depth, 16);
  EXPECT_EQ(win::GetDeviceCaps(screen, PLANES), 1);

  HBITMAP bitmap = win::CreateCompatibleBitmap(screen, 7, 3);
  ASSERT_NE(bitmap, nullptr);
  BITMAP bm{};
  ASSERT_EQ(win::GetObjectW(bitmap, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 7);
  EXPECT_EQ(bm.bmHeight, 3);
  EXPECT_EQ(bm.bmBitsPixel, depth);
  EXPECT_EQ(bm.bmBits, nullptr);  // device bitmaps do not show their bits
  EXPECT_EQ(bm.bmWidthBytes % 2, 0);
  // A device bitmap has no DIBSECTION to give: only the BITMAP is filled.
  DIBSECTION ds{};
  EXPECT_EQ(win::GetObjectW(bitmap, sizeof ds, &ds), static_cast<int>(sizeof(BITMAP)));
  EXPECT_TRUE(win::DeleteObject(bitmap));

  // A memory DC made from the screen reports the screen's capabilities.
  HDC memory = win::CreateCompatibleDC(screen);
  EXPECT_EQ(win::GetDeviceCaps(memory, BITSPIXEL), depth);
  EXPECT_TRUE(win::DeleteDC(memory));
  EXPECT_EQ(win::ReleaseDC(nullptr, screen), 1);
}

TEST(GdiDevice, NewMemoryDcMakesMonochromeBitmaps) {
  HDC dc = win::CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  HBITMAP mono = win::CreateCompatibleBitmap(dc, 16, 2);
  HBITMAP empty = win::CreateCompatibleBitmap(dc, 0, 5);
  ASSERT_NE(mono, nullptr);
  ASSERT_NE(empty, nullptr);
  BITMAP bm{};
  win::GetObjectW(mono, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  EXPECT_EQ(bm.bmWidthBytes, 2);
  win::GetObjectW(empty, sizeof bm, &bm);  // a zero size gives the 1x1 monochrome stock bitmap
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmHeight, 1);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  win::DeleteObject(mono);
  win::DeleteObject(empty);
  win::DeleteDC(dc);
}

TEST(GdiDib, SectionsReportTheirLayout) {
  struct Case {
    int bpp;
    int height;  // negative: top-down
    LONG stride;
  } const cases[] = {{1, 3, 4}, {4, 3, 8}, {8, -3, 12}, {16, 3, 24}, {24, -3, 36}, {32, 3, 48}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bpp);
    std::vector<DWORD> colors;
    if (c.bpp <= 8) colors.assign(static_cast<std::size_t>(1) << c.bpp, 0);
    Dib dib(12, c.height, c.bpp, BI_RGB, colors);
    ASSERT_NE(dib.bitmap, nullptr);
    ASSERT_NE(dib.bits, nullptr);
    DIBSECTION ds{};
    ASSERT_EQ(win::GetObjectW(dib.bitmap, sizeof ds, &ds), static_cast<int>(sizeof ds));
    EXPECT_EQ(ds.dsBm.bmWidth, 12);
    EXPECT_EQ(ds.dsBm.bmHeight, 3);  // positive for top-down sections too
    EXPECT_EQ(ds.dsBm.bmWidthBytes, c.stride);
    EXPECT_EQ(ds.dsBm.bmBitsPixel, c.bpp);
    EXPECT_EQ(ds.dsBm.bmBits, dib.bits);
    EXPECT_EQ(ds.dsBmih.biBitCount, c.bpp);
    EXPECT_EQ(ds.dsBmih.biWidth, 12);
    for (LONG i = 0; i < c.stride * 3; ++i) ASSERT_EQ(dib.bits[i], 0) << "sections start zeroed";
  }
}

TEST(GdiDib, RefusesHeadersThatDescribeNoBitmap) {
  struct Case {
    const char* what;
    LONG width, height;
    WORD bpp;
    DWORD compression;
  } const cases[] = {{"zero width", 0, 4, 32, BI_RGB},       {"zero height", 4, 0, 32, BI_RGB},
                     {"negative width", -4, 4, 32, BI_RGB},  {"odd depth", 4, 4, 7, BI_RGB},
                     {"24-bit masks", 4, 4, 24, BI_BITFIELDS}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = c.width;
    info.bmiHeader.biHeight = c.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = c.bpp;
    info.bmiHeader.biCompression = c.compression;
    void* bits = reinterpret_cast<void*>(1);
    HBITMAP b = win::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(bits, nullptr);
    if (b) win::DeleteObject(b);
  }
}

TEST(GdiDraw, FillRectStoresColoursInEachLayout) {
  // 32 bits, bottom-up: the first row in memory is the picture's last.
  Dib up(4, 2, 32);
  Fill(up.dc, 0, 0, 4, 1, RGB(0x12, 0x34, 0x56));
  EXPECT_EQ(up.Dword(0) & 0xFFFFFFu, 0u);
  EXPECT_EQ(up.Dword(16) & 0xFFFFFFu, 0x123456u);

  // 5-6-5 masks: pure colours fill their fields.
  Dib masked(2, -1, 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F});
  Fill(masked.dc, 0, 0, 1, 1, RGB(255, 0, 0));
  Fill(masked.dc, 1, 0, 2, 1, RGB(0, 255, 0));
  EXPECT_EQ(masked.Dword(0), 0x07E0F800u);

  // 5-5-5 is what 16 bits without masks means.
  Dib plain16(1, 1, 16);
  Fill(plain16.dc, 0, 0, 1, 1, RGB(0, 0, 255));
  EXPECT_EQ(plain16.Dword(0) & 0xFFFFu, 0x001Fu);

  // 8 bits with a colour table: the nearest entry's index.
  Dib indexed(4, -1, 8, BI_RGB, {0x000000, 0xFF0000, 0x00FF00, 0x0000FF});
  Fill(indexed.dc, 0, 0, 1, 1, RGB(250, 10, 10));
  Fill(indexed.dc, 1, 0, 2, 1, RGB(20, 240, 0));
  Fill(indexed.dc, 2, 0, 3, 1, RGB(0, 0, 200));
  Fill(indexed.dc, 3, 0, 4, 1, RGB(30, 30, 30));
  EXPECT_EQ(indexed.Dword(0), 0x00030201u);  // bytes: red 1, green 2, blue 3, black 0

  // Clipped to the bitmap.
  Dib small(2, -2, 32);
  Fill(small.dc, -5, -5, 1, 1, RGB(1, 2, 3));
  EXPECT_EQ(Pixel32(small, 2, 0, 0), 0x010203u);
  EXPECT_EQ(Pixel32(small, 2, 1, 1), 0u);
}

TEST(GdiDraw, BitBltConvertsBetweenLayouts) {
  Dib source(3, -1, 32);
  Fill(source.dc, 0, 0, 1, 1, RGB(200, 100, 50));
  Fill(source.dc, 1, 0, 2, 1, RGB(0, 255, 0));
  Fill(source.dc, 2, 0, 3, 1, RGB(255, 255, 255));
  Dib rgb24(3, -1, 24);
  ASSERT_TRUE(win::BitBlt(rgb24.dc, 0, 0, 3, 1, source.dc, 0, 0, SRCCOPY));
  win::GdiFlush();
  const std::uint8_t expected24[] = {50, 100, 200, 0, 255, 0, 255, 255, 255};
  EXPECT_EQ(std::memcmp(rgb24.bits, expected24, sizeof expected24), 0);

  Dib back(3, -1, 32);
  ASSERT_TRUE(win::BitBlt(back.dc, 0, 0, 3, 1, rgb24.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(Pixel32(back, 3, 0, 0), 0xC86432u);
  EXPECT_EQ(Pixel32(back, 3, 1, 0), 0x00FF00u);

  // A monochrome device bitmap keeps white as white and everything else as black.
  HDC monoDc = win::CreateCompatibleDC(nullptr);
  HBITMAP mono = win::CreateCompatibleBitmap(monoDc, 3, 1);
  HGDIOBJ old = win::SelectObject(monoDc, mono);
  ASSERT_TRUE(win::BitBlt(monoDc, 0, 0, 3, 1, source.dc, 0, 0, SRCCOPY));
  Dib fromMono(3, -1, 32);
  ASSERT_TRUE(win::BitBlt(fromMono.dc, 0, 0, 3, 1, monoDc, 0, 0, SRCCOPY));
  EXPECT_EQ(Pixel32(fromMono, 3, 0, 0), 0x000000u);
  EXPECT_EQ(Pixel32(fromMono, 3, 1, 0), 0x000000u);
  EXPECT_EQ(Pixel32(fromMono, 3, 2, 0), 0xFFFFFFu);
  win::SelectObject(monoDc, old);
  win::DeleteObject(mono);
  win::DeleteDC(monoDc);

  EXPECT_TRUE(win::BitBlt(back.dc, 0, 0, 3, 1, nullptr, 0, 0, WHITENESS));
  EXPECT_EQ(Pixel32(back, 3, 0, 0), 0xFFFFFFu);
}

TEST(GdiDraw, StretchModesAndBrushOrigin) {
  Dib d(1, 1, 32);
  EXPECT_EQ(win::GetStretchBltMode(d.dc), BLACKONWHITE);
  EXPECT_EQ(win::SetStretchBltMode(d.dc, HALFTONE), BLACKONWHITE);
  EXPECT_EQ(win::GetStretchBltMode(d.dc), HALFTONE);
  EXPECT_EQ(win::SetStretchBltMode(d.dc, COLORONCOLOR), HALFTONE);
  EXPECT_EQ(win::SetStretchBltMode(d.dc, 0), 0);
  EXPECT_EQ(win::GetStretchBltMode(d.dc), COLORONCOLOR);

  POINT previous{-1, -1};
  EXPECT_TRUE(win::SetBrushOrgEx(d.dc, 3, 4, &previous));
  EXPECT_EQ(previous.x, 0);
  EXPECT_EQ(previous.y, 0);
  EXPECT_TRUE(win::SetBrushOrgEx(d.dc, 0, 0, &previous));
  EXPECT_EQ(previous.x, 3);
  EXPECT_EQ(previous.y, 4);
}

TEST(GdiDraw, StretchBltEnlargesAndMirrors) {
  Dib source(2, -2, 32);
  Fill(source.dc, 0, 0, 1, 1, RGB(255, 0, 0));
  Fill(source.dc, 1, 0, 2, 1, RGB(0, 255, 0));
  Fill(source.dc, 0, 1, 1, 2, RGB(0, 0, 255));
  Fill(source.dc, 1, 1, 2, 2, RGB(255, 255, 255));
  Dib big(4, -4, 32);
  win::SetStretchBltMode(big.dc, COLORONCOLOR);
  ASSERT_TRUE(win::StretchBlt(big.dc, 0, 0, 4, 4, source.dc, 0, 0, 2, 2, SRCCOPY));
  const std::uint32_t quadrant[2][2] = {{0xFF0000, 0x00FF00}, {0x0000FF, 0xFFFFFF}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(Pixel32(big, 4, x, y), quadrant[y / 2][x / 2]) << x << "," << y;

  // A negative destination width mirrors left and right.
  Dib mirrored(2, -2, 32);
  win::SetStretchBltMode(mirrored.dc, COLORONCOLOR);
  ASSERT_TRUE(win::StretchBlt(mirrored.dc, 1, 0, -2, 2, source.dc, 0, 0, 2, 2, SRCCOPY));
  EXPECT_EQ(Pixel32(mirrored, 2, 0, 0), 0x00FF00u);
  EXPECT_EQ(Pixel32(mirrored, 2, 1, 0), 0xFF0000u);
  EXPECT_EQ(Pixel32(mirrored, 2, 0, 1), 0xFFFFFFu);
}

TEST(GdiDraw, HalftoneShrinkingAveragesTheSourceArea) {
  // Uniform areas keep their colour whatever the filter.
  Dib stripes(8, -4, 32);
  Fill(stripes.dc, 0, 0, 4, 4, RGB(10, 200, 30));
  Fill(stripes.dc, 4, 0, 8, 4, RGB(250, 250, 0));
  Dib half(2, -1, 32);
  win::SetStretchBltMode(half.dc, HALFTONE);
  win::SetBrushOrgEx(half.dc, 0, 0, nullptr);
  ASSERT_TRUE(win::StretchBlt(half.dc, 0, 0, 2, 1, stripes.dc, 0, 0, 8, 4, SRCCOPY));
  EXPECT_EQ(Pixel32(half, 2, 0, 0), 0x0AC81Eu);
  EXPECT_EQ(Pixel32(half, 2, 1, 0), 0xFAFA00u);

  // A black and white checkerboard shrunk to one pixel: Windows averages it to
  // grey. Wine does not average (it samples one source pixel), so under Wine
  // black or white is accepted as well.
  Dib checker(2, -2, 32);
  Fill(checker.dc, 0, 0, 1, 1, RGB(255, 255, 255));
  Fill(checker.dc, 1, 1, 2, 2, RGB(255, 255, 255));
  Dib one(1, 1, 32);
  win::SetStretchBltMode(one.dc, HALFTONE);
  win::SetBrushOrgEx(one.dc, 0, 0, nullptr);
  ASSERT_TRUE(win::StretchBlt(one.dc, 0, 0, 1, 1, checker.dc, 0, 0, 2, 2, SRCCOPY));
  const std::uint32_t p = Pixel32(one, 1, 0, 0);
  const int red = static_cast<int>(p >> 16);
  const bool averaged = red >= 0x70 && red <= 0x90 && p == ((p >> 16) * 0x010101u);
  if (testing_support::RunningUnderWine())
    EXPECT_TRUE(averaged || p == 0 || p == 0xFFFFFFu) << std::hex << p;
  else
    EXPECT_TRUE(averaged) << std::hex << p;
}

TEST(GdiObjects, SelectionAndDeletionRules) {
  Dib first(2, 2, 32);
  HDC other = win::CreateCompatibleDC(nullptr);
  // A bitmap lives in one DC at a time.
  EXPECT_EQ(win::SelectObject(other, first.bitmap), nullptr);
  // Selecting a bitmap answers the one it replaces.
  HBITMAP second = win::CreateCompatibleBitmap(first.dc, 2, 2);
  ASSERT_NE(second, nullptr);
  HGDIOBJ previous = win::SelectObject(other, second);
  EXPECT_NE(previous, nullptr);
  EXPECT_EQ(win::SelectObject(other, previous), second);
  EXPECT_TRUE(win::DeleteObject(second));
  EXPECT_TRUE(win::DeleteDC(other));

  // Handles that are not (or no longer) objects are refused.
  EXPECT_FALSE(win::DeleteDC(other));
  EXPECT_EQ(win::GetObjectW(second, sizeof(BITMAP), nullptr), 0);
  EXPECT_EQ(win::SelectObject(other, first.bitmap), nullptr);
}

}  // namespace
