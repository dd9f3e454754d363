#include "platform/portable/registry/RegistryText.h"

#include "platform/com/Text.h"

namespace win::regstore {
namespace {

// In the Latin Extended and Cyrillic supplement blocks upper and lower case
// alternate code point by code point.
bool InPairedRange(char32_t c, char32_t first, char32_t last) { return c >= first && c <= last; }

}  // namespace

char32_t UpcaseChar(char32_t c) {
  if (c < 0x80) return (c >= U'a' && c <= U'z') ? c - 0x20 : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  // Latin Extended-A: pairs starting on an even code point, then pairs starting on an odd one.
  if (InPairedRange(c, 0x100, 0x12F) || InPairedRange(c, 0x132, 0x137) || InPairedRange(c, 0x14A, 0x177))
    return (c & 1) ? c - 1 : c;
  if (InPairedRange(c, 0x139, 0x148) || InPairedRange(c, 0x179, 0x17E)) return (c & 1) ? c : c - 1;
  // Greek.
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
  if (c == 0x3C2) return 0x3A3;
  if (c >= 0x3B1 && c <= 0x3CB) return c - 0x20;
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return c - 0x3F;
  // Cyrillic.
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if (InPairedRange(c, 0x460, 0x481) || InPairedRange(c, 0x48A, 0x4BF) || InPairedRange(c, 0x4D0, 0x52F))
    return (c & 1) ? c - 1 : c;
  if (InPairedRange(c, 0x4C1, 0x4CE)) return (c & 1) ? c : c - 1;
  // Armenian and fullwidth Latin.
  if (c >= 0x561 && c <= 0x586) return c - 0x30;
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;
  return c;
}

std::string FoldName(std::wstring_view name) {
  // Surrogate halves (UTF-16 wchar_t) are left alone by UpcaseChar, so the pairs survive.
  std::wstring upper(name);
  for (auto& c : upper) c = static_cast<wchar_t>(UpcaseChar(static_cast<char32_t>(c)));
  return com::ToUtf8(upper);
}

}  // namespace win::regstore
