// The browser window of vornie-browser: an address line at the top, one row
// per toolbar band below it (each band in a window of its own, as wide as the
// frame and as high as the band says), and the page below the bands, drawn by
// the document's own view object. Enter in the address line navigates.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "AddressLine.h"
#include "platform/win/Gdi.h"
#include "BandHost.h"
#include "BrowserEventSink.h"
#include "platform/com/ComPtr.h"
#include "standins/browser/WebBrowser.h"

namespace vornie_browser {

struct BandClass {
  CLSID clsid;
  std::wstring name;
};

class BrowserFrame {
 public:
  // Makes the windows and the browser and hosts every band; a band that
  // cannot be hosted keeps its row with the reason. Throws std::runtime_error
  // when a window cannot be made.
  BrowserFrame(const std::vector<BandClass>& bands, int width, int height);
  ~BrowserFrame();
  BrowserFrame(const BrowserFrame&) = delete;
  BrowserFrame& operator=(const BrowserFrame&) = delete;

  HWND Window() const { return frame_; }
  HWND AddressWindow() const { return address_->Window(); }
  HWND Page() const { return page_; }
  const std::vector<std::unique_ptr<BandHost>>& Bands() const { return bands_; }
  standins::WebBrowser& Browser() const { return *browser_.Get(); }

  void Show(int how);
  // Navigates the browser; the frame follows when the document completes.
  HRESULT Navigate(const std::wstring& address);
  // Closes the bands and destroys the windows; once.
  void Close();

 private:
  static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK AreaProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static BrowserFrame* Of(HWND window);

  void Layout();
  // Where a band's window starts in its row: after the gripper and the band's title.
  int BandLeft(const BandHost& host) const;
  void PaintArea(HWND area, HDC dc);
  void PaintPage(HDC dc);
  void DocumentCompleted();
  void CloseBands();

  HWND frame_ = nullptr;
  std::unique_ptr<AddressLine> address_;
  HWND page_ = nullptr;
  std::vector<HWND> areas_;
  com::ComPtr<standins::WebBrowser> browser_;
  com::ComPtr<IConnectionPoint> events_;
  com::ComPtr<BrowserEventSink> sink_;
  DWORD cookie_ = 0;
  std::vector<std::unique_ptr<BandHost>> bands_;
};

}  // namespace vornie_browser
