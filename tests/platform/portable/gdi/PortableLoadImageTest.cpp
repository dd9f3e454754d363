// The portable LoadImageW: a module's bitmaps are files in resources/ beside
// it, found from either form of instance handle, and read into DIB sections
// that keep the file's rows, depth and alpha as Windows' sections do.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/forms/TBitmap.h"
#include "platform/portable/gdi/GdiControl.h"
#include "platform/win/GdiHandles.h"
#include "platform/win/Resources.h"
#include "support/BuiltModule.h"
#include "support/ScratchFolder.h"

namespace {

using forms::TBitmap;

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A BMP file with a 40-byte header, BI_RGB, of `bpp` 24 or 32 bits; 32-bit
// pixels keep their top byte as the fourth byte.
std::vector<std::uint8_t> Bmp(int width, int height, int bpp, bool topDown, const std::vector<std::uint32_t>& pixels) {
  const std::size_t rowBytes = ((static_cast<std::size_t>(width) * bpp + 31) / 32) * 4;
  std::vector<std::uint8_t> out(54 + rowBytes * height, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, static_cast<std::uint32_t>(out.size()));
  Put32(out, 10, 54);
  Put32(out, 14, 40);
  Put32(out, 18, static_cast<std::uint32_t>(width));
  Put32(out, 22, static_cast<std::uint32_t>(topDown ? -height : height));
  Put32(out, 26, 1u | static_cast<std::uint32_t>(bpp) << 16);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = out.data() + 54 + rowBytes * (topDown ? y : height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t v = pixels[static_cast<std::size_t>(y) * width + x];
      for (int b = 0; b < bpp / 8; ++b) row[x * (bpp / 8) + b] = static_cast<std::uint8_t>(v >> (8 * b));
    }
  }
  return out;
}

std::filesystem::path Write(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
  return file;
}

HBITMAP LoadFile(const std::filesystem::path& file, UINT flags = LR_CREATEDIBSECTION | LR_LOADFROMFILE) {
  return static_cast<HBITMAP>(win::LoadImageW(nullptr, file.wstring().c_str(), IMAGE_BITMAP, 0, 0, flags));
}

DIBSECTION Describe(HBITMAP section) {
  DIBSECTION ds{};
  EXPECT_EQ(win::GetObjectW(section, sizeof ds, &ds), static_cast<int>(sizeof ds));
  return ds;
}

const std::vector<std::uint32_t> kAlphaPixels = {0xFF102030u, 0x80FF0000u, 0x00000000u,
                                                 0x4000FF00u, 0xFFFFFFFFu, 0x010000FFu};

TEST(PortableLoadImage, SectionsKeepTheFilesRowsDepthAndAlpha) {
  const testing_support::ScratchFolder scratch("vornie-loadimage-");
  struct Case {
    int bpp;
    bool topDown;
    std::vector<std::uint32_t> pixels;
    std::vector<std::uint32_t> expected;  // as TBitmap reads the section back
    std::uint8_t fourthByteOfFirst;       // in the section's bits
  } const cases[] = {
      {32, false, kAlphaPixels, kAlphaPixels, 0xFF},
      {32, true, kAlphaPixels, kAlphaPixels, 0xFF},
      // No alpha anywhere: the section's fourth bytes stay 0 and read as opaque.
      {32, false, {0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x010203},
       {0xFF102030u, 0xFF405060u, 0xFF708090u, 0xFFA0B0C0u, 0xFFD0E0F0u, 0xFF010203u}, 0x00},
      {24, true, {0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x010203},
       {0xFF102030u, 0xFF405060u, 0xFF708090u, 0xFFA0B0C0u, 0xFFD0E0F0u, 0xFF010203u}, 0x10},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bpp << " bits, top-down " << c.topDown);
    const auto file = Write(scratch.path() / ("picture" + std::to_string(n++) + ".bmp"),
                            Bmp(3, 2, c.bpp, c.topDown, c.pixels));
    const win::BitmapHandle section(LoadFile(file));
    ASSERT_TRUE(section) << win::GetLastError();
    const DIBSECTION ds = Describe(section.Get());
    EXPECT_EQ(ds.dsBmih.biBitCount, c.bpp);
    EXPECT_EQ(ds.dsBmih.biHeight, c.topDown ? -2 : 2);
    // The first pixel of the top row, where the file's order puts it.
    const auto* bits = static_cast<const std::uint8_t*>(ds.dsBm.bmBits);
    const std::size_t rowBytes = ((3u * c.bpp + 31) / 32) * 4;
    const std::uint8_t* top = bits + (c.topDown ? 0 : rowBytes);
    EXPECT_EQ(top[c.bpp == 32 ? 3 : 2], c.fourthByteOfFirst);
    const TBitmap read = TBitmap::FromDibSection(section.Get());
    EXPECT_EQ(read.Pixels(), c.expected);
  }
}

