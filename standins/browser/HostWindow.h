// A browser frame window with a child that plays the band site's window,
// where the browser would put its toolbar row.
#pragma once

#include <string>

#include "platform/win/Window.h"

namespace standins {

class HostWindow {
 public:
  HostWindow(const std::wstring& title, int width, int height);
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  HWND Frame() const { return frame_; }
  HWND BandSiteWindow() const { return site_; }

 private:
  HWND frame_ = nullptr;
  HWND site_ = nullptr;
};

}  // namespace standins
