#include "platform/forms/Graphics.h"

#include <algorithm>
#include <cstdlib>

namespace forms {

namespace {

int PixelHeight(const TFont& font) { return font.Height == 0 ? 11 : std::abs(font.Height); }

}  // namespace

int FontLineHeight(const TFont& font) { return PixelHeight(font) + 2; }

int FontCharWidth(const TFont& font) { return (5 * PixelHeight(font) + 5) / 11; }

TTextSize TextExtent(const TFont& font, std::wstring_view text) {
  int lines = 1;
  size_t longest = 0;
  size_t current = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
    if (text[i] == L'\n' || text[i] == L'\r') {
      longest = std::max(longest, current);
      current = 0;
      ++lines;
      continue;
    }
    ++current;
  }
  longest = std::max(longest, current);
  return TTextSize{static_cast<int>(longest) * FontCharWidth(font), lines * FontLineHeight(font)};
}

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
