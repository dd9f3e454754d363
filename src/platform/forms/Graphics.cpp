#include "platform/forms/Graphics.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <vector>

namespace forms {

namespace {

int PixelHeight(const TFont& font) { return font.Height == 0 ? 11 : std::abs(font.Height); }

TTextSize FixedExtent(const TFont& font, const std::vector<std::wstring_view>& lines) {
  size_t longest = 0;
  for (auto line : lines) longest = std::max(longest, line.size());
  const int h = PixelHeight(font);
  return TTextSize{static_cast<int>(longest) * ((5 * h + 5) / 11), static_cast<int>(lines.size()) * (h + 2)};
}

// A memory DC to measure in, for callers that have no DC of their own.
class MeasuringDc {
 public:
  MeasuringDc() : dc_(win::CreateCompatibleDC(nullptr)) {}
  HDC Get() const { return dc_.Get(); }

 private:
  win::DcHandle dc_;
};

}  // namespace

std::vector<std::wstring_view> TextLines(std::wstring_view text) {
  std::vector<std::wstring_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'\n' && text[i] != L'\r') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    start = i + 1;
  }
  lines.push_back(text.substr(start));
  return lines;
}

win::GdiObjectHandle<HFONT> MakeFont(const TFont& font) {
  LOGFONTW logFont{};
  logFont.lfHeight = font.Height == 0 ? -11 : font.Height;
  logFont.lfWeight = (font.Style & fsBold) ? FW_BOLD : FW_NORMAL;
  logFont.lfItalic = (font.Style & fsItalic) ? 1 : 0;
  logFont.lfUnderline = (font.Style & fsUnderline) ? 1 : 0;
  logFont.lfStrikeOut = (font.Style & fsStrikeOut) ? 1 : 0;
  logFont.lfCharSet = DEFAULT_CHARSET;
  logFont.lfOutPrecision = OUT_DEFAULT_PRECIS;
  logFont.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  logFont.lfQuality = DEFAULT_QUALITY;
  logFont.lfPitchAndFamily = DEFAULT_PITCH;
  const size_t n = std::min(font.Name.size(), std::size(logFont.lfFaceName) - 1);
  std::copy_n(font.Name.begin(), n, logFont.lfFaceName);
  return win::GdiObjectHandle<HFONT>(win::CreateFontIndirectW(&logFont));
}

TTextSize TextExtentIn(HDC dc, const TFont& font, std::wstring_view text) {
  const std::vector<std::wstring_view> lines = TextLines(text);
  const auto handle = MakeFont(font);
  if (!dc || !handle) return FixedExtent(font, lines);
  const HGDIOBJ previous = win::SelectObject(dc, handle.Get());
  if (!previous || previous == HGDI_ERROR) return FixedExtent(font, lines);
  TTextSize extent;
  TEXTMETRICW metrics{};
  bool measured = win::GetTextMetricsW(dc, &metrics) != FALSE;
  for (auto line : lines) {
    SIZE size{0, 0};
    if (!line.empty() && !win::GetTextExtentPoint32W(dc, line.data(), static_cast<int>(line.size()), &size))
      measured = false;
    extent.cx = std::max<int>(extent.cx, size.cx);
  }
  extent.cy = static_cast<int>(lines.size()) * metrics.tmHeight;
  win::SelectObject(dc, previous);
  return measured ? extent : FixedExtent(font, lines);
}

TTextSize TextExtent(const TFont& font, std::wstring_view text) {
  const MeasuringDc dc;
  return TextExtentIn(dc.Get(), font, text);
}

int FontLineHeight(const TFont& font) { return TextExtent(font, L"").cy; }

std::wstring StripAccelChars(std::wstring_view caption) {
  std::wstring shown;
  shown.reserve(caption.size());
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == L'&' && i + 1 < caption.size()) ++i;
    else if (caption[i] == L'&') continue;
    shown.push_back(caption[i]);
  }
  return shown;
}

}  // namespace forms
