#include "main_toolbar/PrivacyUtils.h"

#include <cstdint>
#include <vector>

#include "platform/browser/UrlHist.h"
#include "platform/com/ComPtr.h"
#include "platform/win/Files.h"
#include "platform/win/RegKey.h"
#include "platform/win/UrlCache.h"
#include "platform/win/Window.h"

namespace vorn {
namespace {

const wchar_t kShellFoldersKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const wchar_t kTypedUrlsKey[] = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";

// The cache's standard entry types: normal, sticky, offline and online
// tracking, cookies and history.
constexpr DWORD kCacheEntryFilter = NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY | TRACK_OFFLINE_CACHE_ENTRY |
                                    TRACK_ONLINE_CACHE_ENTRY | COOKIE_CACHE_ENTRY | URLHISTORY_CACHE_ENTRY;
// An entry may grow between the size query and the read; past this many tries the cache is taken as broken.
constexpr int kEntryReadTries = 3;

// Entry buffers are kept aligned for the structure at their start.
class EntryBuffer {
 public:
  void Resize(DWORD bytes) { words_.assign((bytes + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t), 0); }
  INTERNET_CACHE_ENTRY_INFOA* Entry() {
    return words_.empty() ? nullptr : reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(words_.data());
  }
  DWORD Size() const { return static_cast<DWORD>(words_.size() * sizeof(std::uint64_t)); }

