// The HTML document stand-in drawing itself through its view object, and the
// page capture running end to end over it.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "page_utils/ImageCaptureTestViews.h"
#include "page_utils/OffUtilsFuncUnit.h"
#include "page_utils/PageTestSupport.h"
#include "platform/browser/BandInterfaces.h"
#include "platform/browser/ViewObject.h"
#include "platform/com/ComError.h"
#include "platform/com/Text.h"
#include "platform/win/Gdi.h"
#include "platform/win/GdiHandles.h"
#include "platform/win/Window.h"
#include "standins/app_server/ArchiveServer.h"
#include "standins/browser/WebBrowser.h"
#include "standins/html/PageView.h"
#include "support/ComTest.h"

namespace {

using page_test::LoadPage;
using standins::ArchiveServer;
using standins::html::kCellHeight;
using standins::html::kCellWidth;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kUnpainted = RGB(1, 2, 3);  // what the bitmap holds before drawing

// A 32-bit top-down DIB section the view draws into, pixels read back as COLORREF.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height) {
    screen_ = win::GetDC(nullptr);
    dc_ = win::CreateCompatibleDC(screen_);
    BITMAPINFO info = win::TopDownDibInfo(width, height);
    bitmap_ = win::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = win::SelectObject(dc_, bitmap_);
    HBRUSH brush = win::CreateSolidBrush(kUnpainted);
    RECT all{0, 0, width, height};
    win::FillRect(dc_, &all, brush);
    win::DeleteObject(brush);
  }
  ~Canvas() {
    win::SelectObject(dc_, old_);
    win::DeleteObject(bitmap_);
    win::DeleteDC(dc_);
    win::ReleaseDC(nullptr, screen_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  bool Ready() const { return bits_ != nullptr; }
  HDC Dc() const { return dc_; }
  COLORREF At(int x, int y) const {
    win::GdiFlush();
    const std::uint32_t p = bits_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  std::vector<COLORREF> Pixels() const {
    std::vector<COLORREF> out;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) out.push_back(At(x, y));
    return out;
  }
  std::set<COLORREF> Colours() const {
    const auto pixels = Pixels();
    return {pixels.begin(), pixels.end()};
  }
  // Pixels of that colour inside [left, right) x [top, bottom).
  int Count(COLORREF colour, int left = 0, int top = 0, int right = -1, int bottom = -1) const {
    if (right < 0) right = width_;
    if (bottom < 0) bottom = height_;
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) n += At(x, y) == colour;
    return n;
  }

 private:
  int width_, height_;
  HDC screen_ = nullptr, dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

HRESULT Draw(IDispatch* document, HDC dc, RECTL bounds, DWORD aspect = DVASPECT_CONTENT) {
  auto view = com::QueryAs<IViewObject>(document);
  if (!view) return E_NOINTERFACE;
  return view->Draw(aspect, 1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0);
}

// The page drawn at (0, 0, width, height) into a fresh canvas.
std::vector<COLORREF> Picture(IDispatch* document, int width = 200, int height = 100) {
  Canvas canvas(width, height);
  EXPECT_TRUE(canvas.Ready());
  EXPECT_EQ(Draw(document, canvas.Dc(), {0, 0, width, height}), S_OK);
  return canvas.Pixels();
}

class PageViewTest : public testing_support::ComTest {};

TEST_F(PageViewTest, ColoursAreReadAsPagesAndTheHighlightingWriteThem) {
  using standins::html::ParseColor;
  struct Case {
    const wchar_t* text;
    std::optional<COLORREF> expected;
  } const cases[] = {
      {L"#F00", RGB(255, 0, 0)},           {L"#00ff80", RGB(0, 255, 0x80)},  {L"00FF00", RGB(0, 255, 0)},
      {L"  Navy ", RGB(0, 0, 128)},        {L"rgb(1, 2,3)", RGB(1, 2, 3)},    {L"WHITE", kWhite},
      {L"", std::nullopt},                 {L"#12", std::nullopt},            {L"#GGGGGG", std::nullopt},
      {L"FFF", std::nullopt},              {L"rgb(1,2)", std::nullopt},       {L"rgb(1,2,300)", std::nullopt},
      {L"notacolour", std::nullopt},       {L"#1234567", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(com::ToUtf8(c.text));
    EXPECT_EQ(ParseColor(c.text), c.expected);
  }
}

TEST_F(PageViewTest, TheBackgroundComesFromTheBodyElseWhite) {
  struct Case {
    const char* html;
    COLORREF expected;
  } const cases[] = {
      {"<body></body>", kWhite},
      {"<body bgcolor=\"#00FF00\"></body>", RGB(0, 255, 0)},
      {"<body style=\"background-color: navy\" bgcolor=\"red\"></body>", RGB(0, 0, 128)},
      {"<body bgcolor=\"not a colour\"></body>", kWhite},
      {"", kWhite},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.html);
    auto document = LoadPage(c.html);
    const auto pixels = Picture(document.Get(), 40, 30);
    EXPECT_EQ(std::set<COLORREF>(pixels.begin(), pixels.end()), std::set<COLORREF>{c.expected});
  }
}

TEST_F(PageViewTest, TextLinksAndImagesShowWithTheirColoursAndSizes) {
  auto document = LoadPage(
      "<body><p style=\"color: #FF0000\">red words here</p>"
      "<p><a href=\"x.html\">link</a> <a href=\"y.html\" style=\"color: green; background-color: #FFFF00\">other</a>"
      "</p><div><img width=\"20px\" height=\"10\"><img width=\"wide\"></div><p>plain <b>bold</b></p></body>");
  Canvas canvas(300, 150);
  ASSERT_EQ(Draw(document.Get(), canvas.Dc(), {0, 0, 300, 150}), S_OK);
  // First line: three red words of 3, 5 and 4 characters with a space between them.
  EXPECT_EQ(canvas.Count(RGB(255, 0, 0), 0, 0, 300, kCellHeight), (3 + 5 + 4) * kCellWidth * 6);
  EXPECT_EQ(canvas.At(3 * kCellWidth + kCellWidth / 2, 6), kWhite);  // the space
  // Second line: the default link blue, then a green word on a yellow background.
  const int second = kCellHeight;
  EXPECT_EQ(canvas.Count(standins::html::kLinkColor, 0, second, 300, second + kCellHeight), 4 * kCellWidth * 6);
  EXPECT_EQ(canvas.Count(RGB(0, 128, 0), 0, second, 300, second + kCellHeight), 5 * kCellWidth * 6);
  EXPECT_EQ(canvas.Count(RGB(255, 255, 0), 0, second, 300, second + kCellHeight), 5 * kCellWidth * (kCellHeight - 6));
  // Third line: a 20x10 box and a 32x32 one side by side; the line is as tall as the taller.
  const int third = 2 * kCellHeight;
  EXPECT_EQ(canvas.Count(standins::html::kImageColor), 20 * 10 + 32 * 32);
  EXPECT_EQ(canvas.At(0, third), standins::html::kImageColor);
  EXPECT_EQ(canvas.At(20 + kCellWidth, third + 31), standins::html::kImageColor);
  // Fourth line, under the taller box: bold is thicker than plain.
  const int fourth = third + 32;
  int plainRows = 0, boldRows = 0;
  for (int y = fourth; y < fourth + kCellHeight; ++y) {
    plainRows += canvas.At(1, y) == kBlack;
    boldRows += canvas.At(6 * kCellWidth + 1, y) == kBlack;
  }
  EXPECT_GT(plainRows, 0);
  EXPECT_GT(boldRows, plainRows);
  EXPECT_EQ(canvas.Count(kUnpainted), 0);
}

TEST_F(PageViewTest, DifferentPagesGiveDifferentPicturesAndOnePageTheSameOne) {
  auto one = LoadPage("<body><p>one page of text</p></body>");
  auto other = LoadPage("<body><p>another page</p><p>with two paragraphs</p></body>");
  auto hidden = LoadPage(
      "<body><p>one page of text</p><script>var hidden = 1;</script><p style=\"display: none\">gone</p>"
      "<iframe src=\"f.html\">fallback</iframe></body>");
  EXPECT_NE(Picture(one.Get()), Picture(other.Get()));
  EXPECT_EQ(Picture(one.Get()), Picture(one.Get()));
  EXPECT_EQ(Picture(hidden.Get()), Picture(one.Get()));  // script, hidden elements and frames draw nothing
}

TEST_F(PageViewTest, LinesWrapAtTheRightEdgeAndDrawingStopsAtTheBounds) {
  std::string words;
  for (int i = 0; i < 400; ++i) words += "word ";
  auto document = LoadPage("<body bgcolor=\"#0000FF\">" + words + "</body>");
  Canvas canvas(120, 90);
  // An inner rectangle: everything outside it stays as it was.
  ASSERT_EQ(Draw(document.Get(), canvas.Dc(), {10, 20, 100, 70}), S_OK);
  EXPECT_EQ(canvas.Count(kUnpainted), 120 * 90 - 90 * 50);
  EXPECT_EQ(canvas.Count(kUnpainted, 10, 20, 100, 70), 0);
  // Every line inside holds text, the last one cut at the bottom: wrapped, not one endless line.
  for (int line = 0; line * kCellHeight + 6 < 50; ++line) {
    SCOPED_TRACE(line);
    EXPECT_EQ(canvas.At(10 + 1, 20 + line * kCellHeight + 6), kBlack);
  }
  // "word " is 5 cells: the line takes as many whole words as fit in 90 pixels and no more.
  const int perLine = (90 + kCellWidth) / (5 * kCellWidth);
  EXPECT_EQ(canvas.Count(kBlack, 10, 26, 100, 27), perLine * 4 * kCellWidth);
}

TEST_F(PageViewTest, HighlightingShowsTheMarkedColour) {
  auto server = ArchiveServer::Create();
  ArchiveServer::HighlightSettings settings;
  settings.enabled = true;
  settings.markArchived = true;
  settings.decoration = 3;
  settings.bold = true;
  settings.textColorDefault = false;
  settings.textColor = RGB(0, 200, 0);
  settings.backColorDefault = false;
  settings.backColor = RGB(255, 0, 255);
  server->SetHighlightSettings(settings);
  server->SetLinkState(L"http://example.com/kept", 1);
  auto document = LoadPage(
      "<body><p><a href=\"http://example.com/kept\">kept page</a></p>"
      "<p><a href=\"http://example.com/new\">new page</a></p></body>",
      L"http://example.com/page.html");
  Canvas before(200, 60), after(200, 60);
  ASSERT_EQ(Draw(document.Get(), before.Dc(), {0, 0, 200, 60}), S_OK);
  vorn::HighlightDocument(1, document.Get(), static_cast<vorn::IGUIServer*>(server.Get()));
  ASSERT_EQ(Draw(document.Get(), after.Dc(), {0, 0, 200, 60}), S_OK);

  for (COLORREF marked : {RGB(0, 200, 0), RGB(255, 0, 255)}) {
    EXPECT_EQ(before.Count(marked), 0);
    EXPECT_GT(after.Count(marked, 0, 0, 200, kCellHeight), 0);
  }
  // Underlined under both words ("kept", "page"), not under the space between them.
  EXPECT_EQ(after.Count(RGB(0, 200, 0), 0, kCellHeight - 1, 200, kCellHeight), 8 * kCellWidth);
  EXPECT_GT(before.Count(standins::html::kLinkColor, 0, 0, 200, kCellHeight), 0);
}

TEST_F(PageViewTest, DeepPagesDrawWithoutRecursion) {
  std::string html = "<body>";
  for (int i = 0; i < 100000; ++i) html += "<span>";
  html += "deep</body>";
  auto document = LoadPage(html);
  Canvas canvas(100, 20);
  ASSERT_EQ(Draw(document.Get(), canvas.Dc(), {0, 0, 100, 20}), S_OK);
  EXPECT_EQ(canvas.Count(kBlack), 4 * kCellWidth * 6);
}

TEST_F(PageViewTest, TheViewAndTheWindowAnswerAsDocumented) {
  auto document = LoadPage("<body>x</body>");
  Canvas canvas(10, 10);
  EXPECT_EQ(Draw(document.Get(), canvas.Dc(), {0, 0, 10, 10}, DVASPECT_ICON), DV_E_DVASPECT);
  EXPECT_EQ(Draw(document.Get(), nullptr, {0, 0, 10, 10}), E_INVALIDARG);
  EXPECT_EQ(Draw(document.Get(), canvas.Dc(), {10, 10, 0, 0}), E_INVALIDARG);
  EXPECT_EQ(Draw(document.Get(), canvas.Dc(), {5, 5, 5, 5}), S_OK);
  EXPECT_EQ(canvas.Count(kUnpainted), 100);

  auto view = com::QueryAs<IViewObject>(document.Get());
  ASSERT_TRUE(view);
  EXPECT_EQ(view->Draw(DVASPECT_CONTENT, 1, nullptr, nullptr, nullptr, canvas.Dc(), nullptr, nullptr, nullptr, 0),
            E_INVALIDARG);
  LOGPALETTE* palette = reinterpret_cast<LOGPALETTE*>(&canvas);
  EXPECT_EQ(view->GetColorSet(DVASPECT_CONTENT, 1, nullptr, nullptr, nullptr, &palette), E_NOTIMPL);
  EXPECT_EQ(palette, nullptr);
  DWORD cookie = 7;
  EXPECT_EQ(view->Freeze(DVASPECT_CONTENT, 1, nullptr, &cookie), E_NOTIMPL);
  EXPECT_EQ(view->Unfreeze(cookie), E_NOTIMPL);
  EXPECT_EQ(view->SetAdvise(DVASPECT_CONTENT, 0, nullptr), E_NOTIMPL);
  IAdviseSink* sink = reinterpret_cast<IAdviseSink*>(&canvas);
  EXPECT_EQ(view->GetAdvise(nullptr, nullptr, &sink), E_NOTIMPL);
  EXPECT_EQ(sink, nullptr);

  auto window = com::QueryAs<IOleWindow>(document.Get());
  ASSERT_TRUE(window);
  HWND shown = reinterpret_cast<HWND>(&canvas);
  EXPECT_EQ(window->GetWindow(&shown), E_FAIL);
  EXPECT_EQ(shown, nullptr);
  EXPECT_EQ(window->GetWindow(nullptr), E_POINTER);
  HWND fake = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x1234));
  standins::html::ShowInWindow(document.Get(), fake);
  EXPECT_EQ(window->GetWindow(&shown), S_OK);
  EXPECT_EQ(shown, fake);
  standins::html::ShowInWindow(document.Get(), nullptr);
  EXPECT_EQ(window->GetWindow(&shown), E_FAIL);

  auto server = ArchiveServer::Create();
  EXPECT_THROW(standins::html::ShowInWindow(static_cast<IDispatch*>(server.Get()), fake), com::ComError);
  EXPECT_THROW(standins::html::ShowInWindow(nullptr, fake), com::ComError);
}

