// BMP file images from anywhere (the server hands them out): reading must
// either give a picture or refuse with EInvalidGraphic, and every picture read
// must survive conversion to each pixel format.
#include <cstddef>
#include <cstdint>

#include "platform/forms/TBitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  forms::TBitmap bitmap(2, 2, 0x123456);
  const forms::TBitmap before = bitmap;
  try {
    bitmap.LoadFromBytes(data, size);
  } catch (const forms::EInvalidGraphic&) {
    if (!(bitmap == before)) __builtin_trap();  // a refused file must leave the bitmap alone
    return 0;
  }
  if (bitmap.Pixels().size() != static_cast<std::size_t>(bitmap.Width()) * bitmap.Height()) __builtin_trap();
  // Run-length files describe large pictures in few bytes; converting those
  // would only measure memory bandwidth.
  if (bitmap.Pixels().size() > (1u << 20)) return 0;
  for (int f = forms::pfDevice; f <= forms::pf32bit; ++f) {
    forms::TBitmap converted = bitmap;
    converted.SetPixelFormat(static_cast<forms::TPixelFormat>(f));
    const auto indexes = converted.PaletteIndexes();
    for (std::uint8_t i : indexes)
      if (i >= converted.Palette().size()) __builtin_trap();
  }
  return 0;
}
