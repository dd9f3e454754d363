// The portable URL cache (platform/win/UrlCache.h) as a cleaner walks it: the
// two-call sizing protocol, filters, deletion during a walk, handle checks and
// the failures tests can inject.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "platform/portable/system/UrlCacheControl.h"
#include "platform/win/UrlCache.h"
#include "platform/win/Window.h"

namespace {

using win::urlcache::Entry;

constexpr DWORD kAnyEntry = NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY | COOKIE_CACHE_ENTRY | URLHISTORY_CACHE_ENTRY;

// An entry buffer of a chosen size, aligned for the structure at its start.
class EntryBuffer {
 public:
  explicit EntryBuffer(DWORD size) : size_(size), storage_(size / sizeof(void*) + 1) {}
  LPINTERNET_CACHE_ENTRY_INFOA Info() { return reinterpret_cast<LPINTERNET_CACHE_ENTRY_INFOA>(storage_.data()); }
  const char* Begin() const { return reinterpret_cast<const char*>(storage_.data()); }
  DWORD Size() const { return size_; }

 private:
  DWORD size_;
  std::vector<void*> storage_;
};

DWORD SizeOf(const std::string& url, const std::string& file) {
  return static_cast<DWORD>(sizeof(INTERNET_CACHE_ENTRY_INFOA) + url.size() + 1 + file.size() + 1);
}

class UrlCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    win::urlcache::Add({"http://a.example/", "/cache/a.htm", NORMAL_CACHE_ENTRY, false});
    win::urlcache::Add({"Cookie:user@b.example/", "/cache/b.txt", COOKIE_CACHE_ENTRY, false});
    win::urlcache::Add({"Visited: user@c.example/", "", URLHISTORY_CACHE_ENTRY, false});
    win::urlcache::Add({"http://d.example/style.css", "/cache/d.css", NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY, true});
  }

  // Every source URL an enumeration with this filter lists, each entry asked for
  // first with no buffer and then with exactly the size answered.
  static std::vector<std::string> Walk(DWORD filter) {
    std::vector<std::string> urls;
    DWORD size = 0;
    EXPECT_EQ(win::FindFirstUrlCacheEntryExA(nullptr, 0, filter, 0, nullptr, &size, nullptr, nullptr, nullptr),
              nullptr);
    if (win::GetLastError() == ERROR_NO_MORE_ITEMS) return urls;
    EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EntryBuffer first(size);
    HANDLE walk = win::FindFirstUrlCacheEntryExA(nullptr, 0, filter, 0, first.Info(), &size, nullptr, nullptr, nullptr);
    if (!walk) {
      ADD_FAILURE() << "error " << win::GetLastError();
      return urls;
    }
    urls.push_back(first.Info()->lpszSourceUrlName);
    for (;;) {
      size = 0;
      if (win::FindNextUrlCacheEntryExA(walk, nullptr, &size, nullptr, nullptr, nullptr)) {
        ADD_FAILURE() << "a size query answered an entry";
        break;
      }
      if (win::GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
      EntryBuffer next(size);
      if (!win::FindNextUrlCacheEntryExA(walk, next.Info(), &size, nullptr, nullptr, nullptr)) break;
      urls.push_back(next.Info()->lpszSourceUrlName);
    }
    EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    EXPECT_TRUE(win::FindCloseUrlCache(walk));
    return urls;
  }

  static HANDLE Open(DWORD filter, EntryBuffer& buffer) {
    DWORD size = buffer.Size();
    return win::FindFirstUrlCacheEntryExA(nullptr, 0, filter, 0, buffer.Info(), &size, nullptr, nullptr, nullptr);
  }
  static std::string Next(HANDLE walk) {
    EntryBuffer buffer(512);
    DWORD size = buffer.Size();
    if (!win::FindNextUrlCacheEntryExA(walk, buffer.Info(), &size, nullptr, nullptr, nullptr))
      return "<error " + std::to_string(win::GetLastError()) + ">";
    return buffer.Info()->lpszSourceUrlName;
  }

  win::urlcache::ScopedCache cache_;
};

// ------------------------------------------------------------------ sizes and contents