LRESULT CALLBACK PlainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return win::DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST_F(PageViewTest, TheCaptureOfAPageShownInAWindowStoresItsPicture) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = PlainProc;
  cls.lpszClassName = L"VornPageViewTest";
  win::RegisterClassW(&cls);
  HWND window = win::CreateWindowExW(0, L"VornPageViewTest", L"", WS_POPUP, 0, 0, 240, 120, nullptr, nullptr,
                                     nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  auto document = LoadPage("<body bgcolor=\"#FFFFCC\"><h1>Title</h1><p>Some text and <a href=\"a.html\">a link</a>"
                           "</p><img width=\"50\" height=\"20\"></body>",
                           L"http://example.com/shown.html");
  standins::html::ShowInWindow(document.Get(), window);
  auto browser = standins::WebBrowser::Create();
  browser->SetDocument(document);
  auto server = ArchiveServer::Create();
  server->SetCaptureSettings({true, 50, 6, true, 100, 7});

  vorn::CaptureScreenShot(static_cast<IWebBrowser2*>(browser.Get()), VARIANT_TRUE,
                          static_cast<IDispatch*>(server.Get()));
  win::DestroyWindow(window);
  win::UnregisterClassW(L"VornPageViewTest", nullptr);

  ASSERT_EQ(server->StoredCaptures().size(), 2u);
  const int expected[2][2] = {{120, 60}, {240, 120}};
  for (size_t i = 0; i < 2; ++i) {
    const auto& stored = server->StoredCaptures()[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(stored.url, L"http://example.com/shown.html");
    const auto gif = capture_test::DecodeGif(stored.data);
    ASSERT_TRUE(gif.ok);
    EXPECT_EQ(gif.width, expected[i][0]);
    EXPECT_EQ(gif.height, expected[i][1]);
    const std::set<std::uint32_t> colours(gif.pixels.begin(), gif.pixels.end());
    EXPECT_GT(colours.size(), 2u);
    EXPECT_TRUE(colours.count(0xFFFFCCu));  // the page background
  }
}

}  // namespace
