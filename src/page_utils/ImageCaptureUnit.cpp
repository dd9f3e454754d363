#include "page_utils/ImageCaptureUnit.h"

#include <gif_lib.h>

#include <array>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "platform/com/SafeArray.h"
#include "platform/win/GdiHandles.h"

namespace vorn {

namespace {

using forms::EInvalidGraphic;

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    EGifCloseFile(gif, &error);
  }
};
using GifPtr = std::unique_ptr<GifFileType, GifCloser>;

struct MapFreer {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using MapPtr = std::unique_ptr<ColorMapObject, MapFreer>;

struct Output {
  std::vector<std::uint8_t> bytes;
};

int WriteOutput(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<Output*>(gif->UserData);
  try {
    out->bytes.insert(out->bytes.end(), data, data + length);
  } catch (...) {
    return 0;  // the encoder reports a write error
  }
  return length;
}

[[noreturn]] void EncoderFailed(int error) {
  const char* text = GifErrorString(error);
  std::wstring message = L"GIF encoding failed";
  if (text) message += L": " + std::wstring(text, text + std::char_traits<char>::length(text));
  throw EInvalidGraphic(message);
}

// A GIF colour table has 2^n entries: the palette padded with black.
MapPtr MakeMap(const std::vector<std::uint32_t>& colors) {
  int size = 2;
  while (size < static_cast<int>(colors.size())) size *= 2;
  std::vector<GifColorType> entries(static_cast<std::size_t>(size), GifColorType{0, 0, 0});
  for (std::size_t i = 0; i < colors.size(); ++i)
    entries[i] = GifColorType{static_cast<GifByteType>(colors[i] >> 16), static_cast<GifByteType>(colors[i] >> 8),
                              static_cast<GifByteType>(colors[i])};
  MapPtr map(GifMakeMapObject(size, entries.data()));
  if (!map) throw std::bad_alloc();
  return map;
}

// Up to 256 distinct colours of a picture, with each pixel's index among
// them; false as soon as a 257th colour turns up.
bool ExactPalette(const std::vector<std::uint32_t>& pixels, std::vector<std::uint32_t>& colors,
                  std::vector<std::uint8_t>& indexes) {
  constexpr std::uint32_t kSlots = 1024;  // a power of two well above 256: short probes
  std::array<std::uint32_t, kSlots> keys{};
  std::array<std::int16_t, kSlots> values;
  values.fill(-1);
  colors.clear();
  indexes.resize(pixels.size());
  std::uint32_t last = 0;
  std::uint8_t lastIndex = 0;
  bool haveLast = false;
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const std::uint32_t rgb = pixels[i] & 0xFFFFFFu;
    if (haveLast && rgb == last) {
      indexes[i] = lastIndex;
      continue;
    }
    std::uint32_t slot = (rgb * 2654435761u) >> 22;
    while (values[slot] >= 0 && keys[slot] != rgb) slot = (slot + 1) & (kSlots - 1);
    if (values[slot] < 0) {
      if (colors.size() == 256) return false;
      keys[slot] = rgb;
      values[slot] = static_cast<std::int16_t>(colors.size());
      colors.push_back(rgb);
    }
    haveLast = true;
    last = rgb;
    lastIndex = static_cast<std::uint8_t>(values[slot]);
    indexes[i] = lastIndex;
  }
  return true;
}

// Median cut over the whole picture (the GIF library's quantizer).
void Quantize(const forms::TBitmap& bitmap, std::vector<std::uint32_t>& colors, std::vector<std::uint8_t>& indexes) {
  const std::size_t n = bitmap.Pixels().size();
  std::vector<GifByteType> red(n), green(n), blue(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t p = bitmap.Pixels()[i];
    red[i] = static_cast<GifByteType>(p >> 16);
    green[i] = static_cast<GifByteType>(p >> 8);
    blue[i] = static_cast<GifByteType>(p);
  }
  indexes.resize(n);
  int size = 256;
  std::vector<GifColorType> map(256);
  if (GifQuantizeBuffer(static_cast<unsigned>(bitmap.Width()), static_cast<unsigned>(bitmap.Height()), &size,
                        red.data(), green.data(), blue.data(), indexes.data(), map.data()) != GIF_OK)
    throw EInvalidGraphic(L"Colour reduction failed");
  colors.clear();
  for (int i = 0; i < size && i < 256; ++i)
    colors.push_back(static_cast<std::uint32_t>(map[static_cast<std::size_t>(i)].Red) << 16 |
                     static_cast<std::uint32_t>(map[static_cast<std::size_t>(i)].Green) << 8 |
                     map[static_cast<std::size_t>(i)].Blue);
}

// A 32-bit drawing: a DIB section in a memory DC of its own, read by a
// stretch or taken as the picture, without a picture's pixel copy beside it
// while the page is drawn.
class DrawingSurface {
 public:
  DrawingSurface(LONG width, LONG height) : dc_(win::CreateCompatibleDC(nullptr)) {
    if (!dc_) throw EInvalidGraphic(L"No room to draw the page");
    BITMAPINFO info = win::TopDownDibInfo(width, height);
    void* bits = nullptr;
    bitmap_ = win::BitmapHandle(win::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap_ || !bits || !selection_.Select(dc_.Get(), bitmap_.Get()))
      throw EInvalidGraphic(L"No room to draw the page");
    bits_ = static_cast<const std::uint32_t*>(bits);
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
  }
  HDC Handle() const { return dc_.Get(); }
  // What was drawn, as a picture of its own.
  forms::TBitmap Picture() const {
    win::GdiFlush();
    return forms::TBitmap::FromDrawnPixels(width_, height_, bits_);
  }

