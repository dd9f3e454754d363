// The privacy cleaner against the portable build's URL cache and history
// store, and against links that lead out of the folders it clears.
#include <gtest/gtest.h>

#include <limits>

#include "main_toolbar/PrivacyUtils.h"
#include "main_toolbar/PrivacyTestSupport.h"
#include "platform/portable/system/UrlCacheControl.h"
#include "platform/portable/system/UrlHistoryControl.h"
#include "support/ComTest.h"
#include "support/ScratchFolder.h"

namespace {

using namespace privacy_test;
using testing_support::ScratchFolder;
namespace urlcache = win::urlcache;

class PrivacyCacheTest : public testing_support::ComTest {
 protected:
  void SetUp() override {
    urlcache::Clear();
    win::urlhistory::Clear();
    for (const auto& [url, type] : std::vector<std::pair<std::string, DWORD>>{
             {"http://www.example.com/page.html", NORMAL_CACHE_ENTRY},
             {"http://www.example.com/pinned.css", STICKY_CACHE_ENTRY},
             {"http://offline.example.com/", TRACK_OFFLINE_CACHE_ENTRY},
             {"http://online.example.com/", TRACK_ONLINE_CACHE_ENTRY},
             {"Cookie:user@example.com/", COOKIE_CACHE_ENTRY},
             {"cookie:user@example.org/", COOKIE_CACHE_ENTRY},
             {"Visited: user@http://www.example.com/", URLHISTORY_CACHE_ENTRY},
             {"VISITED: user@http://www.example.org/", URLHISTORY_CACHE_ENTRY},
         })
      urlcache::Add({url, "", type, false});
  }
  void TearDown() override {
    urlcache::Clear();
    win::urlhistory::Clear();
    ComTest::TearDown();
  }

  static std::vector<std::string> Urls() {
    std::vector<std::string> urls;
    for (const auto& entry : urlcache::Entries()) urls.push_back(entry.sourceUrl);
    return urls;
  }
};

TEST_F(PrivacyCacheTest, CacheFilesTakeEveryEntryTypeButALockedOne) {
  urlcache::Add({"http://www.example.com/in-use.js", "", NORMAL_CACHE_ENTRY, true});
  // Outside the filter: never enumerated, never deleted.
  urlcache::Add({"http://www.example.com/edited", "", 0x8 /* edited */, false});
  vorn::ClearCacheFiles();
  EXPECT_EQ(Urls(), (std::vector<std::string>{"http://www.example.com/in-use.js", "http://www.example.com/edited"}));
}

TEST_F(PrivacyCacheTest, CookiesAndHistoryTakeTheirPrefixInAnyCase) {
  vorn::ClearCookies();
  EXPECT_EQ(Urls(), (std::vector<std::string>{"http://www.example.com/page.html", "http://www.example.com/pinned.css",
                                              "http://offline.example.com/", "http://online.example.com/",
                                              "Visited: user@http://www.example.com/",
                                              "VISITED: user@http://www.example.org/"}));

  win::urlhistory::Add(L"http://www.example.com/", L"Example");
  vorn::ClearHistory();
  EXPECT_EQ(Urls(), (std::vector<std::string>{"http://www.example.com/page.html", "http://www.example.com/pinned.css",
                                              "http://offline.example.com/", "http://online.example.com/"}));
  EXPECT_EQ(win::urlhistory::ClearHistoryCalls(), 1u);
  EXPECT_TRUE(win::urlhistory::Urls().empty());
}

TEST_F(PrivacyCacheTest, AWalkTheCacheCannotContinueEndsAtItsFirstError) {
  constexpr DWORD kBroken = 12004;  // the cache's internal error
  urlcache::FailNextEntryCalls(kBroken, std::numeric_limits<unsigned>::max());
  EXPECT_EQ(vorn::DeleteUrlCacheEntries(nullptr), kBroken);
  // The first entry, read before the failures, went.
  EXPECT_EQ(Urls().size(), 7u);
  EXPECT_EQ(Urls().front(), "http://www.example.com/pinned.css");

  // Once the cache mends, the next clearing finishes the job.
  urlcache::FailNextEntryCalls(kBroken, 0);
  EXPECT_EQ(vorn::DeleteUrlCacheEntries(nullptr), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  EXPECT_TRUE(Urls().empty());
  // An empty cache: nothing to walk.
  EXPECT_EQ(vorn::DeleteUrlCacheEntries(nullptr), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
}

TEST_F(PrivacyCacheTest, LinksLeadingOutOfAFolderAreRemovedAndWhatTheyLeadToStays) {
  ScratchFolder scratch;
  const fs::path outside = scratch / "Documents";
  WriteFile(outside / "letter.txt");
  WriteFile(outside / "photos" / "holiday.jpg");
  const fs::path cache = scratch / "Cache";
  WriteFile(cache / "page.html");
  fs::create_directory_symlink(outside, cache / "linked folder");
  fs::create_symlink(outside / "letter.txt", cache / "linked file");
  fs::create_directories(cache / "sub");
  fs::create_directory_symlink(outside / "photos", cache / "sub" / "deeper link");
  fs::create_symlink(scratch / "nowhere", cache / "dangling");

  ShellFolders folders;
  folders.Set(L"Cache", cache);
  vorn::ClearCacheFiles();

  EXPECT_EQ(Contents(cache), std::vector<std::string>{});
  EXPECT_EQ(Contents(outside), (std::vector<std::string>{"letter.txt", "photos", "photos/holiday.jpg"}));
}

}  // namespace
