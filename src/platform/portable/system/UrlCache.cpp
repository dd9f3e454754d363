// The URL cache of platform/win/UrlCache.h: entries of this process, filled
// and read through platform/portable/system/UrlCacheControl.h.
#include "platform/win/UrlCache.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/portable/system/HandleTable.h"
#include "platform/portable/system/UrlCacheControl.h"
#include "platform/win/Window.h"

namespace win {
namespace {

using urlcache::Entry;

struct Enumeration {
  DWORD filter = 0;
  std::uint64_t answered = 0;  // serial of the entry answered last
};

// Entries are kept by a serial that grows with every new URL, so an
// enumeration resumes after the serial it answered last: entries deleted
// behind or ahead of it cannot shift it, as an index into a list would.
class Cache {
 public:
  // The entry after `answered` that the filter takes, with its serial; null when none.
  const Entry* NextAfter(std::uint64_t answered, DWORD filter, std::uint64_t& serial) const {
    for (auto it = entries_.upper_bound(answered); it != entries_.end(); ++it) {
      if (it->second.type & filter) {
        serial = it->first;
        return &it->second;
      }
    }
    return nullptr;
  }

  void Add(Entry entry) {
    auto known = serials_.find(entry.sourceUrl);
    if (known != serials_.end()) {
      entries_[known->second] = std::move(entry);
      return;
    }
    const std::uint64_t serial = ++lastSerial_;
    serials_.emplace(entry.sourceUrl, serial);
    entries_.emplace(serial, std::move(entry));
  }

  DWORD Delete(const std::string& url) {
    auto known = serials_.find(url);
    if (known == serials_.end()) return ERROR_FILE_NOT_FOUND;
    auto entry = entries_.find(known->second);
    if (entry->second.locked) return ERROR_ACCESS_DENIED;
    entries_.erase(entry);
    serials_.erase(known);
    return ERROR_SUCCESS;
  }

  // Serials keep growing across a clear, so an enumeration under way finds nothing old.
  void Clear() {
    entries_.clear();
    serials_.clear();
    failuresLeft_ = 0;
  }

  std::vector<Entry> Snapshot() const {
    std::vector<Entry> out;
    out.reserve(entries_.size());
    for (const auto& [serial, entry] : entries_) out.push_back(entry);
    return out;
  }

  void FailNext(DWORD error, unsigned count) {
    failure_ = error;
    failuresLeft_ = count;
  }

  // The error an armed failure makes this call answer, ERROR_SUCCESS when none is armed.
  DWORD TakeFailure() {
    if (failuresLeft_ == 0) return ERROR_SUCCESS;
    if (failuresLeft_ != UINT_MAX) --failuresLeft_;
    return failure_;
  }

  std::mutex& Lock() { return mutex_; }

