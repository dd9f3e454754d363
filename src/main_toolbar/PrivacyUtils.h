// The privacy cleaner: removes the current user's cookies, cached files,
// browsing history, typed addresses and recently opened documents from the
// stores of the browser and the system. Nothing is asked and nothing is
// reported: entries in use elsewhere are skipped and stay.
#pragma once

#include <string>

#include "platform/win/WinTypes.h"

namespace vorn {

void ClearCookies();
void ClearCacheFiles();
void ClearHistory();
void ClearTypedURLs();
void ClearRecent();

// Deletes the URL cache's entries whose source URL begins with `prefix`
// (ASCII letters in any case), or every entry when it is null. Answers 0 or
// the error that ended the walk: ERROR_NO_MORE_ITEMS at its regular end.
// A walk the cache cannot continue ends at the first error other than a
// buffer that turned out too small, which is retried a few times: a broken
// cache cannot keep it going forever.
DWORD DeleteUrlCacheEntries(const char* prefix);

// The current user's shell folder of that name ("Cache", "Cookies",
// "History", "Recent"); empty when it is not set. win::RegistryError when the
// value is not a string.
std::wstring GetShellFolder(const std::wstring& name);

// Deletes everything inside the folder and keeps the folder itself: read-only,
// hidden and system files too, subfolders with their contents. A link (a
// symbolic link or junction) is removed itself, never what it points to, so
// that nothing outside the folder is touched. An entry that cannot go is
// skipped; the answer is then false, and the folders holding it stay.
bool DeleteFolderContents(const std::wstring& path);

}  // namespace vorn
