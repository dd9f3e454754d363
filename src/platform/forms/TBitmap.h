// A picture in memory: width x height pixels of 32 bits (0xAARRGGBB, as a
// 32-bit DIB section stores them), top row first. A plain value: copy it to
// keep a picture, compare it to check one.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/forms/Graphics.h"

namespace forms {

class TBitmap {
 public:
  TBitmap() = default;
  // EInvalidOperation for a negative size.
  TBitmap(int width, int height, std::uint32_t fill = 0);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  // Resizes keeping the pixels that stay inside; new pixels are 0. EInvalidOperation when negative.
  void SetSize(int width, int height);

  // EInvalidOperation outside the picture.
  std::uint32_t Pixel(int x, int y) const;
  void SetPixel(int x, int y, std::uint32_t value);
  // Fills the part of the rectangle [left, right) x [top, bottom) inside the picture.
  void FillRect(int left, int top, int right, int bottom, std::uint32_t value);
  // The pixels x..x+width-1 of every row, as a picture of its own (clipped to this one).
  TBitmap Slice(int x, int width) const;

  const std::vector<std::uint32_t>& Pixels() const { return pixels_; }

  bool operator==(const TBitmap&) const = default;

  // 0xFFRRGGBB for a plain 0x00BBGGRR colour; system colours are not resolved here.
  static std::uint32_t FromColor(TColor color);

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;
};

}  // namespace forms
