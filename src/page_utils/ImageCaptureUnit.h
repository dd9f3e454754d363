// Pictures of pages: a document's view drawn into a bitmap, scaled, brought
// to a colour depth and encoded as a GIF file image in memory.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/browser/ViewObject.h"
#include "platform/com/Variant.h"
#include "platform/forms/TBitmap.h"

namespace vorn {

// Renders View at Width x Height, scales both sides by Scale percent (halves
// to even) with halftone stretching, converts to the depth code's pixel
// format (low byte of Format) and encodes a GIF. Data becomes a VT_ARRAY|VT_UI1
// vector (bounds 0..size-1) holding the file image, or stays empty when no
// picture results: an empty window, a negative scale, a scaled size of zero,
// beyond forms::TBitmap::kMaxSide on a side or kMaxPixelBytes of pixels, an
// unknown depth code, any failure of drawing or encoding. Never throws.
void CapturePicture(IViewObject* View, LONG Width, LONG Height, LONG Scale, LONG Format, com::Variant& Data);

// The picture CapturePicture encodes, before the depth conversion: View drawn
// at Width x Height and scaled by Scale percent. Empty in every case where
// CapturePicture gives no picture. Never throws.
forms::TBitmap RenderPicture(IViewObject* View, LONG Width, LONG Height, LONG Scale);

// The pixel format of a depth code (its low byte): 0 device, 1 1-bit, 2 4-bit,
// 3 8-bit, 4 15-bit, 5 16-bit, 6 24-bit, 7 32-bit. forms::EInvalidGraphic
// "Invalid pixel format" for any other.
forms::TPixelFormat PixelFormatOfCode(LONG Format);

// side / 100 * scale rounded to the nearest integer, halves to even (exact).
std::int64_t ScaledSide(LONG side, LONG scale);

// The bitmap as a GIF file image. Bitmaps of 1, 4 and 8 bits keep their
// palette; deeper ones keep their colours when there are at most 256 of them,
// else are reduced to 256 by median cut. forms::EInvalidGraphic when the
// bitmap is empty or the encoder fails.
std::vector<std::uint8_t> EncodeGif(const forms::TBitmap& bitmap);

}  // namespace vorn