TEST(PortableLoadImage, RefusalsNameTheirReasonAndLeaveNothingBehind) {
  const testing_support::ScratchFolder scratch("vornie-loadimage-");
  const auto good = Write(scratch.path() / "good.bmp", Bmp(3, 2, 32, false, kAlphaPixels));
  auto truncatedBytes = Bmp(3, 2, 32, false, kAlphaPixels);
  truncatedBytes.resize(truncatedBytes.size() - 5);
  const auto truncated = Write(scratch.path() / "truncated.bmp", truncatedBytes);
  const std::wstring goodName = good.wstring(), truncatedName = truncated.wstring(),
                     missingName = (scratch.path() / "missing.bmp").wstring();
  const testing_support::BuiltModule module(VORN_MODULE_PATH);
  ASSERT_NE(module.Instance(), nullptr);
  const auto heap = std::make_unique<int>(0);
  // A library the system keeps in a folder without resources/.
  auto* systemLibrary = reinterpret_cast<HINSTANCE>(reinterpret_cast<std::uintptr_t>(&std::strlen));

  struct Case {
    const char* what;
    HINSTANCE instance;
    LPCWSTR name;
    UINT type;
    int cx, cy;
    UINT flags;
    DWORD error;
  } const cases[] = {
      {"an icon", nullptr, goodName.c_str(), 1, 0, 0, LR_CREATEDIBSECTION | LR_LOADFROMFILE, ERROR_INVALID_PARAMETER},
      {"a device bitmap", nullptr, goodName.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE, ERROR_INVALID_PARAMETER},
      {"another flag", nullptr, goodName.c_str(), IMAGE_BITMAP, 0, 0,
       LR_CREATEDIBSECTION | LR_LOADFROMFILE | 0x20, ERROR_INVALID_PARAMETER},
      {"a stretched size", nullptr, goodName.c_str(), IMAGE_BITMAP, 6, 4, LR_CREATEDIBSECTION | LR_LOADFROMFILE,
       ERROR_INVALID_PARAMETER},
      {"no name", module.Instance(), nullptr, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION, ERROR_INVALID_PARAMETER},
      {"a missing file", nullptr, missingName.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_LOADFROMFILE,
       ERROR_FILE_NOT_FOUND},
      {"a truncated file", nullptr, truncatedName.c_str(), IMAGE_BITMAP, 0, 0,
       LR_CREATEDIBSECTION | LR_LOADFROMFILE, ERROR_INVALID_DATA},
      {"no instance", nullptr, L"MAINTOOLBAR", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION, ERROR_INVALID_HANDLE},
      {"an address outside every module", reinterpret_cast<HINSTANCE>(heap.get()), L"MAINTOOLBAR", IMAGE_BITMAP, 0,
       0, LR_CREATEDIBSECTION, ERROR_INVALID_HANDLE},
      {"a module without bitmaps", systemLibrary, L"MAINTOOLBAR", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION,
       ERROR_RESOURCE_TYPE_NOT_FOUND},
      {"an unknown name", module.Instance(), L"MAINTOOLBARS", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION,
       ERROR_RESOURCE_NAME_NOT_FOUND},
      {"a numeric identifier", module.Instance(), reinterpret_cast<LPCWSTR>(std::uintptr_t{1}), IMAGE_BITMAP, 0, 0,
       LR_CREATEDIBSECTION, ERROR_RESOURCE_NAME_NOT_FOUND},
  };
  const std::size_t live = win::gdi::LiveObjectCount();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    win::SetLastError(0);
    EXPECT_EQ(win::LoadImageW(c.instance, c.name, c.type, c.cx, c.cy, c.flags), nullptr);
    EXPECT_EQ(win::GetLastError(), c.error);
  }
  // A section GDI cannot fill is given back.
  for (auto failure : {win::gdi::DibSectionFailure::kNoSection, win::gdi::DibSectionFailure::kNoBits}) {
    const win::gdi::ScopedDibSectionFailure failing(failure);
    EXPECT_EQ(LoadFile(good), nullptr);
    EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  }
  EXPECT_EQ(win::gdi::LiveObjectCount(), live);
  // The size asked for, when it is the picture's own, is no stretching.
  const win::BitmapHandle same(static_cast<HBITMAP>(
      win::LoadImageW(nullptr, goodName.c_str(), IMAGE_BITMAP, 3, 2, LR_CREATEDIBSECTION | LR_LOADFROMFILE)));
  EXPECT_TRUE(same);
}

TEST(PortableLoadImage, EitherInstanceFormFindsTheModulesFilesInTheBuildTree) {
  const testing_support::BuiltModule module(VORN_MODULE_PATH);
  ASSERT_NE(module.Instance(), nullptr);
  // The converted strip as a file of the build tree, beside the module.
  const auto file = std::filesystem::path(module.Path()).parent_path() / "resources" / "MainToolbar.bmp";
  std::ifstream in(file, std::ios::binary);
  ASSERT_TRUE(in) << file;
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  TBitmap fromFile;
  fromFile.LoadFromBytes(bytes);
  ASSERT_EQ(fromFile.Width(), 24 * 16);

  // LoadLibraryW's handle, and an address inside the module (as the module's
  // own code names itself).
  auto* inside = reinterpret_cast<HINSTANCE>(win::GetProcAddress(module.Instance(), "DllCanUnloadNow"));
  ASSERT_NE(inside, nullptr);
  for (HINSTANCE instance : {module.Instance(), inside}) {
    const win::BitmapHandle section(
        static_cast<HBITMAP>(win::LoadImageW(instance, L"MainToolbar", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ASSERT_TRUE(section) << win::GetLastError();
    EXPECT_EQ(TBitmap::FromDibSection(section.Get()).Pixels(), fromFile.Pixels());
  }
}

}  // namespace
