// The privacy cleaner against real files and the registry: folders emptied
// whatever their files' attributes and scripts, what cannot go left with its
// folder while its siblings go, typed addresses removed key and all, and the
// "Clear All" button's steps in their order, each under the hourglass.
#include <gtest/gtest.h>

#include "main_toolbar/PrivacyUtils.h"
#include "platform/browser/UrlHist.h"
#include "platform/com/ComObject.h"
#include "platform/forms/TScreen.h"
#include "platform/win/Window.h"
#include "support/HeldFile.h"
#include "support/ScratchFolder.h"
#include "support/ToolbarBandFixture.h"
#include "main_toolbar/PrivacyTestSupport.h"

namespace {

using namespace privacy_test;
using testing_support::ScratchFolder;

class PrivacyFoldersTest : public testing_support::ComTest {};

TEST_F(PrivacyFoldersTest, AFolderIsEmptiedOfEverythingAndKept) {
  ScratchFolder scratch;
  const fs::path cache = scratch / "Cache";
  WriteFile(cache / "page.html");
  WriteFile(cache / "Content" / "A1" / "picture.gif");
  WriteFile(cache / "Content" / "read-only.txt");
  MakeReadOnly(cache / "Content" / "read-only.txt");
  WriteFile(cache / PathOf(u8"\u041f\u0440\u0438\u0432\u0435\u0442.txt"));
  WriteFile(cache / PathOf(u8"\u4e16\u754c") / PathOf(u8"\u6587\u4ef6.cookie"));
  fs::create_directories(cache / "empty");

  // A trailing separator is dropped.
  EXPECT_TRUE(vorn::DeleteFolderContents(Wide(cache) + L"\\"));
  EXPECT_TRUE(fs::is_directory(cache));
  EXPECT_EQ(Contents(cache), std::vector<std::string>{});

  // An empty folder: nothing to do, and nothing wrong.
  EXPECT_TRUE(vorn::DeleteFolderContents(Wide(cache)));
  EXPECT_TRUE(fs::is_directory(cache));
}

TEST_F(PrivacyFoldersTest, WhatCannotGoStaysWithItsFoldersAndTheRestGoes) {
  ScratchFolder scratch;
  const fs::path cookies = scratch / "Cookies";
  WriteFile(cookies / "a" / "in-use.txt");
  WriteFile(cookies / "a" / "free.txt");
  WriteFile(cookies / "b" / "free.txt");
  WriteFile(cookies / "c.txt");
  {
    testing_support::HeldFile inUse(cookies / "a" / "in-use.txt");
    EXPECT_FALSE(vorn::DeleteFolderContents(Wide(cookies)));
  }
  EXPECT_EQ(Contents(cookies), (std::vector<std::string>{"a", "a/in-use.txt"}));
  // Once the other program lets go, the next clearing takes it.
  EXPECT_TRUE(vorn::DeleteFolderContents(Wide(cookies)));
  EXPECT_EQ(Contents(cookies), std::vector<std::string>{});
}

TEST_F(PrivacyFoldersTest, EachRoutineClearsItsOwnShellFolderAndNothingElse) {
  ScratchFolder scratch;
  ShellFolders folders;
  for (const char* name : {"Cookies", "Cache", "History", "Recent"}) {
    folders.Set(com::FromUtf8(name), scratch / name);
    WriteFile(scratch / name / "entry.dat");
    WriteFile(scratch / name / "sub" / "entry.dat");
  }
  WriteFile(scratch / "Documents" / "letter.txt");

  vorn::ClearCookies();
  EXPECT_EQ(Contents(scratch / "Cookies"), std::vector<std::string>{});
  EXPECT_EQ(Contents(scratch / "Cache").size(), 3u);
  vorn::ClearCacheFiles();
  EXPECT_EQ(Contents(scratch / "Cache"), std::vector<std::string>{});
  vorn::ClearHistory();
  EXPECT_EQ(Contents(scratch / "History"), std::vector<std::string>{});
  EXPECT_EQ(Contents(scratch / "Recent").size(), 3u);
  vorn::ClearRecent();
  EXPECT_EQ(Contents(scratch / "Recent"), std::vector<std::string>{});
  for (const char* name : {"Cookies", "Cache", "History", "Recent"}) EXPECT_TRUE(fs::is_directory(scratch / name));
  EXPECT_EQ(Contents(scratch / "Documents"), std::vector<std::string>{"letter.txt"});

  // Without a value the folder step is skipped.
  folders.Remove(L"Recent");
  WriteFile(scratch / "Recent" / "kept.lnk");
  EXPECT_EQ(vorn::GetShellFolder(L"Recent"), L"");
  vorn::ClearRecent();
  EXPECT_EQ(Contents(scratch / "Recent"), std::vector<std::string>{"kept.lnk"});

  // A value that is not a string is an error of the routine.
  folders.SetDword(L"Recent", 1);
  EXPECT_THROW(vorn::ClearRecent(), win::RegistryError);
  EXPECT_EQ(Contents(scratch / "Recent"), std::vector<std::string>{"kept.lnk"});
}

TEST_F(PrivacyFoldersTest, TypedAddressesGoWithTheirKey) {
  PutTypedUrls({L"http://www.example.com/", L"http://www.example.org/secret"});
  {
    win::RegKey below;
    ASSERT_EQ(below.Create(HKEY_CURRENT_USER, std::wstring(kTypedUrls) + L"\\Below"), ERROR_SUCCESS);
  }
  testing_support::WriteString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\VornieNeighbour",
                               L"kept", L"yes");
  vorn::ClearTypedURLs();
  EXPECT_FALSE(TypedUrlsExist());
  EXPECT_EQ(testing_support::ReadString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\VornieNeighbour",
                                        L"kept"),
            L"yes");
  // Clearing again finds nothing and minds nothing.
  EXPECT_NO_THROW(vorn::ClearTypedURLs());
  win::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\VornieNeighbour");
}

