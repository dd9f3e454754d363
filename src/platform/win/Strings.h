// Locale-aware string comparison and case mapping, the subset the page
// utilities need: a case-insensitive comparison and a sort key, so that a
// list of addresses can drop entries that differ only in letter case without
// comparing every pair.
//
// On Windows these are the system's functions (the user's locale decides).
// The portable backend folds case by simple Unicode upper-case mapping for
// ASCII, Latin-1, Latin Extended-A, the paired letters of Latin Extended-B and
// Latin Extended Additional, Greek and Cyrillic (with its supplement); other
// characters compare as they are. Its sort key is the folded text, three bytes
// per character (big-endian code point), ended by a zero byte, so comparing
// keys byte by byte orders like lstrcmpiW.
#pragma once

#include "platform/win/WinTypes.h"

#ifdef _WIN32
#include <windows.h>
#else
#define LCMAP_LOWERCASE 0x00000100
#define LCMAP_UPPERCASE 0x00000200
#define LCMAP_SORTKEY 0x00000400
#define NORM_IGNORECASE 0x00000001
#endif

namespace win {

#ifdef _WIN32
using ::LCMapStringW;
using ::lstrcmpiW;
#else
// Negative, zero or positive as lpString1 sorts before, equal to or after
// lpString2 without regard to case. A null pointer sorts before any string.
int lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2);

// dwMapFlags: LCMAP_UPPERCASE or LCMAP_LOWERCASE (cchDest characters), or
// LCMAP_SORTKEY, optionally with NORM_IGNORECASE (cchDest bytes, lpDestStr then
// really a byte buffer). cchSrc -1: up to the terminating zero, which is
// mapped too. cchDest 0: answers the size needed. Answers 0 with
// ERROR_INSUFFICIENT_BUFFER or ERROR_INVALID_FLAGS / ERROR_INVALID_PARAMETER.
int LCMapStringW(LCID Locale, DWORD dwMapFlags, LPCWSTR lpSrcStr, int cchSrc, LPWSTR lpDestStr, int cchDest);
#endif

}  // namespace win
