// PNG files written from bitmaps, read back by a decoder that shares nothing
// with the writer (ImageMagick), and the failures of writing.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "platform/forms/PngWriter.h"
#include "support/ScratchFolder.h"

namespace {

using forms::TBitmap;

// The pixels ImageMagick reads from the file, as 0xAARRGGBB, row by row.
bool Decode(const std::filesystem::path& file, int width, int height, std::vector<std::uint32_t>& pixels) {
  const auto answer = file.parent_path() / "pixels.txt";
  const std::string command = "convert '" + file.string() + "' -depth 8 txt:'" + answer.string() + "' 2>&1";
  if (std::system(command.c_str()) != 0) return false;
  std::ifstream in(answer);
  pixels.assign(static_cast<std::size_t>(width) * height, 0);
  std::vector<bool> seen(pixels.size(), false);
  // "x,y: (r,g,b,a)  #RRGGBBAA  srgba(...)"; an opaque picture may leave out AA.
  const std::regex row(R"(^(\d+),(\d+):.*#([0-9A-Fa-f]{6})([0-9A-Fa-f]{2})?\b)");
  std::string line;
  std::smatch m;
  while (std::getline(in, line)) {
    if (!std::regex_search(line, m, row)) continue;
    const int x = std::stoi(m[1]), y = std::stoi(m[2]);
    if (x >= width || y >= height) return false;
    const std::uint32_t rgb = static_cast<std::uint32_t>(std::stoul(m[3], nullptr, 16));
    const std::uint32_t a = m[4].matched ? static_cast<std::uint32_t>(std::stoul(m[4], nullptr, 16)) : 0xFFu;
    pixels[static_cast<std::size_t>(y) * width + x] = a << 24 | rgb;
    seen[static_cast<std::size_t>(y) * width + x] = true;
  }
  for (bool s : seen)
    if (!s) return false;
  return true;
}

TEST(PngWriter, AnIndependentDecoderReadsThePixelsBack) {
  if (std::system("identify -version > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "ImageMagick is not available: the independent check did not run";
  const testing_support::ScratchFolder scratch("vornie-png-");
  // Opaque, half and barely transparent, fully transparent; colours that
  // differ in every channel so that a swapped channel shows.
  TBitmap withAlpha(4, 3);
  const std::uint32_t colors[] = {0xFF102030u, 0x80FF0000u, 0x0100FF00u, 0x00000000u,
                                  0xFF0000FFu, 0xC0FFFFFFu, 0xFF7F3F1Fu, 0x40123456u};
  for (int i = 0; i < 12; ++i) withAlpha.SetPixel(i % 4, i / 4, colors[i % 8]);
  withAlpha.SetPixelFormat(forms::pf32bit);
  TBitmap opaque = withAlpha;
  opaque.SetPixelFormat(forms::pf24bit);  // alpha dropped: every pixel opaque

  struct Case {
    const char* what;
    const TBitmap& bitmap;
  } const cases[] = {{"32 bits", withAlpha}, {"24 bits", opaque}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto file = scratch.path() / (std::string(c.what) + ".png");
    forms::SavePng(c.bitmap, file);
    std::vector<std::uint32_t> pixels;
    ASSERT_TRUE(Decode(file, 4, 3, pixels));
    // A fully transparent pixel's colour is not kept by every decoder.
    std::vector<std::uint32_t> expected = c.bitmap.Pixels();
    for (std::size_t i = 0; i < pixels.size(); ++i)
      if ((expected[i] >> 24) == 0) pixels[i] &= 0xFF000000u, expected[i] = 0;
    EXPECT_EQ(pixels, expected);
  }
}

TEST(PngWriter, AnUnwritablePathFailsNamingThePath) {
  const testing_support::ScratchFolder scratch("vornie-png-");
  const TBitmap bitmap(2, 2, 0xFF00FF00u);
  for (const auto& file : {scratch.path() / "no such folder" / "picture.png", scratch.path()}) {
    SCOPED_TRACE(file.string());
    try {
      forms::SavePng(bitmap, file);
      ADD_FAILURE() << "written";
    } catch (const com::ComError& e) {
      EXPECT_NE(e.message().find(file.wstring()), std::wstring::npos) << "the message does not name the path";
    }
  }
  EXPECT_THROW(forms::SavePng(TBitmap(), scratch.path() / "empty.png"), forms::EInvalidGraphic);
}

}  // namespace
