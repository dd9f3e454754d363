// Pictures of a full-screen page: the two pictures a capture usually makes
// (100 % at 8 bits, code 3; 25 % at 24 bits, code 6) of a generated page of
// text and links drawn by the HTML document stand-in's view (drawing
// included in the time), and the same two made by ImageMagick's convert from
// the same rendered page pixels, for comparison.
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
#include "platform/browser/ViewObject.h"
#include "platform/com/ComPtr.h"
#include "platform/forms/TBitmap.h"
#include "standins/html/HtmlDocument.h"

namespace {

constexpr LONG kWidth = 1920, kHeight = 1080;

// A news-like page long enough to fill the screen: a coloured header, a row of
// navigation links, headings, paragraphs of words with links among them (some
// marked as the highlighting marks them), and pictures.
std::string GeneratedPage() {
  static const char* const kWords[] = {"the",      "archive", "keeps",     "pages",   "of",    "interest", "and",
                                       "pictures", "for",     "later",     "reading", "while", "links",    "show",
                                       "whether",  "they",    "were",      "stored",  "a",     "browser",  "toolbar"};
  std::string html = "<html><head><title>bench</title></head><body bgcolor=\"#FAFAF5\">"
                     "<div style=\"background-color: #204080; color: white\"><h1>The daily page</h1></div><p>";
  for (int i = 0; i < 24; ++i) html += "<a href=\"http://example.com/section" + std::to_string(i) + "\">section</a> ";
  html += "</p>";
  unsigned word = 0;
  for (int article = 0; article < 40; ++article) {
    html += "<h2>Article " + std::to_string(article) + "</h2>";
    if (article % 4 == 0) html += "<img width=\"320\" height=\"120\">";
    html += "<p>";
    for (int i = 0; i < 120; ++i, ++word) {
      if (word % 11 == 0) {
        const std::string style = word % 3 == 0 ? " style=\"color: FF0000; background-color: FFFF00; text-decoration: "
                                                  "underline; font-weight: bold\""
                                                : "";
        html += "<a href=\"http://example.com/a" + std::to_string(word) + "\"" + style + ">" +
                kWords[word % std::size(kWords)] + " " + kWords[(word + 5) % std::size(kWords)] + "</a> ";
      } else {
        html += std::string(kWords[(word * 7) % std::size(kWords)]) + " ";
      }
    }
    html += "</p>";
  }
  return html + "</body></html>";
}

// The generated page's document, loaded once; its view draws the page on every capture.
IViewObject* View() {
  static IViewObject* view = [] {
    com::ComPtr<IDispatch> document = standins::html::LoadDocument(GeneratedPage(), L"http://example.com/bench.html");
    auto v = document ? com::QueryAs<IViewObject>(document.Get()) : com::ComPtr<IViewObject>();
    return v ? v.Detach() : nullptr;
  }();
  return view;
}

// The page's pixels as the view draws them at full size (0x00RRGGBB).
forms::TBitmap RenderedPage() {
  forms::TBitmap page(kWidth, kHeight);
  {
    forms::TBitmapDC dc(page, forms::TBitmapDC::kBlank);
    const RECTL bounds{0, 0, kWidth, kHeight};
    if (View()) View()->Draw(DVASPECT_CONTENT, 1, nullptr, nullptr, nullptr, dc.Handle(), &bounds, nullptr, nullptr, 0);
  }
  return page;
}

std::size_t CapturePair() {
  com::Variant first, second;
  vorn::CapturePicture(View(), kWidth, kHeight, 100, 3, first);
  vorn::CapturePicture(View(), kWidth, kHeight, 25, 6, second);
  if (first.IsEmpty() || second.IsEmpty()) return 0;
  return first.parray->rgsabound[0].cElements + second.parray->rgsabound[0].cElements;
}

void CapturePage(benchmark::State& state, LONG scale, LONG format) {
  if (!View()) {
    state.SkipWithError("the page did not load");
    return;
  }
  std::size_t bytes = 0;
  for (auto _ : state) {
    com::Variant data;
    vorn::CapturePicture(View(), kWidth, kHeight, scale, format, data);
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

// Only the drawing, into a full-screen bitmap: the share of the capture the view takes.
void DrawPageView(benchmark::State& state) {
  if (!View()) {
    state.SkipWithError("the page did not load");
    return;
  }
  forms::TBitmap page(kWidth, kHeight);
  forms::TBitmapDC dc(page, forms::TBitmapDC::kBlank);
  const RECTL bounds{0, 0, kWidth, kHeight};
  for (auto _ : state)
    if (FAILED(View()->Draw(DVASPECT_CONTENT, 1, nullptr, nullptr, nullptr, dc.Handle(), &bounds, nullptr, nullptr, 0)))
      state.SkipWithError("drawing failed");
}
BENCHMARK(DrawPageView)->Unit(benchmark::kMillisecond);

void CapturePagePair(benchmark::State& state) {
  if (!View()) {
    state.SkipWithError("the page did not load");
    return;
  }
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
    const forms::TBitmap page = RenderedPage();
    for (std::uint32_t p : page.Pixels()) {
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