// ---------------------------------------------------------------- the toolbar's actions

// Stands in for the system's URL history store: notes what the other stores
// looked like, and the cursor, when the cleaner empties it.
struct HistorySeen {
  int clears = 0;
  forms::TCursor cursor = forms::crDefault;
  HCURSOR systemCursor = nullptr;
  bool cacheEmpty = false, cookiesEmpty = false, recentEmpty = false, typedUrls = false;
};

class HistoryStore : public com::ComObject<IUrlHistoryStg2> {
  VORN_INTERFACE_TABLE_BEGIN(HistoryStore)
  VORN_ENTRY(IUrlHistoryStg)
  VORN_ENTRY(IUrlHistoryStg2)
  VORN_INTERFACE_TABLE_END

 public:
  HistoryStore(HistorySeen& seen, fs::path scratch) : seen_(seen), scratch_(std::move(scratch)) {}
  HRESULT STDMETHODCALLTYPE ClearHistory() override {
    ++seen_.clears;
    seen_.cursor = forms::Screen().Cursor();
    seen_.systemCursor = win::GetCursor();
    seen_.cacheEmpty = Contents(scratch_ / "Cache").empty();
    seen_.cookiesEmpty = Contents(scratch_ / "Cookies").empty();
    seen_.recentEmpty = Contents(scratch_ / "Recent").empty();
    seen_.typedUrls = TypedUrlsExist();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE AddUrl(LPCOLESTR, LPCOLESTR, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeleteUrl(LPCOLESTR, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryUrl(LPCOLESTR, DWORD, STATURL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BindToObject(LPCOLESTR, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumUrls(IEnumSTATURL**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AddUrlAndNotify(LPCOLESTR, LPCOLESTR, DWORD, BOOL, IOleCommandTarget*,
                                            IUnknown*) override {
    return E_NOTIMPL;
  }

 private:
  HistorySeen& seen_;
  fs::path scratch_;
};

class HistoryStoreFactory : public com::ComObject<IClassFactory> {
  VORN_INTERFACE_TABLE_BEGIN(HistoryStoreFactory)
  VORN_ENTRY(IClassFactory)
  VORN_INTERFACE_TABLE_END

 public:
  HistoryStoreFactory(HistorySeen& seen, fs::path scratch) : seen_(seen), scratch_(std::move(scratch)) {}
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (outer) return CLASS_E_NOAGGREGATION;
    return com::CreateObject<HistoryStore>(riid, ppv, seen_, scratch_);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  HistorySeen& seen_;
  fs::path scratch_;
};

// The history store of this process is the test's while it lives.
class ServedHistoryStore {
 public:
  ServedHistoryStore(HistorySeen& seen, const fs::path& scratch) : factory_(new HistoryStoreFactory(seen, scratch)) {
    EXPECT_EQ(CoRegisterClassObject(CLSID_CUrlHistory, factory_->Identity(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                    &cookie_),
              S_OK);
  }
  ~ServedHistoryStore() {
    if (cookie_) CoRevokeClassObject(cookie_);
  }
  ServedHistoryStore(const ServedHistoryStore&) = delete;
  ServedHistoryStore& operator=(const ServedHistoryStore&) = delete;

 private:
  com::ComPtr<HistoryStoreFactory> factory_;
  DWORD cookie_ = 0;
};

using PrivacyActionsTest = toolbar_testing::ToolbarBandFixture;

TEST_F(PrivacyActionsTest, ClearAllRunsTheStepsInItsOwnOrderEachUnderTheHourglass) {
  ScratchFolder scratch;
  ShellFolders folders;
  for (const char* name : {"Cookies", "Cache", "History", "Recent"}) {
    folders.Set(com::FromUtf8(name), scratch / name);
    WriteFile(scratch / name / "entry.dat");
  }
  PutTypedUrls({L"http://www.example.com/"});
  HistorySeen seen;
  {
    ServedHistoryStore history(seen, scratch.path());
    vorn::TMainIEToolBandForm& form = OpenBand();
    // The toolbar's button runs "Clear All"; no server is needed.
    ASSERT_TRUE(form.PrivacyAction->Execute());
    CloseBand();
  }
  EXPECT_EQ(seen.clears, 1);
  EXPECT_EQ(seen.cursor, forms::crHourGlass);
  EXPECT_EQ(seen.systemCursor, win::LoadCursorW(nullptr, IDC_WAIT));
  // Cached files first, then cookies, then history: the typed addresses and recent documents come after.
  EXPECT_TRUE(seen.cacheEmpty);
  EXPECT_TRUE(seen.cookiesEmpty);
  EXPECT_FALSE(seen.recentEmpty);
  EXPECT_TRUE(seen.typedUrls);
  for (const char* name : {"Cookies", "Cache", "History", "Recent"})
    EXPECT_EQ(Contents(scratch / name), std::vector<std::string>{}) << name;
  EXPECT_FALSE(TypedUrlsExist());
  EXPECT_EQ(forms::Screen().Cursor(), forms::crDefault);
  EXPECT_EQ(win::GetCursor(), win::LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(PrivacyActionsTest, AFailingStepEndsClearAllWithTheCursorRestored) {
  ScratchFolder scratch;
  ShellFolders folders;
  folders.Set(L"Cache", scratch / "Cache");
  WriteFile(scratch / "Cache" / "entry.dat");
  folders.SetDword(L"Cookies", 7);
  folders.Set(L"Recent", scratch / "Recent");
  WriteFile(scratch / "Recent" / "entry.lnk");
  PutTypedUrls({L"http://www.example.com/"});

  vorn::TMainIEToolBandForm& form = OpenBand();
  EXPECT_THROW(form.ClearAllAction->Execute(), win::RegistryError);
  EXPECT_EQ(forms::Screen().Cursor(), forms::crDefault);
  EXPECT_EQ(Contents(scratch / "Cache"), std::vector<std::string>{}) << "the step before the failing one ran";
  EXPECT_TRUE(TypedUrlsExist()) << "the steps after the failing one did not";
  EXPECT_EQ(Contents(scratch / "Recent"), std::vector<std::string>{"entry.lnk"});

  // A single step on its own still works.
  ASSERT_TRUE(form.ClearTypedURLsAction->Execute());
  EXPECT_FALSE(TypedUrlsExist());
}

TEST_F(PrivacyActionsTest, TheDropDownListsTheStepsInTheMenusOrder) {
  vorn::TMainIEToolBandForm& form = OpenBand();
  std::vector<std::wstring> captions;
  for (int i = 0; i < form.PrivacyPopupMenu->Items()->Count(); ++i)
    captions.push_back(form.PrivacyPopupMenu->Items()->Items(i)->Caption());
  EXPECT_EQ(captions, (std::vector<std::wstring>{L"Clear cookies", L"Clear cache files", L"Clear history",
                                                 L"Clear typed URLs", L"Clear recent", L"-", L"Clear All"}));
  for (forms::TAction* action : {form.ClearCookiesAction, form.ClearCacheFilesAction, form.ClearHistoryAction,
                                 form.ClearTypedURLsAction, form.ClearRecentAction, form.ClearAllAction})
    EXPECT_TRUE(action->Enabled());
}

}  // namespace
