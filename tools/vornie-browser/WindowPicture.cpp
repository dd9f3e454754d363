#include "WindowPicture.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <vector>

#include "platform/com/ComError.h"
#include "platform/com/Text.h"
#include "platform/forms/PngWriter.h"
#include "platform/forms/TBitmap.h"

namespace vornie_browser {

namespace {

struct DcDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
using MemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

struct ObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using GdiObject = std::unique_ptr<std::remove_pointer_t<HGDIOBJ>, ObjectDeleter>;

// A window's DC, released to its window.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetWindowDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a DC for the lifetime of the selection.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~Selection() {
    if (old_) SelectObject(dc_, old_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// Whether a rectangle of the pixels holds a picture at all: a window system
// that cannot print a window's client area and children leaves it as the
// bitmap was made, one colour everywhere.
bool HasContent(const std::uint32_t* pixels, int stride, const RECT& area) {
  const std::uint32_t first = pixels[area.top * stride + area.left] & 0xFFFFFF;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if ((pixels[y * stride + x] & 0xFFFFFF) != first) return true;
  return false;
}

// The window's client area within the picture of the whole window.
RECT ClientArea(HWND window, const RECT& bounds) {
  RECT client{};
  POINT origin{0, 0};
  GetClientRect(window, &client);
  ClientToScreen(window, &origin);
  RECT area{origin.x - bounds.left, origin.y - bounds.top, 0, 0};
  area.right = area.left + client.right;
  area.bottom = area.top + client.bottom;
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  if (area.left < 0) area.left = 0;
  if (area.top < 0) area.top = 0;
  if (area.right > width) area.right = width;
  if (area.bottom > height) area.bottom = height;
  // A window without a client area is judged as a whole.
  if (area.right <= area.left || area.bottom <= area.top) area = RECT{0, 0, width, height};
  return area;
}

}  // namespace

void SaveWindowPicture(HWND window, const std::wstring& path) {
  RECT bounds{};
  if (!IsWindow(window) || !GetWindowRect(window, &bounds)) throw std::runtime_error("no window to picture");
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  if (width <= 0 || height <= 0) throw std::runtime_error("the window has no area");

  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = width;
  format.bmiHeader.biHeight = -height;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  GdiObject bitmap(CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
  MemoryDc dc(CreateCompatibleDC(nullptr));
  if (!bitmap || !bits || !dc) throw std::runtime_error("cannot make a bitmap for the picture");
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  {
    Selection selected(dc.get(), bitmap.get());
    const bool printed =
        PrintWindow(window, dc.get(), 0) && (GdiFlush(), HasContent(pixels, width, ClientArea(window, bounds)));
    if (!printed) {
      // What the window shows on the screen now, children included.
      WindowDc source(window);
      if (!source.Get() || !BitBlt(dc.get(), 0, 0, width, height, source.Get(), 0, 0, SRCCOPY))
        throw std::runtime_error("cannot copy the window's pixels");
      GdiFlush();
    }
  }
  try {
    forms::SavePng(forms::TBitmap::FromDrawnPixels(width, height, pixels), std::filesystem::path(path));
  } catch (const com::ComError& e) {
    throw std::runtime_error(com::ToUtf8(e.message()));
  }
}

}  // namespace vornie_browser
