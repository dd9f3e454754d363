#include "WindowPicture.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include "platform/com/Text.h"

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

template <class T>
void Append(std::vector<unsigned char>& out, const T& value) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
  out.insert(out.end(), bytes, bytes + sizeof value);
}

void WriteBmp(const std::wstring& path, const std::uint32_t* pixels, int width, int height) {
  const std::uint32_t imageBytes = static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(height) * 4;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + imageBytes;
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = -height;  // rows top down, as the DIB section holds them
  info.biPlanes = 1;
  info.biBitCount = 32;
  info.biCompression = BI_RGB;
  info.biSizeImage = imageBytes;
  std::vector<unsigned char> bytes;
  bytes.reserve(file.bfSize);
  Append(bytes, file);
  Append(bytes, info);
  // The fourth byte is unused in BI_RGB, and GDI leaves it 0; readers that
  // take it for alpha would see a transparent picture, so it says opaque.
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  for (std::size_t i = 0; i < count; ++i) Append(bytes, pixels[i] | 0xFF000000u);

  std::unique_ptr<FILE, int (*)(FILE*)> out(_wfopen(path.c_str(), L"wb"), &std::fclose);
  if (!out) throw std::runtime_error("cannot create " + com::ToUtf8(path) + ": " + std::strerror(errno));
  if (std::fwrite(bytes.data(), 1, bytes.size(), out.get()) != bytes.size() || std::fflush(out.get()) != 0)
    throw std::runtime_error("cannot write " + com::ToUtf8(path) + ": " + std::strerror(errno));
  if (std::fclose(out.release()) != 0)
    throw std::runtime_error("cannot write " + com::ToUtf8(path) + ": " + std::strerror(errno));
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
  WriteBmp(path, pixels, width, height);
}

}  // namespace vornie_browser
