// Pictures of a document view: size, colour depth, the GIF they are written
// as, and every way a capture can come to nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "page_utils/ImageCaptureTestViews.h"
#include "page_utils/ImageCaptureUnit.h"
#include "platform/com/SafeArray.h"
#include "support/ScratchFolder.h"

namespace {

using capture_test::DecodeGif;
using capture_test::PatternView;

com::ComPtr<PatternView> NewView(HRESULT result = S_OK, bool gradient = false) {
  return com::ComPtr<PatternView>(new PatternView(result, gradient));
}

// The picture's bytes, checking the array's shape on the way.
std::vector<std::uint8_t> Bytes(const com::Variant& data) {
  EXPECT_EQ(data.vt(), VT_ARRAY | VT_UI1);
  if (data.vt() != (VT_ARRAY | VT_UI1)) return {};
  LONG lower = -1, upper = -1;
  EXPECT_EQ(SafeArrayGetDim(data.parray), 1u);
  SafeArrayGetLBound(data.parray, 1, &lower);
  SafeArrayGetUBound(data.parray, 1, &upper);
  com::SafeArray array;
  std::vector<BYTE> bytes;
  EXPECT_EQ(com::SafeArray::FromVariant(data, &array), S_OK);
  EXPECT_EQ(array.ToBytes(&bytes), S_OK);
  EXPECT_EQ(lower, 0);
  EXPECT_EQ(upper, static_cast<LONG>(bytes.size()) - 1);
  return bytes;
}

std::vector<std::uint8_t> Capture(LONG width, LONG height, LONG scale, LONG format, bool gradient = false) {
  auto view = NewView(S_OK, gradient);
  com::Variant data;
  vorn::CapturePicture(view.Get(), width, height, scale, format, data);
  return data.IsEmpty() ? std::vector<std::uint8_t>{} : Bytes(data);
}

std::uint32_t Rgb(COLORREF c) { return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }

TEST(ImageCapture, ScaleRoundsHalvesToEven) {
  struct Case {
    LONG side, scale;
    std::int64_t expected;
  } const cases[] = {{1000, 100, 1000}, {1000, 50, 500}, {1000, 33, 330}, {600, 33, 198}, {5, 50, 2},
                     {7, 50, 4},        {3, 50, 2},      {1, 50, 0},      {1, 51, 1},     {1920, 25, 480},
                     {0, 70, 0},        {2147483647, 200, 4294967294LL}};
  for (const Case& c : cases) EXPECT_EQ(vorn::ScaledSide(c.side, c.scale), c.expected) << c.side << " " << c.scale;
}

TEST(ImageCapture, DepthCodesNameFormats) {
  const forms::TPixelFormat formats[] = {forms::pfDevice, forms::pf1bit,  forms::pf4bit,  forms::pf8bit,
                                         forms::pf15bit,  forms::pf16bit, forms::pf24bit, forms::pf32bit};
  for (LONG code = 0; code < 8; ++code) EXPECT_EQ(vorn::PixelFormatOfCode(code), formats[code]);
  EXPECT_EQ(vorn::PixelFormatOfCode(0x7F03), forms::pf8bit);  // only the low byte counts
  for (LONG code : {8, 9, 0xFF, -1}) {
    try {
      vorn::PixelFormatOfCode(code);
      ADD_FAILURE() << code;
    } catch (const forms::EInvalidGraphic& e) {
      EXPECT_EQ(e.message(), L"Invalid pixel format");
    }
  }
}

TEST(ImageCapture, DrawsTheContentIntoAScaledGif) {
  struct Case {
    LONG width, height, scale;
    int gifWidth, gifHeight;
  } const cases[] = {{1000, 600, 100, 1000, 600}, {1000, 600, 50, 500, 300}, {1000, 600, 33, 330, 198},
                     {40, 10, 250, 100, 25}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scale);
    auto view = NewView();
    com::Variant data(L"left over");
    vorn::CapturePicture(view.Get(), c.width, c.height, c.scale, 6, data);
    const std::vector<std::uint8_t> bytes = Bytes(data);
    ASSERT_GT(bytes.size(), 13u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "GIF8");
    EXPECT_EQ(bytes.back(), 0x3B);  // the trailer: a complete file
    const auto gif = DecodeGif(bytes);
    ASSERT_TRUE(gif.ok);
    EXPECT_EQ(gif.width, c.gifWidth);
    EXPECT_EQ(gif.height, c.gifHeight);
    // Each stripe keeps its colour away from the edges the scaling blends.
    for (std::size_t i = 0; i < capture_test::kStripes.size(); ++i) {
      const int x = static_cast<int>((2 * i + 1) * gif.width / (2 * capture_test::kStripes.size()));
      EXPECT_EQ(gif.pixels[static_cast<std::size_t>(gif.height / 2) * gif.width + x], Rgb(capture_test::kStripes[i]));
    }
    // Drawn once, as the content aspect, index 1, over the whole bitmap.
    ASSERT_EQ(view->calls.size(), 1u);
    const auto& call = view->calls[0];
    EXPECT_EQ(call.aspect, static_cast<DWORD>(DVASPECT_CONTENT));
    EXPECT_EQ(call.index, 1);
    EXPECT_TRUE(call.drawDc);
    EXPECT_FALSE(call.aspectData || call.targetDevice || call.targetDc || call.wbounds || call.callback);
    EXPECT_EQ(call.bounds.left, 0);
    EXPECT_EQ(call.bounds.top, 0);
    EXPECT_EQ(call.bounds.right, c.width);
    EXPECT_EQ(call.bounds.bottom, c.height);
  }
}

