#include "standins/browser/HostWindow.h"

#include <stdexcept>

namespace standins {
namespace {

constexpr const wchar_t* kFrameClass = L"VornStandinBrowserFrame";
constexpr const wchar_t* kSiteClass = L"VornStandinBandSite";

void EnsureClass(const wchar_t* name) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = win::DefWindowProcW;
  wc.lpszClassName = name;
  // A second registration fails harmlessly with the class already there.
  win::RegisterClassW(&wc);
}

}  // namespace

HostWindow::HostWindow(const std::wstring& title, int width, int height) {
  EnsureClass(kFrameClass);
  EnsureClass(kSiteClass);
  frame_ = win::CreateWindowExW(0, kFrameClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, width, height,
                                nullptr, nullptr, nullptr, nullptr);
  if (!frame_) throw std::runtime_error("cannot create the browser frame window");
  site_ = win::CreateWindowExW(0, kSiteClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, width, 22, frame_, nullptr, nullptr,
                               nullptr);
  if (!site_) {
    win::DestroyWindow(frame_);
    throw std::runtime_error("cannot create the band site window");
  }
}

HostWindow::~HostWindow() {
  if (frame_) win::DestroyWindow(frame_);
}

}  // namespace standins
