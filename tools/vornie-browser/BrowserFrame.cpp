#include "BrowserFrame.h"

#include <stdexcept>

#include "platform/browser/ViewObject.h"
#include "platform/forms/TCanvas.h"
#include "platform/forms/WindowClassRegistry.h"
#include "platform/win/Gdi.h"
#include "platform/com/Bstr.h"
#include "platform/com/Variant.h"
#include "standins/html/HtmlDocument.h"

namespace vornie_browser {

namespace {

constexpr const wchar_t* kFrameClass = L"VornieBrowserFrame";
constexpr const wchar_t* kAreaClass = L"VornieBrowserBandArea";
constexpr const wchar_t* kPageClass = L"VornieBrowserPage";
constexpr int kAddressRowHeight = 28;
constexpr int kMargin = 4;
constexpr int kGripperWidth = 10;

// The size of a text in the frame's font.
SIZE TextSize(HWND window, const std::wstring& text) {
  SIZE size{0, 0};
  if (text.empty()) return size;
  HDC dc = win::GetDC(window);
  if (!dc) return size;
  HGDIOBJ old = win::SelectObject(dc, win::GetStockObject(DEFAULT_GUI_FONT));
  win::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  win::SelectObject(dc, old);
  win::ReleaseDC(window, dc);
  return size;
}

void Register(const wchar_t* name, WNDPROC proc, HBRUSH background) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = forms::detail::ModuleInstance();
  wc.hCursor = win::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  // A second frame in the process finds its classes registered already.
  if (!win::RegisterClassW(&wc) && win::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw std::runtime_error("cannot register a window class of the browser");
}

HWND MakeWindow(DWORD exStyle, const wchar_t* cls, const wchar_t* text, DWORD style, int w, int h, HWND parent,
                void* self) {
  HWND window = win::CreateWindowExW(exStyle, cls, text, style, CW_USEDEFAULT, CW_USEDEFAULT, w, h, parent, nullptr,
                                forms::detail::ModuleInstance(), self);
  if (!window) throw std::runtime_error("cannot create a window of the browser");
  return window;
}

}  // namespace

BrowserFrame* BrowserFrame::Of(HWND window) {
  return reinterpret_cast<BrowserFrame*>(win::GetWindowLongPtrW(window, GWLP_USERDATA));
}

BrowserFrame::BrowserFrame(const std::vector<BandClass>& bands, int width, int height) {
  Register(kFrameClass, FrameProc, win::GetSysColorBrush(COLOR_BTNFACE));
  Register(kAreaClass, AreaProc, win::GetSysColorBrush(COLOR_BTNFACE));
  Register(kPageClass, PageProc, nullptr);
  try {
    frame_ = MakeWindow(0, kFrameClass, L"vornie-browser", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, width, height,
                        nullptr, this);
    win::SetWindowLongPtrW(frame_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    address_ = std::make_unique<AddressLine>(frame_, [this](const std::wstring& address) { Navigate(address); });
    for (std::size_t i = 0; i < bands.size(); ++i) {
      HWND area = MakeWindow(0, kAreaClass, bands[i].name.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 10,
                             kDefaultBandHeight, frame_, nullptr);
      win::SetWindowLongPtrW(area, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
      areas_.push_back(area);
    }
    page_ = MakeWindow(WS_EX_CLIENTEDGE, kPageClass, L"", WS_CHILD | WS_VISIBLE, 10, 10, frame_, nullptr);
    win::SetWindowLongPtrW(page_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    browser_ = standins::WebBrowser::Create(frame_);
    sink_ = BrowserEventSink::Create([this] { DocumentCompleted(); });
    if (FAILED(browser_->FindConnectionPoint(DIID_DWebBrowserEvents2, events_.ReleaseAndGetAddressOf())) ||
        FAILED(events_->Advise(sink_->Identity(), &cookie_)))
      throw std::runtime_error("cannot listen to the browser's events");

    for (std::size_t i = 0; i < bands.size(); ++i)
      bands_.push_back(std::make_unique<BandHost>(bands[i].clsid, bands[i].name, areas_[i],
                                                  static_cast<DWORD>(i + 1), browser_));
    Layout();
  } catch (...) {
    Close();
    throw;
  }
}

BrowserFrame::~BrowserFrame() { Close(); }

void BrowserFrame::Show(int how) {
  win::ShowWindow(frame_, how);
  win::UpdateWindow(frame_);
}

HRESULT BrowserFrame::Navigate(const std::wstring& address) {
  com::Variant url(address);
  return browser_->Navigate2(url.Ptr(), nullptr, nullptr, nullptr, nullptr);
}

void BrowserFrame::CloseBands() {
  // Newest first, as a browser takes its toolbars down.
  while (!bands_.empty()) {
    bands_.back()->Close();
    bands_.pop_back();
  }
}

void BrowserFrame::Close() {
  CloseBands();
  if (events_ && cookie_) events_->Unadvise(cookie_);
  cookie_ = 0;
  events_.Reset();
  sink_.Reset();
  if (frame_ && win::IsWindow(frame_)) {
    // The windows stay quiet while they go: this object may be on its way out.
    win::SetWindowLongPtrW(frame_, GWLP_USERDATA, 0);
    for (HWND area : areas_) win::SetWindowLongPtrW(area, GWLP_USERDATA, 0);
    if (page_) win::SetWindowLongPtrW(page_, GWLP_USERDATA, 0);
    win::DestroyWindow(frame_);
  }
  address_.reset();
  frame_ = page_ = nullptr;
  areas_.clear();
  browser_.Reset();
}

void BrowserFrame::Layout() {
  if (!frame_ || !address_) return;
  RECT client{};
  win::GetClientRect(frame_, &client);
  const int width = client.right - client.left;
  int y = 0;
  win::MoveWindow(address_->Window(), kMargin, (kAddressRowHeight - 22) / 2, width - 2 * kMargin, 22, TRUE);
  y += kAddressRowHeight;
  for (std::size_t i = 0; i < areas_.size(); ++i) {
    BandHost* host = i < bands_.size() ? bands_[i].get() : nullptr;
    if (host) host->RefreshInfo();
    const int height = host ? host->Height() : kDefaultBandHeight;
    win::MoveWindow(areas_[i], 0, y, width, height, TRUE);
    if (host) host->Place(BandLeft(*host), width - BandLeft(*host));
    y += height;
  }
  win::MoveWindow(page_, 0, y, width, client.bottom - y > 0 ? client.bottom - y : 0, TRUE);
}

int BrowserFrame::BandLeft(const BandHost& host) const {
  const SIZE title = TextSize(frame_, host.Info().wszTitle);
  return kGripperWidth + (title.cx > 0 ? title.cx + 2 * kMargin : 0);
}

void BrowserFrame::PaintArea(HWND area, HDC dc) {
  RECT r{};
  win::GetClientRect(area, &r);
  win::FillRect(dc, &r, win::GetSysColorBrush(COLOR_BTNFACE));
  // The row's top edge and its gripper: two raised bars at the left.
  {
    forms::TCanvas canvas(dc);
    canvas.Brush.Color = forms::clBtnShadow;
    canvas.FillRect(RECT{r.left, r.top, r.right, r.top + 1});
    canvas.Brush.Color = forms::clBtnHighlight;
    canvas.FillRect(RECT{r.left, r.top + 1, r.right, r.top + 2});
    for (int x : {3, 6}) {
      RECT bar{x, r.top + 3, x + 3, r.bottom - 2};
      canvas.Frame3D(bar, forms::clBtnHighlight, forms::clBtnShadow, 1);
    }
  }
  for (const auto& host : bands_) {
    if (host->Area() != area) continue;
    win::SetBkMode(dc, TRANSPARENT);
    HGDIOBJ old = win::SelectObject(dc, win::GetStockObject(DEFAULT_GUI_FONT));
    RECT text = r;
    text.left += kGripperWidth + kMargin;
    if (host->Hosted()) {
      win::SetTextColor(dc, win::GetSysColor(COLOR_BTNTEXT));
      win::DrawTextW(dc, host->Info().wszTitle, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    } else {
      // The reason the band is missing, where the band would be.
      win::SetTextColor(dc, RGB(0xA0, 0, 0));
      win::DrawTextW(dc, host->Failure().c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
    win::SelectObject(dc, old);
  }
}

void BrowserFrame::PaintPage(HDC dc) {
  RECT r{};
  win::GetClientRect(page_, &r);
  com::ComPtr<IDispatch> document;
  if (browser_) browser_->get_Document(document.ReleaseAndGetAddressOf());
  auto view = com::QueryAs<IViewObject>(document.Get());
  const RECTL bounds{r.left, r.top, r.right, r.bottom};
  if (view && SUCCEEDED(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0)))
    return;
  win::FillRect(dc, &r, static_cast<HBRUSH>(win::GetStockObject(WHITE_BRUSH)));
}

void BrowserFrame::DocumentCompleted() {
  if (!browser_ || !frame_) return;
  com::Bstr url;
  browser_->get_LocationURL(url.Receive());
  address_->SetText(url.str());
  const std::wstring title = L"vornie-browser - " + url.str();
  win::SendMessageW(frame_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title.c_str()));
  com::ComPtr<IDispatch> document;
  if (SUCCEEDED(browser_->get_Document(document.ReleaseAndGetAddressOf())) && document)
    standins::html::ShowInWindow(document.Get(), page_);
  win::InvalidateRect(page_, nullptr, TRUE);
}

LRESULT CALLBACK BrowserFrame::FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  BrowserFrame* self = Of(window);
  switch (message) {
    case WM_SIZE:
      if (self) self->Layout();
      return 0;
    case WM_CLOSE:
      // The bands go while their windows still exist; then the frame.
      if (self) {
        self->Close();
        return 0;
      }
      break;
    case WM_DESTROY:
      win::PostQuitMessage(0);
      return 0;
  }
  return win::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK BrowserFrame::AreaProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  BrowserFrame* self = Of(window);
  if (self && (message == WM_PAINT || message == WM_PRINTCLIENT)) {
    PAINTSTRUCT ps{};
    HDC dc = message == WM_PAINT ? win::BeginPaint(window, &ps) : reinterpret_cast<HDC>(wParam);
    self->PaintArea(window, dc);
    if (message == WM_PAINT) win::EndPaint(window, &ps);
    return 0;
  }
  return win::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK BrowserFrame::PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  BrowserFrame* self = Of(window);
  if (message == WM_ERASEBKGND) return 1;  // the page paints every pixel
  if (self && (message == WM_PAINT || message == WM_PRINTCLIENT)) {
    PAINTSTRUCT ps{};
    HDC dc = message == WM_PAINT ? win::BeginPaint(window, &ps) : reinterpret_cast<HDC>(wParam);
    self->PaintPage(dc);
    if (message == WM_PAINT) win::EndPaint(window, &ps);
    return 0;
  }
  return win::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace vornie_browser