TEST_F(UrlCacheTest, ABufferTooSmallByOneByteIsRefusedWithTheSizeAndTheEntryIsNotSkipped) {
  const DWORD needed = SizeOf("http://a.example/", "/cache/a.htm");
  EntryBuffer small(needed - 1);
  DWORD size = small.Size();
  EXPECT_EQ(win::FindFirstUrlCacheEntryExA(nullptr, 0, kAnyEntry, 0, small.Info(), &size, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, needed);

  EntryBuffer exact(needed);
  HANDLE walk = Open(kAnyEntry, exact);
  ASSERT_NE(walk, nullptr);
  const INTERNET_CACHE_ENTRY_INFOA& info = *exact.Info();
  EXPECT_EQ(info.dwStructSize, sizeof(INTERNET_CACHE_ENTRY_INFOA));
  EXPECT_EQ(std::string(info.lpszSourceUrlName), "http://a.example/");
  EXPECT_EQ(std::string(info.lpszLocalFileName), "/cache/a.htm");
  EXPECT_EQ(info.CacheEntryType, static_cast<DWORD>(NORMAL_CACHE_ENTRY));
  // The strings live in the caller's buffer, after the structure.
  EXPECT_EQ(info.lpszSourceUrlName, exact.Begin() + sizeof(INTERNET_CACHE_ENTRY_INFOA));
  EXPECT_LE(info.lpszLocalFileName + std::string("/cache/a.htm").size() + 1, exact.Begin() + needed);

  // FindNext keeps its place after a refusal for size.
  DWORD tiny = 8;
  EntryBuffer eight(tiny);
  EXPECT_FALSE(win::FindNextUrlCacheEntryExA(walk, eight.Info(), &tiny, nullptr, nullptr, nullptr));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(tiny, SizeOf("Cookie:user@b.example/", "/cache/b.txt"));
  EXPECT_EQ(Next(walk), "Cookie:user@b.example/");
  EXPECT_TRUE(win::FindCloseUrlCache(walk));
}

TEST_F(UrlCacheTest, AFilterListsTheEntriesThatShareABitWithItInTheirOrder) {
  EXPECT_EQ(Walk(kAnyEntry), (std::vector<std::string>{"http://a.example/", "Cookie:user@b.example/",
                                                       "Visited: user@c.example/", "http://d.example/style.css"}));
  EXPECT_EQ(Walk(NORMAL_CACHE_ENTRY), (std::vector<std::string>{"http://a.example/", "http://d.example/style.css"}));
  EXPECT_EQ(Walk(COOKIE_CACHE_ENTRY | URLHISTORY_CACHE_ENTRY),
            (std::vector<std::string>{"Cookie:user@b.example/", "Visited: user@c.example/"}));
  EXPECT_EQ(Walk(STICKY_CACHE_ENTRY), (std::vector<std::string>{"http://d.example/style.css"}));
  EXPECT_TRUE(Walk(TRACK_OFFLINE_CACHE_ENTRY).empty());

  // Adding a known URL again replaces the entry where it stands.
  win::urlcache::Add({"http://a.example/", "/cache/a2.htm", COOKIE_CACHE_ENTRY, false});
  EXPECT_EQ(Walk(COOKIE_CACHE_ENTRY), (std::vector<std::string>{"http://a.example/", "Cookie:user@b.example/"}));
  EXPECT_EQ(win::urlcache::Entries().front().localFile, "/cache/a2.htm");
}

// ------------------------------------------------------------------ deletion

TEST_F(UrlCacheTest, EntriesDeletedDuringAWalkAreNotListedAndTheWalkGoesOn) {
  EntryBuffer buffer(512);
  HANDLE walk = Open(kAnyEntry, buffer);
  ASSERT_NE(walk, nullptr);
  EXPECT_EQ(std::string(buffer.Info()->lpszSourceUrlName), "http://a.example/");
  EXPECT_TRUE(win::DeleteUrlCacheEntryA("http://a.example/"));  // the one just listed
  EXPECT_TRUE(win::DeleteUrlCacheEntryA("Cookie:user@b.example/"));
  EXPECT_EQ(Next(walk), "Visited: user@c.example/");
  EXPECT_EQ(Next(walk), "http://d.example/style.css");
  EXPECT_EQ(Next(walk), "<error " + std::to_string(ERROR_NO_MORE_ITEMS) + ">");
  EXPECT_TRUE(win::FindCloseUrlCache(walk));
}

TEST_F(UrlCacheTest, DeletionRefusesUnknownAndLockedEntries) {
  EXPECT_FALSE(win::DeleteUrlCacheEntryA("http://unknown.example/"));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(win::DeleteUrlCacheEntryA("http://d.example/style.css"));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(win::DeleteUrlCacheEntryA(nullptr));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  ASSERT_TRUE(win::DeleteUrlCacheEntryA("Visited: user@c.example/"));
  EXPECT_FALSE(win::DeleteUrlCacheEntryA("Visited: user@c.example/"));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  std::vector<std::string> left;
  for (const Entry& entry : win::urlcache::Entries()) left.push_back(entry.sourceUrl);
  EXPECT_EQ(left, (std::vector<std::string>{"http://a.example/", "Cookie:user@b.example/", "http://d.example/style.css"}));
}

// ------------------------------------------------------------------ handles and arguments

TEST_F(UrlCacheTest, WalksHaveTheirOwnHandlesAndPlacesAndClosedOnesAreRefused) {
  EntryBuffer one(512), two(512);
  HANDLE first = Open(NORMAL_CACHE_ENTRY, one);
  HANDLE second = Open(kAnyEntry, two);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(Next(second), "Cookie:user@b.example/");
  EXPECT_EQ(Next(first), "http://d.example/style.css");

  ASSERT_TRUE(win::FindCloseUrlCache(first));
  EXPECT_EQ(Next(first), "<error " + std::to_string(ERROR_INVALID_HANDLE) + ">");
  EXPECT_FALSE(win::FindCloseUrlCache(first));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(win::FindCloseUrlCache(nullptr));
  EXPECT_EQ(Next(second), "Visited: user@c.example/") << "closing one walk moved the other";
  EXPECT_TRUE(win::FindCloseUrlCache(second));
}

TEST_F(UrlCacheTest, FindFirstRefusesPatternsFlagsGroupsAndAMissingSize) {
  EntryBuffer buffer(512);
  DWORD size = buffer.Size();
  EXPECT_EQ(win::FindFirstUrlCacheEntryExA("http://", 0, kAnyEntry, 0, buffer.Info(), &size, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(win::FindFirstUrlCacheEntryExA(nullptr, 1, kAnyEntry, 0, buffer.Info(), &size, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(win::FindFirstUrlCacheEntryExA(nullptr, 0, kAnyEntry, 7, buffer.Info(), &size, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(win::FindFirstUrlCacheEntryExA(nullptr, 0, kAnyEntry, 0, buffer.Info(), nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

  win::urlcache::Clear();
  EXPECT_EQ(Open(kAnyEntry, buffer), nullptr);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
}

// ------------------------------------------------------------------ injected failures

TEST_F(UrlCacheTest, InjectedFailuresHitTheNextCallsOnlyAndLeaveTheWalkInPlace) {
  constexpr DWORD kFailure = 1117;  // ERROR_IO_DEVICE
  EntryBuffer buffer(512);
  HANDLE walk = Open(kAnyEntry, buffer);
  ASSERT_NE(walk, nullptr) << "FindFirst is not one of the calls that fail";
  win::urlcache::FailNextEntryCalls(kFailure, 2);

  EXPECT_EQ(Next(nullptr), "<error " + std::to_string(ERROR_INVALID_HANDLE) + ">");
  DWORD size = 0;
  EXPECT_FALSE(win::FindNextUrlCacheEntryExA(walk, nullptr, &size, nullptr, nullptr, nullptr));
  EXPECT_EQ(win::GetLastError(), kFailure) << "a size query is one of the calls";
  EXPECT_EQ(Next(walk), "<error " + std::to_string(kFailure) + ">");
  EXPECT_EQ(Next(walk), "Cookie:user@b.example/");

  win::urlcache::FailNextEntryCalls(kFailure, UINT_MAX);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Next(walk), "<error " + std::to_string(kFailure) + ">");
  win::urlcache::Clear();
  win::urlcache::Add({"http://e.example/", "/cache/e", NORMAL_CACHE_ENTRY, false});
  EXPECT_EQ(Next(walk), "http://e.example/") << "Clear() left the failure armed";
  EXPECT_TRUE(win::FindCloseUrlCache(walk));
}

}  // namespace
