// Reads Windows BMP file images: a BITMAPFILEHEADER, then an OS/2 core,
// BITMAPINFOHEADER, V4 or V5 header; 1, 4, 8, 16, 24 or 32 bits per pixel,
// BI_RGB, BI_BITFIELDS, BI_RLE8 or BI_RLE4, bottom-up or top-down. Truncated,
// inconsistent and oversized files (beyond kMaxPictureSide on a side or
// kMaxPicturePixelBytes of 32-bit pixels) are refused.
//
// Alpha: a 32-bit file with an alpha mask gives its alpha; a plain 32-bit
// (BI_RGB) file gives the fourth byte of each pixel as alpha when any pixel's
// fourth byte is not 0 (the form of alpha-aware image lists and of pictures
// with alpha written as BI_RGB), and opaque pixels when all are 0 (writers
// that leave the byte unused). Every other file is opaque.
//
// Both the form toolkit (TBitmap) and the portable system's LoadImageW read
// files through this one reader, so it raises nothing and needs nothing but
// the standard library: it answers the reason of a failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace forms {

inline constexpr int kMaxPictureSide = 16384;
inline constexpr std::uint64_t kMaxPicturePixelBytes = 256ull * 1024 * 1024;

struct BmpPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0xAARRGGBB, top row first, rows of `width`
  int bitCount = 0;                   // the file's bits per pixel
  int colorBits[3] = {0, 0, 0};       // 16 and 32 bits: widths of the red, green and blue fields
  bool topDown = false;               // the file stores its top row first
  bool hasAlpha = false;              // the pixels' alpha comes from the file (see above)
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB colours of a 1, 4 or 8-bit file
};

// Reads the file image into `out`. Answers null when it could, else the
// reason ("truncated header"), leaving `out` as it was.
const wchar_t* ReadBmp(const std::uint8_t* data, std::size_t size, BmpPicture& out);

// An n-bit field widened to 8 bits by repeating its bits, as GDI reads 5 and 6-bit fields.
std::uint32_t WidenBits(std::uint32_t value, int n);

}  // namespace forms
