// A picture in memory: width x height pixels of 32 bits (0xAARRGGBB, as a
// 32-bit DIB section stores them), top row first. A plain value: copy it to
// keep a picture, compare it to check one.
//
// A pixel format says which colours the pixels may take; changing it converts
// them (nearest colour by squared RGB distance, ties to the lowest palette
// index, no dithering: the same picture always gives the same pixels):
//   pfDevice, pf32bit  pixels as they are (pf32bit keeps the alpha byte);
//   pf24bit            alpha dropped (pixels become opaque);
//   pf16bit, pf15bit   channels cut to 5-6-5 or 5-5-5 bits (the low bits
//                      dropped, as GDI stores them) and read back with their
//                      bits repeated (as GDI reads them);
//   pf8bit             the 256-colour halftone palette (HalftonePalette);
//   pf4bit             the 16-colour system palette (SystemPalette16);
//   pf1bit             black and white.
// A bitmap loaded from a BMP file of 1, 4 or 8 bits keeps the file's palette.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/com/Stream.h"
#include "platform/forms/BmpReader.h"
#include "platform/forms/FormsErrors.h"
#include "platform/forms/Graphics.h"
#include "platform/win/GdiHandles.h"

namespace forms {

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };

// Picture data that cannot be read, or a picture that cannot be made.
class EInvalidGraphic : public com::ComError {
 public:
  explicit EInvalidGraphic(const std::wstring& message) : com::ComError(E_FAIL, message) {}
};

class TBitmap {
 public:
  // The largest picture a file may describe or a caller may ask for.
  static constexpr int kMaxSide = kMaxPictureSide;
  static constexpr std::uint64_t kMaxPixelBytes = kMaxPicturePixelBytes;

  TBitmap() = default;
  // EInvalidOperation for a negative size.
  TBitmap(int width, int height, std::uint32_t fill = 0);

  // The pixels of a top-down 32-bit DIB that GDI drew, rows of `width`
  // without padding; GDI leaves the alpha byte 0, so they are made opaque
  // (pfDevice). Sizes as for the constructor.
  static TBitmap FromDrawnPixels(int width, int height, const std::uint32_t* bits);

  // The pixels of a 24 or 32-bit DIB section (LoadImageW's LR_CREATEDIBSECTION
  // bitmaps, CreateDIBSection's), bottom-up or top-down, BI_RGB or the
  // standard BI_BITFIELDS masks; the pixel format is the section's depth. A
  // 32-bit section keeps its alpha unless every alpha byte is 0, as GDI leaves
  // them when it draws: its pixels are then opaque. EInvalidGraphic for any
  // other bitmap.
  static TBitmap FromDibSection(HBITMAP section);

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
  // The pixels x..x+width-1 of every row, as a picture of its own (clipped to
  // this one) in the same pixel format.
  TBitmap Slice(int x, int width) const;

  const std::vector<std::uint32_t>& Pixels() const { return pixels_; }

  TPixelFormat PixelFormat() const { return format_; }
  // Converts the pixels to the format (see above); EInvalidGraphic for a value outside the enumeration.
  void SetPixelFormat(TPixelFormat format);
  // The colours (0x00RRGGBB) of a 1, 4 or 8-bit bitmap; empty for deeper formats.
  const std::vector<std::uint32_t>& Palette() const { return palette_; }
  // For a 1, 4 or 8-bit bitmap, each pixel's index in Palette() (the nearest
  // colour for a pixel drawn since), row by row; empty for deeper formats.
  const std::vector<std::uint8_t>& PaletteIndexes() const;

  // Reads a Windows BMP file image as BmpReader.h describes (its alpha
  // included). A truncated, inconsistent or oversized file raises
  // EInvalidGraphic and leaves the bitmap as it was. The pixel format becomes
  // the file's depth (16 bits: pf15bit or pf16bit by its masks; other masks:
  // pf32bit).
  void LoadFromBytes(const std::uint8_t* data, std::size_t size);
  void LoadFromBytes(const std::vector<std::uint8_t>& data) { LoadFromBytes(data.data(), data.size()); }
  // Reads the stream to its end, then as LoadFromBytes; a failing Read raises EInvalidGraphic.
  void LoadFromStream(IStream* stream);

  bool operator==(const TBitmap&) const = default;

  // 0xFFRRGGBB for a plain 0x00BBGGRR colour; system colours are not resolved here.
  static std::uint32_t FromColor(TColor color);
  // 0x00RRGGBB colours, 16 and 256 entries.
  static const std::vector<std::uint32_t>& SystemPalette16();
  static const std::vector<std::uint32_t>& HalftonePalette();

 private:
  friend class TBitmapDC;
  // Brings every pixel into the current format (after drawing or loading).
  void Conform();

  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;
  TPixelFormat format_ = pfDevice;
  std::vector<std::uint32_t> palette_;
  // Of a 1, 4 or 8-bit bitmap, each pixel's index as the last conversion or
  // search found it; empty once a pixel has changed since.
  mutable std::vector<std::uint8_t> indexes_;
};

// Lends a bitmap to GDI: a memory DC holding a 32-bit top-down DIB section
// with a copy of the pixels. What is drawn comes back into the bitmap when the
// DC goes (brought into the bitmap's pixel format; opaque unless pf32bit).
// EInvalidGraphic when GDI cannot make the DC or the section.
class TBitmapDC {
 public:
  // kBlank: the DC starts black instead of with a copy of the pixels, for
  // callers that are about to cover them anyway.
  enum Start { kCopy, kBlank };
  explicit TBitmapDC(TBitmap& bitmap, Start start = kCopy);
  ~TBitmapDC();
  TBitmapDC(const TBitmapDC&) = delete;
  TBitmapDC& operator=(const TBitmapDC&) = delete;

  HDC Handle() const { return dc_.Get(); }
  // What was drawn is dropped: the bitmap keeps the pixels it had.
  void Discard() { discard_ = true; }

 private:
  TBitmap& bitmap_;
  win::DcHandle dc_;
  win::BitmapHandle section_;
  win::SelectedObject selection_;
  std::uint32_t* bits_ = nullptr;
  bool discard_ = false;
};

}  // namespace forms
