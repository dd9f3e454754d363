#include "platform/forms/win32/NativeImageList.h"

#include <cstring>
#include <utility>
#include <vector>

#include "platform/com/ComError.h"
#include "platform/forms/TImageList.h"
#include "platform/win/GdiHandles.h"

namespace forms {

namespace {

[[noreturn]] void Fail(const wchar_t* what) {
  const DWORD error = ::GetLastError();
  throw com::ComError(error ? HRESULT_FROM_WIN32(error) : E_FAIL, what);
}

// A top-down 32-bit section with the picture's pixels, alpha as it is (the list blends it).
win::BitmapHandle ColourBitmap(const TBitmap& image) {
  BITMAPINFO info = win::TopDownDibInfo(image.Width(), image.Height());
  void* bits = nullptr;
  win::BitmapHandle section(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!section || !bits) Fail(L"Cannot make an image list picture");
  std::memcpy(bits, image.Pixels().data(), image.Pixels().size() * sizeof(std::uint32_t));
  ::GdiFlush();
  return section;
}

// Monochrome, one bit a pixel with rows padded to 16 bits: set where the picture is fully transparent.
win::BitmapHandle MaskBitmap(const TBitmap& image) {
  const int stride = ((image.Width() + 15) / 16) * 2;
  std::vector<std::uint8_t> rows(static_cast<size_t>(stride) * image.Height(), 0);
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x)
      if ((image.Pixel(x, y) >> 24) == 0) rows[static_cast<size_t>(y) * stride + x / 8] |= 0x80 >> (x % 8);
  win::BitmapHandle mask(::CreateBitmap(image.Width(), image.Height(), 1, 1, rows.data()));
  if (!mask) Fail(L"Cannot make an image list mask");
  return mask;
}

}  // namespace

TNativeImageList::TNativeImageList(const TImageList& images) {
  list_ = ::ImageList_Create(images.Width(), images.Height(), ILC_COLOR32 | ILC_MASK, images.Count(), 4);
  if (!list_) Fail(L"Cannot make an image list");
  for (int i = 0; i < images.Count(); ++i) {
    TBitmap image = images.GetBitmap(i);
    if (image.PixelFormat() != pf32bit) {
      // Only a picture with its own alpha keeps it; any other is opaque.
      image.SetPixelFormat(pf32bit);
      for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) image.SetPixel(x, y, image.Pixel(x, y) | 0xFF000000u);
    }
    const win::BitmapHandle colour = ColourBitmap(image);
    const win::BitmapHandle mask = MaskBitmap(image);
    if (::ImageList_Add(list_, colour.Get(), mask.Get()) < 0) {
      Reset();
      Fail(L"Cannot add a picture to an image list");
    }
  }
}

TNativeImageList::~TNativeImageList() { Reset(); }

TNativeImageList::TNativeImageList(TNativeImageList&& other) noexcept : list_(std::exchange(other.list_, nullptr)) {}

TNativeImageList& TNativeImageList::operator=(TNativeImageList&& other) noexcept {
  if (this != &other) {
    Reset();
    list_ = std::exchange(other.list_, nullptr);
  }
  return *this;
}

void TNativeImageList::Reset() noexcept {
  if (list_) ::ImageList_Destroy(list_);
  list_ = nullptr;
}

}  // namespace forms
