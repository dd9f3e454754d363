// Control of the portable URL history store (CLSID_CUrlHistory, see
// platform/browser/UrlHist.h), for tests and tools (portable build only). The
// history belongs to the process and starts empty; every object of the class
// sees the same one.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace win::urlhistory {

// Forgets every address and the count of ClearHistory calls.
void Clear();
// Adds at the end, or gives a known address its new title.
void Add(std::wstring_view url, std::wstring_view title);
// The addresses in the order they were first added.
std::vector<std::wstring> Urls();
// The title kept for an address; nothing for an unknown one.
std::optional<std::wstring> Title(std::wstring_view url);
// How many times IUrlHistoryStg2::ClearHistory ran since the last Clear().
unsigned ClearHistoryCalls();

// An empty history for the lifetime of the object, emptied again at its end.
class ScopedHistory {
 public:
  ScopedHistory() { Clear(); }
  ~ScopedHistory() { Clear(); }
  ScopedHistory(const ScopedHistory&) = delete;
  ScopedHistory& operator=(const ScopedHistory&) = delete;
};

}  // namespace win::urlhistory
