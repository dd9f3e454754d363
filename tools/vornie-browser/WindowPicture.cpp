#include "WindowPicture.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <stdexcept>

#include "platform/com/ComError.h"
#include "platform/com/Text.h"
#include "platform/forms/PngWriter.h"
#include "platform/forms/TBitmap.h"
#include "platform/forms/WindowPicture.h"
#include "platform/win/Gdi.h"

namespace vornie_browser {

namespace {

// A window's DC, released to its window.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(win::GetWindowDC(window)) {}
  ~WindowDc() {
    if (dc_) win::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Whether a rectangle of the picture holds anything at all: a window system
// that cannot print a window's foreign children (the band rows) leaves the
// client area one colour.
bool HasContent(const forms::TBitmap& picture, const RECT& area) {
  const std::uint32_t first = picture.Pixel(area.left, area.top) & 0xFFFFFF;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if ((picture.Pixel(x, y) & 0xFFFFFF) != first) return true;
  return false;
}

// The window's client area within the picture of the whole window.
RECT ClientArea(HWND window, const RECT& bounds) {
  RECT client{};
  POINT origin{0, 0};
  win::GetClientRect(window, &client);
  win::ClientToScreen(window, &origin);
  const LONG width = bounds.right - bounds.left;
  const LONG height = bounds.bottom - bounds.top;
  RECT area{std::max<LONG>(origin.x - bounds.left, 0), std::max<LONG>(origin.y - bounds.top, 0), 0, 0};
  area.right = std::min<LONG>(origin.x - bounds.left + client.right, width);
  area.bottom = std::min<LONG>(origin.y - bounds.top + client.bottom, height);
  // A window without a client area is judged as a whole.
  if (area.right <= area.left || area.bottom <= area.top) area = RECT{0, 0, width, height};
  return area;
}

// What the window shows on the screen now, children included.
forms::TBitmap ScreenPixels(HWND window, const RECT& bounds) {
  forms::TBitmap picture(bounds.right - bounds.left, bounds.bottom - bounds.top);
  {
    // The pixels come back into the picture when the DC goes.
    forms::TBitmapDC dc(picture, forms::TBitmapDC::kBlank);
    WindowDc source(window);
    if (!source.Get() ||
        !win::BitBlt(dc.Handle(), 0, 0, picture.Width(), picture.Height(), source.Get(), 0, 0, SRCCOPY)) {
      dc.Discard();
      throw std::runtime_error("cannot copy the window's pixels");
    }
  }
  return picture;
}

}  // namespace

void SaveWindowPicture(HWND window, const std::wstring& path) {
  RECT bounds{};
  if (!win::IsWindow(window) || !win::GetWindowRect(window, &bounds)) throw std::runtime_error("no window to picture");
  try {
    forms::TBitmap picture = forms::WindowPicture(window);
    if (!HasContent(picture, ClientArea(window, bounds))) picture = ScreenPixels(window, bounds);
    forms::SavePng(picture, std::filesystem::path(path));
  } catch (const com::ComError& e) {
    throw std::runtime_error(com::ToUtf8(e.message()));
  }
}

}  // namespace vornie_browser
