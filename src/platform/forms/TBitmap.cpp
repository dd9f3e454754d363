#include "platform/forms/TBitmap.h"

#include <algorithm>
#include <string>

#include "platform/forms/FormsErrors.h"

namespace forms {

namespace {

void CheckSize(int width, int height) {
  if (width < 0 || height < 0)
    throw EInvalidOperation(L"Invalid bitmap size " + std::to_wstring(width) + L" x " + std::to_wstring(height));
}

}  // namespace

TBitmap::TBitmap(int width, int height, std::uint32_t fill) {
  CheckSize(width, height);
  width_ = width;
  height_ = height;
  pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), fill);
}

void TBitmap::SetSize(int width, int height) {
  CheckSize(width, height);
  std::vector<std::uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  for (int y = 0; y < std::min(height, height_); ++y)
    for (int x = 0; x < std::min(width, width_); ++x)
      pixels[static_cast<size_t>(y) * width + x] = pixels_[static_cast<size_t>(y) * width_ + x];
  pixels_ = std::move(pixels);
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
}

void TBitmap::FillRect(int left, int top, int right, int bottom, std::uint32_t value) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, width_);
  bottom = std::min(bottom, height_);
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

}  // namespace forms
