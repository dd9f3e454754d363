// A picture of a window as it shows on the screen, frame and children
// included, saved to a file. The one place that knows the file format.
#pragma once

#include "platform/win/Window.h"

#include <string>

namespace vornie_browser {

// Saves the window as a PNG picture. Throws std::runtime_error naming what failed.
void SaveWindowPicture(HWND window, const std::wstring& path);

}  // namespace vornie_browser