 private:
  std::vector<std::uint64_t> words_;
};

class UrlCacheEnumeration {
 public:
  UrlCacheEnumeration() = default;
  UrlCacheEnumeration(const UrlCacheEnumeration&) = delete;
  UrlCacheEnumeration& operator=(const UrlCacheEnumeration&) = delete;
  ~UrlCacheEnumeration() {
    if (handle_) win::FindCloseUrlCache(handle_);
  }
  HANDLE Get() const { return handle_; }
  void Reset(HANDLE handle) {
    if (handle_) win::FindCloseUrlCache(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

// One entry read as the cache wants it: the size first, then the entry into a
// buffer of that size. `read` answers whether the call succeeded. 0 or the error.
template <class Read>
DWORD ReadEntry(EntryBuffer& buffer, Read read) {
  for (int attempt = 0; attempt < kEntryReadTries; ++attempt) {
    DWORD size = 0;
    if (read(nullptr, &size)) return 0;  // nothing to read into: not expected, but not a failure
    DWORD error = win::GetLastError();
    if (error != ERROR_INSUFFICIENT_BUFFER) return error;
    buffer.Resize(size);
    size = buffer.Size();
    if (read(buffer.Entry(), &size)) return 0;
    error = win::GetLastError();
    if (error != ERROR_INSUFFICIENT_BUFFER) return error;
  }
  return ERROR_INSUFFICIENT_BUFFER;
}

bool BeginsWith(const char* text, const char* prefix) {
  if (!text) return false;
  for (; *prefix; ++prefix, ++text) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (!*text || lower(*text) != lower(*prefix)) return false;
  }
  return true;
}

void DeleteEntry(INTERNET_CACHE_ENTRY_INFOA* entry, const char* prefix) {
  if (!entry || !entry->lpszSourceUrlName) return;
  // An entry in use elsewhere stays: its deletion fails and is left at that.
  if (!prefix || BeginsWith(entry->lpszSourceUrlName, prefix)) win::DeleteUrlCacheEntryA(entry->lpszSourceUrlName);
}

void ClearShellFolder(const wchar_t* name) {
  const std::wstring path = GetShellFolder(name);
  if (!path.empty()) DeleteFolderContents(path);
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

DWORD DeleteUrlCacheEntries(const char* prefix) {
  EntryBuffer buffer;
  UrlCacheEnumeration enumeration;
  DWORD result = ReadEntry(buffer, [&](INTERNET_CACHE_ENTRY_INFOA* entry, DWORD* size) {
    enumeration.Reset(win::FindFirstUrlCacheEntryExA(nullptr, 0, kCacheEntryFilter, 0, entry, size, nullptr,
                                                     nullptr, nullptr));
    return enumeration.Get() != nullptr;
  });
  if (result != 0 || !enumeration.Get()) return result ? result : ERROR_NO_MORE_ITEMS;
  DeleteEntry(buffer.Entry(), prefix);
  while (result == 0) {
    result = ReadEntry(buffer, [&](INTERNET_CACHE_ENTRY_INFOA* entry, DWORD* size) {
      return win::FindNextUrlCacheEntryExA(enumeration.Get(), entry, size, nullptr, nullptr, nullptr) != FALSE;
    });
    if (result == 0) DeleteEntry(buffer.Entry(), prefix);
  }
  return result;
}

std::wstring GetShellFolder(const std::wstring& name) {
  win::RegKey key;
  if (key.Open(HKEY_CURRENT_USER, kShellFoldersKey, KEY_READ) != ERROR_SUCCESS) return {};
  DWORD type = REG_NONE;
  DWORD bytes = 0;
  LSTATUS status = win::RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, nullptr, &bytes);
  if (status == ERROR_FILE_NOT_FOUND) return {};
  if (status != ERROR_SUCCESS) throw win::RegistryError(status, "cannot read the shell folder value");
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    throw win::RegistryError(ERROR_BAD_FORMAT, "the shell folder value is not a string");
  std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  status = win::RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                                 &bytes);
  if (status != ERROR_SUCCESS) throw win::RegistryError(status, "cannot read the shell folder value");
  // The data may or may not end with its terminator; the buffer has one more in any case.
  return std::wstring(text.data());
}

bool DeleteFolderContents(const std::wstring& path) {
  std::wstring folder = path;
  if (!folder.empty() && IsSeparator(folder.back())) folder.pop_back();

  // The whole listing first: what is deleted does not disturb the walk.
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found{};
  HANDLE find = win::FindFirstFileW((folder + L"\\*.*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD error = win::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES;
  }
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (win::FindNextFileW(find, &found));
  const bool listed = win::GetLastError() == ERROR_NO_MORE_FILES;
  win::FindClose(find);

  bool all = listed;
  for (const std::wstring& name : names) {
    const std::wstring full = folder + L"\\" + name;
    const DWORD attributes = win::GetFileAttributesW(full.c_str());
    bool gone = false;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      // A link to somewhere else: the link goes, what it points to is not ours to empty.
      gone = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? win::RemoveDirectoryW(full.c_str())
                                                     : win::DeleteFileW(full.c_str());
    } else if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      if (DeleteFolderContents(full)) {
        win::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        gone = win::RemoveDirectoryW(full.c_str());
      }
    } else {
      const bool writable = win::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      gone = win::DeleteFileW(full.c_str()) && writable;
    }
    all = all && gone;
  }
  return all;
}

void ClearCookies() {
  DeleteUrlCacheEntries("Cookie");
  ClearShellFolder(L"Cookies");
}

void ClearCacheFiles() {
  DeleteUrlCacheEntries(nullptr);
  ClearShellFolder(L"Cache");
}

void ClearHistory() {
  // The history store is optional: a system without it still has the other two stores cleared.
  com::ComPtr<IUrlHistoryStg2> history;
  if (SUCCEEDED(CoCreateInstance(CLSID_CUrlHistory, nullptr, CLSCTX_INPROC_SERVER, IID_IUrlHistoryStg2,
                                 history.PutVoid())) &&
      history)
    history->ClearHistory();
  DeleteUrlCacheEntries("Visited");
  ClearShellFolder(L"History");
}

void ClearTypedURLs() {
  // A missing key has nothing to clear; a key that will not go is left as it is.
  win::RegDeleteTreeW(HKEY_CURRENT_USER, kTypedUrlsKey);
}

void ClearRecent() { ClearShellFolder(L"Recent"); }

}  // namespace vorn
