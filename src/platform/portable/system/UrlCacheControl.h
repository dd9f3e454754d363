// Control of the portable URL cache (platform/win/UrlCache.h), for tests and
// tools (portable build only). The cache belongs to the process and starts
// empty; tests hold a ScopedCache so that none sees another's entries.
#pragma once

#include <string>
#include <vector>

#include "platform/win/UrlCache.h"

namespace win::urlcache {

struct Entry {
  std::string sourceUrl;
  std::string localFile;
  DWORD type = NORMAL_CACHE_ENTRY;
  bool locked = false;  // in use: DeleteUrlCacheEntryA refuses it
};

// Forgets every entry and disarms FailNextEntryCalls. Enumerations under way
// stay open and find nothing more.
void Clear();
// Adds at the end, or replaces the entry with the same source URL in its place.
void Add(Entry entry);
// The entries in the order enumerations list them.
std::vector<Entry> Entries();
// The next `count` FindNextUrlCacheEntryExA calls on an open enumeration fail
// with `error`, size queries included, and leave the enumeration where it was;
// a count of UINT_MAX never runs out. Calls with a handle that is not open fail
// with ERROR_INVALID_HANDLE without using one up.
void FailNextEntryCalls(DWORD error, unsigned count);

// An empty cache for the lifetime of the object, emptied again at its end.
class ScopedCache {
 public:
  ScopedCache() { Clear(); }
  ~ScopedCache() { Clear(); }
  ScopedCache(const ScopedCache&) = delete;
  ScopedCache& operator=(const ScopedCache&) = delete;
};

}  // namespace win::urlcache
