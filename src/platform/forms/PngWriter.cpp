#include "platform/forms/PngWriter.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

// The encoder's functions stay inside this file; it writes to memory only.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace forms {

namespace {

void Append(void* context, void* data, int size) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(context);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  out->insert(out->end(), bytes, bytes + size);
}

[[noreturn]] void CannotWrite(const std::filesystem::path& file) {
  throw com::ComError(E_FAIL, L"Cannot write the PNG file " + file.wstring());
}

}  // namespace

void SavePng(const TBitmap& bitmap, const std::filesystem::path& file) {
  if (bitmap.Empty()) throw EInvalidGraphic(L"An empty bitmap has no PNG picture");
  const bool alpha = bitmap.PixelFormat() == pf32bit;
  std::vector<std::uint8_t> rgba;
  rgba.reserve(bitmap.Pixels().size() * 4);
  for (std::uint32_t p : bitmap.Pixels()) {
    rgba.push_back(static_cast<std::uint8_t>(p >> 16));
    rgba.push_back(static_cast<std::uint8_t>(p >> 8));
    rgba.push_back(static_cast<std::uint8_t>(p));
    rgba.push_back(alpha ? static_cast<std::uint8_t>(p >> 24) : 0xFF);
  }
  std::vector<std::uint8_t> png;
  if (!stbi_write_png_to_func(Append, &png, bitmap.Width(), bitmap.Height(), 4, rgba.data(), bitmap.Width() * 4))
    throw EInvalidGraphic(L"Cannot encode a PNG picture of " + std::to_wstring(bitmap.Width()) + L" x " +
                          std::to_wstring(bitmap.Height()));
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) CannotWrite(file);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    out.close();
    if (out) return;
  }
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
  CannotWrite(file);
}

}  // namespace forms
