// Fonts of the portable GDI: Windows face names mapped to the font files of
// the system (Liberation, else DejaVu) and FreeType faces at pixel sizes.
// Everything here requires the GDI table's mutex held.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/win/Gdi.h"

namespace win::portable::gdi {

// What GetTextMetricsW reports, plus where the lines of underlined and
// struck-out text go (pixels below the cell's top, and thickness).
struct FontMetrics {
  int em = 0;
  int ascent = 0;
  int descent = 0;
  int height = 0;
  int internalLeading = 0;
  int aveCharWidth = 0;
  int maxCharWidth = 0;
  int underlineTop = 0;
  int underlineThickness = 1;
  int strikeTop = 0;
  int strikeThickness = 1;
  bool fixedPitch = false;
};

// A rendered glyph: `rows` lines of `width` pixels at `pitch` bytes a line,
// 8-bit coverage or 1 bit a pixel (most significant first); its top-left
// pixel is `left` right of the pen and `top` above the baseline.
struct Glyph {
  int left = 0;
  int top = 0;
  int width = 0;
  int rows = 0;
  int pitch = 0;
  bool mono = false;
  const std::uint8_t* buffer = nullptr;
};

class SizedFace;

// The face for a logical font, sized; null when no font file can be opened.
SizedFace* FaceFor(const LOGFONTW& lf);
// Metrics of a font without a face: an em of the font's height, every
// character half an em wide.
FontMetrics FallbackMetrics(const LOGFONTW& lf);
// The em height in pixels a logical font asks for, given the face's cell per em.
int EmPixels(const LOGFONTW& lf, double cellPerEm);

class SizedFace {
 public:
  virtual ~SizedFace() = default;
  virtual const FontMetrics& Metrics() const = 0;
  // Advance in whole pixels (hinted, no kerning).
  virtual int Advance(char32_t c) = 0;
  // Valid until the next call on any face; false when FreeType fails.
  virtual bool Render(char32_t c, Glyph& out) = 0;
};

// Folders searched for font files, first match wins; empty: the system's.
void SetFontFolders(const std::vector<std::string>& folders);

}  // namespace win::portable::gdi