 private:
  std::mutex mutex_;
  std::map<std::uint64_t, Entry> entries_;
  std::unordered_map<std::string, std::uint64_t> serials_;
  std::uint64_t lastSerial_ = 0;
  DWORD failure_ = ERROR_SUCCESS;
  unsigned failuresLeft_ = 0;
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

portable::HandleTable<Enumeration>& Enumerations() {
  static portable::HandleTable<Enumeration> table;
  return table;
}

// Copies the entry into the caller's buffer, its strings after the structure.
// False, with the size needed in *size, when the buffer is missing or too small.
bool CopyEntry(const Entry& entry, LPINTERNET_CACHE_ENTRY_INFOA info, DWORD* size) {
  const size_t needed = sizeof(INTERNET_CACHE_ENTRY_INFOA) + entry.sourceUrl.size() + 1 + entry.localFile.size() + 1;
  const bool fits = info && *size >= needed;
  *size = static_cast<DWORD>(needed);
  if (!fits) return false;
  char* url = reinterpret_cast<char*>(info + 1);
  char* localFile = url + entry.sourceUrl.size() + 1;
  std::memcpy(url, entry.sourceUrl.c_str(), entry.sourceUrl.size() + 1);
  std::memcpy(localFile, entry.localFile.c_str(), entry.localFile.size() + 1);
  *info = INTERNET_CACHE_ENTRY_INFOA{};
  info->dwStructSize = sizeof(INTERNET_CACHE_ENTRY_INFOA);
  info->lpszSourceUrlName = url;
  info->lpszLocalFileName = localFile;
  info->CacheEntryType = entry.type;
  return true;
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

HANDLE FailFirst(DWORD error) {
  SetLastError(error);
  return nullptr;
}

}  // namespace

HANDLE FindFirstUrlCacheEntryExA(LPCSTR lpszUrlSearchPattern, DWORD dwFlags, DWORD dwFilter, GROUPID GroupId,
                                 LPINTERNET_CACHE_ENTRY_INFOA lpFirstCacheEntryInfo, DWORD* lpcbEntryInfo, void*,
                                 DWORD*, void*) {
  if (lpszUrlSearchPattern || dwFlags != 0 || GroupId != 0 || !lpcbEntryInfo)
    return FailFirst(ERROR_INVALID_PARAMETER);
  try {
    Cache& cache = TheCache();
    std::lock_guard lock(cache.Lock());
    std::uint64_t serial = 0;
    const Entry* entry = cache.NextAfter(0, dwFilter, serial);
    if (!entry) return FailFirst(ERROR_NO_MORE_ITEMS);
    if (!CopyEntry(*entry, lpFirstCacheEntryInfo, lpcbEntryInfo)) return FailFirst(ERROR_INSUFFICIENT_BUFFER);
    return Enumerations().Add(std::make_shared<Enumeration>(Enumeration{dwFilter, serial}));
  } catch (const std::bad_alloc&) {
    return FailFirst(ERROR_NOT_ENOUGH_MEMORY);
  }
}

BOOL FindNextUrlCacheEntryExA(HANDLE hEnumHandle, LPINTERNET_CACHE_ENTRY_INFOA lpNextCacheEntryInfo,
                              DWORD* lpcbEntryInfo, void*, DWORD*, void*) {
  const auto enumeration = Enumerations().Find(hEnumHandle);
  if (!enumeration) return Fail(ERROR_INVALID_HANDLE);
  if (!lpcbEntryInfo) return Fail(ERROR_INVALID_PARAMETER);
  Cache& cache = TheCache();
  std::lock_guard lock(cache.Lock());
  if (const DWORD failure = cache.TakeFailure(); failure != ERROR_SUCCESS) return Fail(failure);
  std::uint64_t serial = 0;
  const Entry* entry = cache.NextAfter(enumeration->answered, enumeration->filter, serial);
  if (!entry) return Fail(ERROR_NO_MORE_ITEMS);
  if (!CopyEntry(*entry, lpNextCacheEntryInfo, lpcbEntryInfo)) return Fail(ERROR_INSUFFICIENT_BUFFER);
  enumeration->answered = serial;
  return TRUE;
}

BOOL DeleteUrlCacheEntryA(LPCSTR lpszUrlName) {
  if (!lpszUrlName) return Fail(ERROR_INVALID_PARAMETER);
  try {
    Cache& cache = TheCache();
    std::lock_guard lock(cache.Lock());
    const DWORD error = cache.Delete(lpszUrlName);
    return error == ERROR_SUCCESS ? TRUE : Fail(error);
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
}

BOOL FindCloseUrlCache(HANDLE hEnumHandle) {
  return Enumerations().Remove(hEnumHandle) ? TRUE : Fail(ERROR_INVALID_HANDLE);
}

namespace urlcache {

void Clear() {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.Lock());
  cache.Clear();
}

void Add(Entry entry) {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.Lock());
  cache.Add(std::move(entry));
}

std::vector<Entry> Entries() {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.Lock());
  return cache.Snapshot();
}

void FailNextEntryCalls(DWORD error, unsigned count) {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.Lock());
  cache.FailNext(error, count);
}

}  // namespace urlcache
}  // namespace win
