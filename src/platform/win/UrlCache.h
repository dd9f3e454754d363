// The browser's URL cache, as far as the privacy cleaner walks it: the
// extended first/next/close enumeration and deletion by source URL, with the
// Windows names, signatures and error conventions (a null handle or FALSE with
// the reason in GetLastError). ANSI, as the cache keys its entries by ANSI URL.
//
// On Windows these are WinInet's functions. The portable backend is a cache
// of this process (platform/portable/system/UrlCacheControl.h fills and reads
// it) that keeps the rules callers rely on:
// - an enumeration lists the entries whose type shares a bit with the filter,
//   in the order they were added; the search pattern must be null, flags and
//   group 0;
// - called with no buffer or one too small, FindFirst answers null and
//   FindNext FALSE, with ERROR_INSUFFICIENT_BUFFER and the size needed in
//   *lpcbEntryInfo; FindFirst then keeps no enumeration, and FindNext stays on
//   the same entry; the source URL and local file name are copied into the
//   caller's buffer after the structure;
// - FindFirst answers null with ERROR_NO_MORE_ITEMS when nothing matches, and
//   FindNext FALSE with ERROR_NO_MORE_ITEMS after the last entry;
// - DeleteUrlCacheEntryA fails with ERROR_FILE_NOT_FOUND for an unknown URL
//   and ERROR_ACCESS_DENIED for an entry in use (locked); a deleted entry
//   is no longer listed by enumerations already under way.
#pragma once

#include "platform/win/Files.h"

#ifdef _WIN32
#include <wininet.h>
#else
#define NORMAL_CACHE_ENTRY 0x00000001
#define STICKY_CACHE_ENTRY 0x00000004
#define TRACK_OFFLINE_CACHE_ENTRY 0x00000010
#define TRACK_ONLINE_CACHE_ENTRY 0x00000020
#define COOKIE_CACHE_ENTRY 0x00100000
#define URLHISTORY_CACHE_ENTRY 0x00200000

using GROUPID = LONGLONG;

struct INTERNET_CACHE_ENTRY_INFOA {
  DWORD dwStructSize;
  LPSTR lpszSourceUrlName;
  LPSTR lpszLocalFileName;
  DWORD CacheEntryType;
  DWORD dwUseCount;
  DWORD dwHitRate;
  DWORD dwSizeLow;
  DWORD dwSizeHigh;
  FILETIME LastModifiedTime;
  FILETIME ExpireTime;
  FILETIME LastAccessTime;
  FILETIME LastSyncTime;
  LPSTR lpHeaderInfo;
  DWORD dwHeaderInfoSize;
  LPSTR lpszFileExtension;
  DWORD dwReserved;
};
using LPINTERNET_CACHE_ENTRY_INFOA = INTERNET_CACHE_ENTRY_INFOA*;
#endif

namespace win {

#ifdef _WIN32
using ::DeleteUrlCacheEntryA;
using ::FindCloseUrlCache;
using ::FindFirstUrlCacheEntryExA;
using ::FindNextUrlCacheEntryExA;
#else
HANDLE FindFirstUrlCacheEntryExA(LPCSTR lpszUrlSearchPattern, DWORD dwFlags, DWORD dwFilter, GROUPID GroupId,
                                 LPINTERNET_CACHE_ENTRY_INFOA lpFirstCacheEntryInfo, DWORD* lpcbEntryInfo,
                                 void* lpGroupAttributes, DWORD* lpcbGroupAttributes, void* lpReserved);
BOOL FindNextUrlCacheEntryExA(HANDLE hEnumHandle, LPINTERNET_CACHE_ENTRY_INFOA lpNextCacheEntryInfo,
                              DWORD* lpcbEntryInfo, void* lpGroupAttributes, DWORD* lpcbGroupAttributes,
                              void* lpReserved);
BOOL DeleteUrlCacheEntryA(LPCSTR lpszUrlName);
// FALSE with ERROR_INVALID_HANDLE for a handle that is not an open enumeration.
BOOL FindCloseUrlCache(HANDLE hEnumHandle);
#endif

}  // namespace win