TEST(ImageCapture, EachDepthGivesItsColours) {
  const std::vector<std::uint32_t> stripes = {0xFF0000, 0x00A000, 0x0000FF, 0xFFFFFF};
  struct Case {
    LONG code;
    std::vector<std::uint32_t> expected;  // the stripes as the depth shows them
    std::size_t paletteSize;              // 0: any
  } const cases[] = {
      {0, stripes, 0},
      {1, {0x000000, 0x000000, 0x000000, 0xFFFFFF}, 2},
      {2, {0xFF0000, 0x008000, 0x0000FF, 0xFFFFFF}, 16},
      {3, {0xFF0000, 0x009900, 0x0000FF, 0xFFFFFF}, 256},
      {4, {0xFF0000, 0x00A500, 0x0000FF, 0xFFFFFF}, 0},  // 0xA0 >> 3 = 20 -> 10100 repeated = 0xA5
      {5, {0xFF0000, 0x00A200, 0x0000FF, 0xFFFFFF}, 0},  // 0xA0 >> 2 = 40 -> 101000 repeated = 0xA2
      {6, stripes, 0},
      {7, stripes, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    const auto gif = DecodeGif(Capture(64, 8, 100, c.code));
    ASSERT_TRUE(gif.ok);
    if (c.paletteSize) {
      EXPECT_EQ(gif.palette.size(), c.paletteSize);
    }
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(gif.pixels[8 + 16 * i], c.expected[i]) << i;
    EXPECT_EQ(std::set<std::uint32_t>(gif.pixels.begin(), gif.pixels.end()),
              std::set<std::uint32_t>(c.expected.begin(), c.expected.end()));
  }
  // The 8-bit picture carries the halftone palette itself.
  const auto halftone = DecodeGif(Capture(64, 8, 100, 3));
  std::vector<std::uint32_t> expected = forms::TBitmap::HalftonePalette();
  EXPECT_EQ(halftone.palette, expected);
}

TEST(ImageCapture, ManyColoursAreReducedToAGifPalette) {
  const auto gif = DecodeGif(Capture(200, 120, 100, 6, true));
  ASSERT_TRUE(gif.ok);
  EXPECT_LE(gif.palette.size(), 256u);
  // What the view drew, for comparison: the same gradient.
  double error = 0;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 200; ++x) {
      const int bx = x & ~1, by = y & ~1;
      const std::uint32_t want = static_cast<std::uint32_t>(bx * 255 / 200) << 16 |
                                 static_cast<std::uint32_t>(by * 255 / 120) << 8 | ((bx + by) & 0xFF);
      const std::uint32_t got = gif.pixels[static_cast<std::size_t>(y) * 200 + x];
      for (int shift : {0, 8, 16})
        error += std::abs(static_cast<int>(want >> shift & 0xFF) - static_cast<int>(got >> shift & 0xFF));
    }
  EXPECT_LT(error / (200 * 120 * 3), 12.0);  // a faithful reduction, not a blank or scrambled picture
}

TEST(ImageCapture, NoPictureWhenNothingCanBeMade) {
  struct Case {
    const char* what;
    LONG width, height, scale, format;
  } const cases[] = {
      {"zero width", 0, 100, 100, 6},
      {"zero height", 100, 0, 100, 6},
      {"negative size", -5, 100, 100, 6},
      {"negative scale", 100, 100, -50, 6},
      {"scaled to nothing", 100, 100, 0, 6},
      {"scaled below one pixel", 1, 100, 40, 6},
      {"invalid pixel format", 100, 100, 100, 8},
      {"code above 8", 100, 100, 100, 9},
      {"code 255", 100, 100, 100, 0xFF},
      {"window beyond the limit", 20000, 10, 100, 6},
      {"scaled beyond the side limit", 1000, 10, 2000, 6},
      {"scaled beyond the pixel limit", 1000, 1000, 1000, 6},
      {"scale overflowing 32 bits", 1000, 1000, 2147483647, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto view = NewView();
    com::Variant data(42);
    vorn::CapturePicture(view.Get(), c.width, c.height, c.scale, c.format, data);
    EXPECT_TRUE(data.IsEmpty());
  }
  // A view that reports a failure still drew what it drew: the result is ignored.
  auto failing = NewView(E_FAIL);
  com::Variant data;
  vorn::CapturePicture(failing.Get(), 16, 4, 100, 6, data);
  const auto gif = DecodeGif(Bytes(data));
  ASSERT_TRUE(gif.ok);
  EXPECT_EQ(gif.pixels[2], 0xFF0000u);
}

// The pictures read with a decoder that shares nothing with the encoder.
TEST(ImageCapture, IndependentDecoderReadsEveryDepth) {
  if (std::system("identify -version > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "ImageMagick's identify is not available: the independent check did not run";
  const testing_support::ScratchFolder scratch("vornie-capture-");
  const auto& dir = scratch.path();
  for (LONG code = 0; code < 8; ++code) {
    SCOPED_TRACE(code);
    const std::vector<std::uint8_t> bytes = Capture(301, 157, 50, code, code % 2 == 0);
    ASSERT_FALSE(bytes.empty());
    const auto file = dir / ("picture" + std::to_string(code) + ".gif");
    const auto answer = dir / ("picture" + std::to_string(code) + ".txt");
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    const std::string command =
        "identify -format '%m %w %h' '" + file.string() + "' > '" + answer.string() + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(answer);
    const std::string output((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(output, "GIF 150 78");  // 301 / 2 = 150.5 -> 150, 157 / 2 = 78.5 -> 78
  }
}

}  // namespace
