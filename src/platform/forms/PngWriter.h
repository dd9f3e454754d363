// Writes pictures as PNG files: 8 bits per channel, red, green, blue and
// alpha. A 32-bit bitmap (pf32bit) keeps its alpha; a bitmap of any other
// pixel format is written opaque, as its pixels are read (see TBitmap.h).
#pragma once

#include <filesystem>

#include "platform/forms/TBitmap.h"

namespace forms {

// Replaces the file. EInvalidGraphic for an empty bitmap or one the encoder
// cannot take; com::ComError naming the path when the file cannot be written
// (nothing is left behind where writing fails halfway).
void SavePng(const TBitmap& bitmap, const std::filesystem::path& file);

}  // namespace forms
