// Pictures of a full-screen page: the two pictures a capture usually makes
// (100 % at 8 bits, code 3; 25 % at 24 bits, code 6), and the same two made
// by ImageMagick's convert from the same rendered page, for comparison.
// CapturePagePair is the figure to watch; ImageMagickPair reports both
// times and their ratio ("speedup") from one run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "page_utils/ImageCaptureUnit.h"
#include "platform/com/ComObject.h"
#include "platform/forms/TBitmap.h"

namespace {

constexpr LONG kWidth = 1920, kHeight = 1080;

void Fill(HDC dc, LONG left, LONG top, LONG right, LONG bottom, COLORREF color) {
  HBRUSH brush = win::CreateSolidBrush(color);
  RECT r{left, top, right, bottom};
  win::FillRect(dc, &r, brush);
  win::DeleteObject(brush);
}

// A page drawn once: a header bar, a navigation column, paragraphs of "text"
// (short dark runs), links in blue, and three photographs (smooth colour
// fields with thousands of colours). Draw copies it, as a browser's view
// copies its composed page.
class PageView : public com::ComObject<IViewObject> {
  VORN_INTERFACE_TABLE_BEGIN(PageView)
  VORN_ENTRY(IViewObject)
  VORN_INTERFACE_TABLE_END
 public:
  PageView() : page_(kWidth, kHeight) {
    {
      forms::TBitmapDC dc(page_);
      HDC h = dc.Handle();
      Fill(h, 0, 0, kWidth, kHeight, RGB(255, 255, 255));
      Fill(h, 0, 0, kWidth, 90, RGB(32, 64, 128));
      Fill(h, 0, 90, 260, kHeight, RGB(236, 240, 244));
      for (LONG y = 120; y < kHeight - 20; y += 22)
        for (LONG x = 300, word = 0; x < 1300; x += 18 + (word * 37) % 70, ++word)
          Fill(h, x, y, x + 12 + (word * 53) % 60, y + 12, word % 9 == 0 ? RGB(0, 0, 204) : RGB(34, 34, 34));
      for (LONG y = 120; y < 900; y += 30) Fill(h, 20, y, 200, y + 12, RGB(0, 102, 153));
      const RECT photos[] = {{1350, 120, 1880, 420}, {1350, 450, 1880, 750}, {300, 780, 1300, 1060}};
      for (const RECT& p : photos)
        for (LONG y = p.top; y < p.bottom; y += 2)
          for (LONG x = p.left; x < p.right; x += 2)
            Fill(h, x, y, x + 2, y + 2,
                 RGB((x * 7 + y) % 256, (y * 3 + x / 4) % 256, (x + y * 5) / 3 % 256));
    }
    dc_ = win::CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    section_ = win::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::memcpy(bits, page_.Pixels().data(), page_.Pixels().size() * 4);
    old_ = win::SelectObject(dc_, section_);
  }
  ~PageView() override {
    win::SelectObject(dc_, old_);
    win::DeleteObject(section_);
    win::DeleteDC(dc_);
  }

  const forms::TBitmap& Page() const { return page_; }

  HRESULT STDMETHODCALLTYPE Draw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC hdcDraw, LPCRECTL bounds, LPCRECTL,
                                 BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override {
    return win::BitBlt(hdcDraw, 0, 0, bounds->right, bounds->bottom, dc_, 0, 0, SRCCOPY) ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD, DWORD, IAdviseSink*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD*, DWORD*, IAdviseSink**) override { return E_NOTIMPL; }

 private:
  forms::TBitmap page_;
  HDC dc_ = nullptr;
  HBITMAP section_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

PageView& Page() {
  static PageView* view = [] {
    auto* v = new PageView();
    v->AddRef();
    return v;
  }();
  return *view;
}

std::size_t CapturePair() {
  com::Variant first, second;
  vorn::CapturePicture(&Page(), kWidth, kHeight, 100, 3, first);
  vorn::CapturePicture(&Page(), kWidth, kHeight, 25, 6, second);
  if (first.IsEmpty() || second.IsEmpty()) return 0;
  return first.parray->rgsabound[0].cElements + second.parray->rgsabound[0].cElements;
}

void CapturePage(benchmark::State& state, LONG scale, LONG format) {
  Page();
  std::size_t bytes = 0;
  for (auto _ : state) {
    com::Variant data;
    vorn::CapturePicture(&Page(), kWidth, kHeight, scale, format, data);
    if (data.IsEmpty()) {
      state.SkipWithError("no picture");
      return;
    }
    bytes = data.parray->rgsabound[0].cElements;
  }
  state.counters["gif_bytes"] = static_cast<double>(bytes);
}
BENCHMARK_CAPTURE(CapturePage, Full8Bit, 100, 3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(CapturePage, Quarter24Bit, 25, 6)->Unit(benchmark::kMillisecond);

void CapturePagePair(benchmark::State& state) {
  Page();
  for (auto _ : state)
    if (CapturePair() == 0) state.SkipWithError("no picture");
}
BENCHMARK(CapturePagePair)->Unit(benchmark::kMillisecond);

// The same pictures from ImageMagick: the page as a PPM file, resized with a
// box filter, mapped to the 6x6x6 cube (the web palette) or reduced to 256
// colours, without dithering, written as GIF.
void ImageMagickPair(benchmark::State& state) {
  const std::string convert = std::filesystem::exists("/usr/bin/convert") ? "/usr/bin/convert" : "convert";
  if (std::system((convert + " -version > /dev/null 2>&1").c_str()) != 0) {
    state.SkipWithError("ImageMagick's convert is not available");
    return;
  }
  const auto dir = std::filesystem::temp_directory_path() / "vornie-capture-bench";
  std::filesystem::create_directories(dir);
  const std::string ppm = (dir / "page.ppm").string();
  {
    std::ofstream out(ppm, std::ios::binary);
    out << "P6\n" << kWidth << " " << kHeight << "\n255\n";
    for (std::uint32_t p : Page().Page().Pixels()) {
      const char rgb[3] = {static_cast<char>(p >> 16), static_cast<char>(p >> 8), static_cast<char>(p)};
      out.write(rgb, 3);
    }
  }
  const std::string full = convert + " '" + ppm + "' +dither -remap netscape: '" + (dir / "full.gif").string() + "'";
  const std::string quarter = convert + " '" + ppm + "' -filter box -resize 25% +dither -colors 256 '" +
                              (dir / "quarter.gif").string() + "'";
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    CapturePair();
    const auto t1 = std::chrono::steady_clock::now();
    if (std::system(full.c_str()) != 0 || std::system(quarter.c_str()) != 0) {
      state.SkipWithError("convert failed");
      break;
    }
    const auto t2 = std::chrono::steady_clock::now();
    ours += std::chrono::duration<double, std::milli>(t1 - t0).count();
    theirs += std::chrono::duration<double, std::milli>(t2 - t1).count();
  }
  const double n = static_cast<double>(state.iterations());
  if (n > 0) {
    state.counters["ours_ms"] = ours / n;
    state.counters["imagemagick_ms"] = theirs / n;
    state.counters["speedup"] = ours > 0 ? theirs / ours : 0;
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(ImageMagickPair)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
