#include "platform/forms/WindowPicture.h"

#include <string>

#include "platform/win/Gdi.h"
#include "platform/win/Window.h"

namespace forms {

TBitmap WindowPicture(HWND hwnd) {
  RECT rect{};
  if (!hwnd || !win::GetWindowRect(hwnd, &rect)) throw EInvalidGraphic(L"No window to take a picture of");
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0)
    throw EInvalidGraphic(L"The window has no area (" + std::to_wstring(width) + L" x " + std::to_wstring(height) + L")");
  TBitmap picture(width, height, 0);
  {
    TBitmapDC dc(picture, TBitmapDC::kBlank);
    if (!win::PrintWindow(hwnd, dc.Handle(), 0)) {
      dc.Discard();
      throw EInvalidGraphic(L"The window did not print itself");
    }
  }
  return picture;
}

}  // namespace forms
