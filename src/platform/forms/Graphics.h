// Colours: 0x00BBGGRR values, or system colours (0xFF000000 | COLOR_* index)
// that are resolved when drawn.
#pragma once

#include <cstdint>

namespace forms {

using TColor = std::int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clWindow = static_cast<TColor>(0xFF000005u);
constexpr TColor clWindowText = static_cast<TColor>(0xFF000008u);
constexpr TColor clBtnFace = static_cast<TColor>(0xFF00000Fu);
constexpr TColor clInfoBk = static_cast<TColor>(0xFF000018u);
constexpr TColor clNone = 0x1FFFFFFF;

}  // namespace forms
