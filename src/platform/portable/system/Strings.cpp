// Case folding for the portable win:: string functions. A fixed table rather
// than the C library's locale: results must not depend on the environment the
// tests happen to run in.
#include "platform/win/Strings.h"

#include <cstring>
#include <cwchar>

#include "platform/win/Window.h"

#ifndef ERROR_INVALID_FLAGS
#define ERROR_INVALID_FLAGS 1004L
#endif

namespace win {
namespace {

// Blocks where upper and lower case alternate: even code point upper, odd lower
// (or the other way round when upperOdd).
struct PairBlock {
  char32_t first;
  char32_t last;
  bool upperOdd;
};
constexpr PairBlock kPairBlocks[] = {
    {0x0100, 0x012F, false}, {0x0132, 0x0137, false}, {0x0139, 0x0148, true},  {0x014A, 0x0177, false},
    {0x0179, 0x017E, true},  {0x0182, 0x0185, false}, {0x01A0, 0x01A5, false}, {0x01CD, 0x01DC, true},
    {0x01DE, 0x01EF, false}, {0x01F8, 0x021F, false}, {0x0222, 0x0233, false}, {0x0246, 0x024F, false},
    {0x03D8, 0x03EF, false}, {0x0460, 0x0481, false}, {0x048A, 0x04BF, false}, {0x04C1, 0x04CE, true},
    {0x04D0, 0x052F, false}, {0x1E00, 0x1E95, false}, {0x1EA0, 0x1EFF, false},
};

wchar_t ToUpper(wchar_t wc) {
  const char32_t c = static_cast<char32_t>(wc);
  if (c < 0x80) return (c >= U'a' && c <= U'z') ? static_cast<wchar_t>(c - 0x20) : wc;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<wchar_t>(c - 0x20);
  if (c == 0xFF) return static_cast<wchar_t>(0x178);
  if (c == 0xB5) return static_cast<wchar_t>(0x39C);
  if (c == 0x131) return L'I';
  if (c == 0x17F) return L'S';
  // Greek
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return static_cast<wchar_t>(c - 0x20);
  if (c == 0x3C2) return static_cast<wchar_t>(0x3A3);
  if (c == 0x3AC) return static_cast<wchar_t>(0x386);
  if (c >= 0x3AD && c <= 0x3AF) return static_cast<wchar_t>(c - 0x25);
  if (c == 0x3CC) return static_cast<wchar_t>(0x38C);
  if (c == 0x3CD || c == 0x3CE) return static_cast<wchar_t>(c - 0x3F);
  // Cyrillic
  if (c >= 0x430 && c <= 0x44F) return static_cast<wchar_t>(c - 0x20);
  if (c >= 0x450 && c <= 0x45F) return static_cast<wchar_t>(c - 0x50);
  if (c == 0x4CF) return static_cast<wchar_t>(0x4C0);
  for (const PairBlock& block : kPairBlocks) {
    if (c < block.first || c > block.last) continue;
    const bool odd = (c & 1) != 0;
    if (odd != block.upperOdd) return static_cast<wchar_t>(c - 1);  // the lower letter follows its capital
    return wc;
  }
  return wc;
}

wchar_t ToLower(wchar_t wc) {
  const char32_t c = static_cast<char32_t>(wc);
  if (c < 0x80) return (c >= U'A' && c <= U'Z') ? static_cast<wchar_t>(c + 0x20) : wc;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<wchar_t>(c + 0x20);
  if (c == 0x178) return static_cast<wchar_t>(0xFF);
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<wchar_t>(c + 0x20);
  if (c == 0x386) return static_cast<wchar_t>(0x3AC);
  if (c >= 0x388 && c <= 0x38A) return static_cast<wchar_t>(c + 0x25);
  if (c == 0x38C) return static_cast<wchar_t>(0x3CC);
  if (c == 0x38E || c == 0x38F) return static_cast<wchar_t>(c + 0x3F);
  if (c >= 0x410 && c <= 0x42F) return static_cast<wchar_t>(c + 0x20);
  if (c >= 0x400 && c <= 0x40F) return static_cast<wchar_t>(c + 0x50);
  if (c == 0x4C0) return static_cast<wchar_t>(0x4CF);
  for (const PairBlock& block : kPairBlocks) {
    if (c < block.first || c > block.last) continue;
    const bool odd = (c & 1) != 0;
    if (odd == block.upperOdd) return static_cast<wchar_t>(c + 1);
    return wc;
  }
  return wc;
}

}  // namespace

int lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2) {
  if (!lpString1 || !lpString2) return (lpString1 ? 1 : 0) - (lpString2 ? 1 : 0);
  for (;; ++lpString1, ++lpString2) {
    const auto a = static_cast<char32_t>(ToUpper(*lpString1));
    const auto b = static_cast<char32_t>(ToUpper(*lpString2));
    if (a != b) return a < b ? -1 : 1;
    if (a == 0) return 0;
  }
}

int LCMapStringW(LCID, DWORD dwMapFlags, LPCWSTR lpSrcStr, int cchSrc, LPWSTR lpDestStr, int cchDest) {
  if (!lpSrcStr || cchSrc < -1 || cchDest < 0 || (cchDest > 0 && !lpDestStr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::size_t length = cchSrc == -1 ? std::wcslen(lpSrcStr) + 1 : static_cast<std::size_t>(cchSrc);
  if (dwMapFlags & LCMAP_SORTKEY) {
    if (dwMapFlags & ~static_cast<DWORD>(LCMAP_SORTKEY | NORM_IGNORECASE)) {
      SetLastError(ERROR_INVALID_FLAGS);
      return 0;
    }
    const bool fold = (dwMapFlags & NORM_IGNORECASE) != 0;
    // The terminating zero of a cchSrc -1 string is not part of the key.
    const std::size_t chars = cchSrc == -1 ? length - 1 : length;
    const std::size_t needed = chars * 3 + 1;
    if (cchDest == 0) return static_cast<int>(needed);
    if (static_cast<std::size_t>(cchDest) < needed) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    auto* out = reinterpret_cast<unsigned char*>(lpDestStr);
    for (std::size_t i = 0; i < chars; ++i) {
      const auto c = static_cast<char32_t>(fold ? ToUpper(lpSrcStr[i]) : lpSrcStr[i]) & 0x1FFFFF;
      *out++ = static_cast<unsigned char>(c >> 16);
      *out++ = static_cast<unsigned char>(c >> 8);
      *out++ = static_cast<unsigned char>(c);
    }
    *out = 0;
    return static_cast<int>(needed);
  }
  const DWORD caseFlags = dwMapFlags & (LCMAP_UPPERCASE | LCMAP_LOWERCASE);
  if (caseFlags == 0 || caseFlags == (LCMAP_UPPERCASE | LCMAP_LOWERCASE) ||
      (dwMapFlags & ~static_cast<DWORD>(LCMAP_UPPERCASE | LCMAP_LOWERCASE))) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  if (cchDest == 0) return static_cast<int>(length);
  if (static_cast<std::size_t>(cchDest) < length) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (std::size_t i = 0; i < length; ++i)
    lpDestStr[i] = caseFlags == LCMAP_UPPERCASE ? ToUpper(lpSrcStr[i]) : ToLower(lpSrcStr[i]);
  return static_cast<int>(length);
}

}  // namespace win