 private:
  // In this order: the section leaves the DC before either is deleted.
  win::DcHandle dc_;
  win::BitmapHandle bitmap_;
  win::SelectedObject selection_;
  const std::uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace

std::int64_t ScaledSide(LONG side, LONG scale) {
  const std::int64_t product = static_cast<std::int64_t>(side) * scale;
  std::int64_t q = product / 100, r = product % 100;
  if (r < 0) {  // floor division, so that the rule below holds for negatives too
    r += 100;
    --q;
  }
  if (r > 50 || (r == 50 && (q & 1))) ++q;
  return q;
}

forms::TPixelFormat PixelFormatOfCode(LONG Format) {
  const int code = Format & 0xFF;
  if (code > 7) throw EInvalidGraphic(L"Invalid pixel format");
  static constexpr forms::TPixelFormat kFormats[] = {forms::pfDevice, forms::pf1bit,  forms::pf4bit,
                                                     forms::pf8bit,   forms::pf15bit, forms::pf16bit,
                                                     forms::pf24bit,  forms::pf32bit};
  return kFormats[code];
}

std::vector<std::uint8_t> EncodeGif(const forms::TBitmap& bitmap) {
  if (bitmap.Empty()) throw EInvalidGraphic(L"Cannot encode an empty picture");
  std::vector<std::uint32_t> colors;
  std::vector<std::uint8_t> found;  // the indexes of a picture without a palette
  const std::vector<std::uint8_t>* indexes = &bitmap.PaletteIndexes();
  if (!indexes->empty()) {
    colors = bitmap.Palette();
  } else {
    if (!ExactPalette(bitmap.Pixels(), colors, found)) Quantize(bitmap, colors, found);
    indexes = &found;
  }
  MapPtr map = MakeMap(colors);

  Output out;
  out.bytes.reserve(bitmap.Pixels().size() / 8 + 1024);
  int error = 0;
  GifPtr gif(EGifOpen(&out, WriteOutput, &error));
  if (!gif) EncoderFailed(error);
  if (EGifPutScreenDesc(gif.get(), bitmap.Width(), bitmap.Height(), 8, 0, map.get()) != GIF_OK ||
      EGifPutImageDesc(gif.get(), 0, 0, bitmap.Width(), bitmap.Height(), false, nullptr) != GIF_OK)
    EncoderFailed(gif->Error);
  for (int y = 0; y < bitmap.Height(); ++y)
    // The encoder takes its lines as writable: it masks them to the map's depth, which leaves
    // indexes into the map as they are.
    if (EGifPutLine(gif.get(), const_cast<GifByteType*>(indexes->data()) + static_cast<std::size_t>(y) * bitmap.Width(),
                    bitmap.Width()) !=
        GIF_OK)
      EncoderFailed(gif->Error);
  // Closing writes the trailer; the file image is complete only if that works.
  if (EGifCloseFile(gif.release(), &error) != GIF_OK) EncoderFailed(error);
  return std::move(out.bytes);
}

forms::TBitmap RenderPicture(IViewObject* View, LONG Width, LONG Height, LONG Scale) {
  try {
    const RECTL bounds{0, 0, Width, Height};
    auto draw = [&](HDC dc) {
      if (View) View->Draw(DVASPECT_CONTENT, 1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0);
    };
    const std::int64_t width = ScaledSide(Width, Scale), height = ScaledSide(Height, Scale);
    const bool fits = Width > 0 && Height > 0 && Width <= forms::TBitmap::kMaxSide &&
                      Height <= forms::TBitmap::kMaxSide &&
                      static_cast<std::uint64_t>(Width) * static_cast<std::uint64_t>(Height) * 4 <=
                          forms::TBitmap::kMaxPixelBytes;
    const bool scaledFits = width > 0 && height > 0 && width <= forms::TBitmap::kMaxSide &&
                            height <= forms::TBitmap::kMaxSide &&
                            static_cast<std::uint64_t>(width * height) * 4 <= forms::TBitmap::kMaxPixelBytes;
    forms::TBitmap picture;
    if (fits && Scale >= 0 && scaledFits && (width != Width || height != Height)) {
      // Drawn at window size, then shrunk or grown into the picture with halftone averaging.
      DrawingSurface full(Width, Height);
      draw(full.Handle());
      picture = forms::TBitmap(static_cast<int>(width), static_cast<int>(height));
      forms::TBitmapDC target(picture, forms::TBitmapDC::kBlank);
      win::SetStretchBltMode(target.Handle(), HALFTONE);
      win::SetBrushOrgEx(target.Handle(), 0, 0, nullptr);
      if (!win::StretchBlt(target.Handle(), 0, 0, static_cast<int>(width), static_cast<int>(height), full.Handle(), 0,
                           0, Width, Height, SRCCOPY)) {
        target.Discard();
        return {};
      }
    } else {
      // At 100 % the halftone copy would give the same pixels: the drawing is the picture.
      if (!fits || Scale < 0 || !scaledFits || width != Width || height != Height) return {};
      DrawingSurface full(Width, Height);
      draw(full.Handle());
      picture = full.Picture();
    }
    return picture;
  } catch (...) {
    return {};
  }
}

void CapturePicture(IViewObject* View, LONG Width, LONG Height, LONG Scale, LONG Format, com::Variant& Data) {
  Data.Clear();
  try {
    forms::TBitmap picture = RenderPicture(View, Width, Height, Scale);
    if (picture.Empty()) return;
    picture.SetPixelFormat(PixelFormatOfCode(Format));
    const std::vector<std::uint8_t> gif = EncodeGif(picture);
    Data = com::SafeArray::FromBytes(gif).IntoVariant();
  } catch (...) {
    Data.Clear();
  }
}

}  // namespace vorn
