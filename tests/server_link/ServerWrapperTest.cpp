// A browser thread's link to the archive application: one wrapper shared by
// the thread's toolband forms, the forms told of connection and events in
// registration order, calls that fall back to defaults when the server is
// gone, and message 0x500 reconnecting.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "band_hosting/IEBandRegistry.h"
#include "band_hosting/RecordingBand.h"
#include "platform/com/SafeArray.h"
#include "server_link/ServerWrapperUnit.h"
#include "standins/app_server/ArchiveServer.h"
#include "standins/browser/WebBrowser.h"
#include "standins/html/HtmlDocument.h"
#include "support/ComTest.h"

namespace {

using band_testing::BrowserWindow;
using standins::ArchiveServer;
using vorn::ServerWrapper;

// What every toolband form of a test heard, in order, as "<form>:<news>".
std::vector<std::wstring>& Heard() {
  static std::vector<std::wstring> heard;
  return heard;
}

class NewsForm : public vorn::TStowlyIEToolBandForm {
 public:
  explicit NewsForm(vorn::TIEBand* band) : TStowlyIEToolBandForm(band), FTag(std::to_wstring(++Made())) {}
  static int& Made() {
    static int made = 0;
    return made;
  }

  const std::wstring FTag;
  // Runs inside the form's handler of that news, after it was noted.
  std::function<void(const std::wstring& news)> onNews;

  void ServerConnected(void*) override { Note(L"Connected"); }
  void ServerDisconnected(void*) override { Note(L"Disconnected"); }
  void DocumentDataChange(void*, LONG id, bool present, const std::wstring& comments, LONG status,
                          LONG rating) override {
    Note(L"Document(" + std::to_wstring(id) + (present ? L",present," : L",gone,") + comments + L"," +
         std::to_wstring(status) + L"," + std::to_wstring(rating) + L")");
  }
  void SettingsChange(void*) override { Note(L"Settings"); }
  void FunctionalityChange(void*) override { Note(L"Functionality"); }
  void QuickGroupChange(void*) override { Note(L"QuickGroups"); }

 private:
  void Note(const std::wstring& news) {
    Heard().push_back(FTag + L":" + news);
    if (onNews) onNews(news);
  }
};

class ServerWrapperTest : public testing_support::ComTest {
 protected:
  void SetUp() override {
    comInitialized_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    Heard().clear();
    NewsForm::Made() = 0;
  }
  void TearDown() override {
    browser_.reset();
    EXPECT_EQ(ServerWrapper, nullptr) << "the wrapper outlived the thread's last toolband form";
    if (server_) {
      EXPECT_EQ(server_->SinkCount(), 0u) << "a sink stayed advised";
      server_->Revoke();
      server_.Reset();
    }
    ComTest::TearDown();
    if (comInitialized_) CoUninitialize();
  }

  ArchiveServer& RunServer() {
    server_ = ArchiveServer::CreateWithSampleArchive();
    EXPECT_EQ(server_->Register(), S_OK);
    return *server_.Get();
  }
  NewsForm* AddToolband() { return browser_->AddBand<NewsForm>(); }
  // Retrieves the reconnect message from this thread's queue, as a message loop would.
  static void DeliverReconnect() {
    ASSERT_TRUE(win::PostThreadMessageW(win::GetCurrentThreadId(), vorn::kReconnectMessage, 0, 0));
    MSG msg{};
    ASSERT_TRUE(win::PeekMessageW(&msg, nullptr, vorn::kReconnectMessage, vorn::kReconnectMessage, PM_REMOVE));
  }

  std::unique_ptr<BrowserWindow> browser_ = std::make_unique<BrowserWindow>();
  com::ComPtr<ArchiveServer> server_;
  bool comInitialized_ = false;
};

TEST_F(ServerWrapperTest, WithoutARunningServerEverythingAnswersItsDefault) {
  NewsForm* form = AddToolband();
  ASSERT_TRUE(form);
  ASSERT_NE(ServerWrapper, nullptr);
  vorn::TServerWrapper& w = *ServerWrapper;
  EXPECT_FALSE(w.IsConnected());
  EXPECT_FALSE(w.GetServer());
  EXPECT_EQ(w.GetDocumentId(L"http://example.com/"), -1);
  EXPECT_EQ(w.GetRatingCount(), 0);
  EXPECT_FALSE(w.HasDomainLinks(L"http://example.com/"));
  std::vector<LONG> ids{1, 2};
  w.GetDomainLinks(L"http://example.com/", ids);
  EXPECT_TRUE(ids.empty());
  LONG id = 5, status = 6, rating = 7;
  std::wstring comments = L"old";
  EXPECT_FALSE(w.GetDocumentData(L"http://example.com/", id, comments, status, rating));
  EXPECT_TRUE(comments.empty());
  std::wstring caption = L"x", key = L"y";
  w.GetTranslation(0, caption, key);
  EXPECT_EQ(caption + key, L"");
  w.SetEnabled(true);
  w.ShowSettings();
  DeliverReconnect();  // still nothing running
  EXPECT_FALSE(w.IsConnected());
  EXPECT_TRUE(Heard().empty()) << "nobody is told anything without a server";
}

TEST_F(ServerWrapperTest, ToolbandsOfAThreadShareOneWrapperAndHearEventsInSlotOrder) {
  ArchiveServer& server = RunServer();
  NewsForm* first = AddToolband();
  NewsForm* second = AddToolband();
  ASSERT_TRUE(first && second);
  vorn::TServerWrapper* wrapper = ServerWrapper;
  ASSERT_NE(wrapper, nullptr);
  EXPECT_TRUE(wrapper->IsConnected());
  EXPECT_EQ(wrapper->FormCount(), 2);
  EXPECT_EQ(server.SinkCount(), 1u) << "one sink per thread";
  EXPECT_TRUE(Heard().empty()) << "forms joining a connected wrapper get no ServerConnected of their own";

  server.FireDocumentDataChange(12, true, L"note", 1, 2);
  server.FireSettingsChange();
  server.FireFunctionalityChange();
  server.FireQuickGroupChange();
  server.FireRefreshHighlight();  // not relayed
  EXPECT_EQ(Heard(), (std::vector<std::wstring>{L"1:Document(12,present,note,1,2)", L"2:Document(12,present,note,1,2)",
                                                L"1:Settings", L"2:Settings", L"1:Functionality", L"2:Functionality",
                                                L"1:QuickGroups", L"2:QuickGroups"}));

  // The first form leaves; the next form takes its blank slot and so hears first.
  browser_->CloseBand(0);
  EXPECT_EQ(ServerWrapper, wrapper);
  EXPECT_TRUE(wrapper->IsConnected()) << "closing the second-to-last toolband keeps the connection";
  NewsForm* third = AddToolband();
  ASSERT_TRUE(third);
  EXPECT_EQ(wrapper->SlotCount(), 2u) << "the blank slot was reused";
  Heard().clear();
  server.FireSettingsChange();
  EXPECT_EQ(Heard(), (std::vector<std::wstring>{L"3:Settings", L"2:Settings"}));

  browser_->CloseBand(0);
  browser_->CloseBand(0);
  EXPECT_EQ(ServerWrapper, nullptr) << "the last toolband frees the wrapper";
  EXPECT_EQ(server.SinkCount(), 0u) << "and the sink is unadvised";
}

TEST_F(ServerWrapperTest, CallsReachTheServerWithItsConventions) {
  ArchiveServer& server = RunServer();
  ASSERT_TRUE(AddToolband());
  vorn::TServerWrapper& w = *ServerWrapper;
  server.ClearCalls();
  w.SetEnabled(true);
  w.SetHighlightEnabled(false);
  w.ShowComments(12);
  w.SetDocumentRating(12, 3);
  w.ManageQuickGroups();
  const auto texts = server.CallTexts();
  EXPECT_EQ(texts, (std::vector<std::wstring>{L"SetEnabled(true)", L"SetHighlightEnabled(false)", L"ShowComments(12)",
                                              L"SetDocumentRating(12, 3)", L"ManageQuickGroups()"}));
  ASSERT_EQ(server.CallsTo(L"SetEnabled").size(), 1u);
  EXPECT_EQ(server.CallsTo(L"SetEnabled")[0].args[0].boolVal, VARIANT_TRUE) << "Booleans travel as -1";

  // Documents of the sample archive, read back through the wrapper.
  const auto* doc = server.FindDocument(2);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(w.GetDocumentId(doc->url), doc->id);
  LONG id = 0, status = 0, rating = 0;
  std::wstring comments;
  EXPECT_TRUE(w.GetDocumentData(doc->url, id, comments, status, rating));
  EXPECT_EQ(id, doc->id);
  EXPECT_EQ(comments, doc->comments);
  EXPECT_EQ(status, doc->status);
  EXPECT_EQ(rating, doc->rating);
  EXPECT_TRUE(w.HasDomainLinks(doc->url));
  std::vector<LONG> ids;
  w.GetDomainLinks(doc->url, ids);
  EXPECT_EQ(ids, server.DomainLinks(doc->url));
  std::wstring url;
  w.GetLinkUrl(doc->id, url);
  EXPECT_EQ(url, doc->url);

  EXPECT_GT(w.GetRatingCount(), 0);
  OLE_COLOR text = 1, back = 1;
  EXPECT_TRUE(w.GetRatingColors(0, text, back));
  OLE_COLOR colors[4] = {};
  EXPECT_TRUE(w.GetCommentColors(colors[0], colors[1], colors[2], colors[3]));
  bool visible = false;
  std::wstring name;
  LONG links = 0;
  EXPECT_TRUE(w.GetQuickGroup(0, visible, name, links));
  EXPECT_FALSE(name.empty());
  std::wstring caption;
  EXPECT_TRUE(w.GetQuickLink(0, 0, caption, url));
  EXPECT_FALSE(caption.empty() || url.empty());
  EXPECT_GT(w.GetTranslationCount(), 0);
  std::wstring key;
  w.GetTranslation(0, caption, key);
  EXPECT_FALSE(key.empty());
  std::wstring translated;
  w.GetTranslationUrl(L"http://example.com/", key, translated);
  EXPECT_NE(translated.find(L"example.com"), std::wstring::npos);
  EXPECT_TRUE(Heard().empty()) << "no call failed";
}

// The page filter's settings open for the page shown: its address comes from
// the browser's HTML document, read even when the server is not there; a
// document that is not an HTML document is the caller's error.
TEST_F(ServerWrapperTest, PopupFilterSettingsAreShownForThePageOfTheBrowser) {
  ArchiveServer& server = RunServer();
  ASSERT_TRUE(AddToolband());
  vorn::TServerWrapper& w = *ServerWrapper;
  auto browser = standins::WebBrowser::Create();
  browser->SetDocument(standins::html::LoadDocument("<p>page</p>", L"http://www.example.com/a/page.html#top"));
  server.ClearCalls();
  w.ShowPopupKillerSettings(browser.Get());
  EXPECT_EQ(server.CallTexts(), (std::vector<std::wstring>{L"ShowPopupKillerSettings(\"http://www.example.com/a/page.html#top\")"}));

  // Not an HTML document: raised before the server is asked.
  browser->SetDocument(com::ComPtr<IDispatch>(static_cast<IDispatch*>(ArchiveServer::Create().Get())));
  server.ClearCalls();
  EXPECT_THROW(w.ShowPopupKillerSettings(browser.Get()), com::ComError);
  // No document at all, or no browser: nothing.
  browser->SetDocument(nullptr);
  EXPECT_NO_THROW(w.ShowPopupKillerSettings(browser.Get()));
  EXPECT_NO_THROW(w.ShowPopupKillerSettings(nullptr));
  EXPECT_TRUE(server.Calls().empty());

  // The server refusing the call counts as the server gone.
  browser->SetDocument(standins::html::LoadDocument("<p>page</p>", L"http://www.example.com/"));
  server.FailMethod(L"ShowPopupKillerSettings", RPC_E_DISCONNECTED);
  w.ShowPopupKillerSettings(browser.Get());
  EXPECT_FALSE(w.IsConnected());
  EXPECT_EQ(Heard(), std::vector<std::wstring>{L"1:Disconnected"});
}

TEST_F(ServerWrapperTest, DomainLinkAnswersAreReadAsCompleteLittleEndianIds) {
  ArchiveServer& server = RunServer();
  ASSERT_TRUE(AddToolband());
  struct Case {
    const char* what;
    std::vector<BYTE> bytes;
    std::vector<LONG> ids;
  } cases[] = {
      {"nine bytes: two IDs, one byte dropped", {1, 0, 0, 0, 0x10, 0x27, 0, 0, 0xFF}, {1, 10000}},
      {"three bytes: none", {7, 7, 7}, {}},
      {"nothing", {}, {}},
      {"a negative ID", {0xFF, 0xFF, 0xFF, 0xFF}, {-1}},
  };
  for (const auto& c : cases) {
    server.SetDomainLinkBytes(L"http://bytes.test/", c.bytes);
    std::vector<LONG> ids{42};
    ServerWrapper->GetDomainLinks(L"http://bytes.test/", ids);
    EXPECT_EQ(ids, c.ids) << c.what;
  }
  // Answers that are not arrays of bytes give no IDs.
  com::SafeArray longs = com::SafeArray::CreateVector(VT_I4, 0, 3);
  const std::vector<std::pair<const char*, com::Variant>> odd = {
      {"a string", com::Variant(L"\x01\x02\x03\x04")},
      {"a number", com::Variant(LONG{7})},
      {"nothing", com::Variant()},
      {"an array of 32-bit values", std::move(longs).IntoVariant()},
  };
  for (const auto& [what, answer] : odd) {
    server.SetDomainLinkAnswer(L"http://odd.test/", answer);
    std::vector<LONG> ids{42};
    ServerWrapper->GetDomainLinks(L"http://odd.test/", ids);
    EXPECT_TRUE(ids.empty()) << what;
  }
  EXPECT_TRUE(ServerWrapper->IsConnected()) << "an odd answer is no failure";

  LONG id = 3;
  std::wstring comments = L"stale";
  server.ClearCalls();
  EXPECT_FALSE(ServerWrapper->GetDocumentData(L"", id, comments, id, id));
  EXPECT_TRUE(comments.empty());
  EXPECT_EQ(server.CallCount(L"GetDocumentData"), 0u) << "an empty address is not asked about";
}

TEST_F(ServerWrapperTest, AFailedCallMeansTheServerIsGone) {
  ArchiveServer& server = RunServer();
  ASSERT_TRUE(AddToolband());
  ASSERT_TRUE(AddToolband());
  server.FailMethod(L"GetRatingCount", E_FAIL);
  EXPECT_EQ(ServerWrapper->GetRatingCount(), 0);
  EXPECT_EQ(Heard(), (std::vector<std::wstring>{L"1:Disconnected", L"2:Disconnected"}));
  EXPECT_FALSE(ServerWrapper->IsConnected());
  EXPECT_EQ(server.SinkCount(), 0u);
  EXPECT_EQ(ServerWrapper->GetDocumentId(L"http://example.com/"), -1) << "later calls do not reach the server";

  // The application quitting says the same.
  server.ClearFailures();
  DeliverReconnect();
  EXPECT_TRUE(ServerWrapper->IsConnected());
  Heard().clear();
  server.FireQuit();
  EXPECT_EQ(Heard(), (std::vector<std::wstring>{L"1:Disconnected", L"2:Disconnected"}));
  EXPECT_FALSE(ServerWrapper->IsConnected());

  // A process that went away.
  DeliverReconnect();
  server.SetGone(true);
  Heard().clear();
  OLE_COLOR text = 5, back = 6;
  EXPECT_FALSE(ServerWrapper->GetRatingColors(0, text, back));
  EXPECT_EQ(text, 5u) << "outs are untouched on failure";
  EXPECT_EQ(Heard(), (std::vector<std::wstring>{L"1:Disconnected", L"2:Disconnected"}));
  server.SetGone(false);
}

TEST_F(ServerWrapperTest, TheReconnectMessageReconnectsAndTellsEveryForm) {
  ArchiveServer& server = RunServer();
  ASSERT_TRUE(AddToolband());
  ASSERT_TRUE(AddToolband());
  ASSERT_TRUE(win::PostThreadMessageW(win::GetCurrentThreadId(), vorn::kReconnectMessage, 0, 0));
  MSG msg{};
  ASSERT_TRUE(win::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));  // only peeked at: still a request
  EXPECT_EQ(Heard(), (std::vector<std::wstring>{L"1:Connected", L"2:Connected"}))
      << "reconnecting does not announce the disconnection";
  EXPECT_EQ(server.SinkCount(), 1u);
  ASSERT_TRUE(win::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));  // and retrieved: once more
  EXPECT_EQ(Heard().size(), 4u);
  EXPECT_EQ(server.SinkCount(), 1u) << "each reconnection replaces the advice";

  server.Revoke();
  Heard().clear();
  DeliverReconnect();
  EXPECT_FALSE(ServerWrapper->IsConnected());
  EXPECT_TRUE(Heard().empty()) << "no server: nobody is told";
  EXPECT_EQ(server.SinkCount(), 0u);

}

TEST_F(ServerWrapperTest, FormsMayCallBackOrCloseWhileBeingTold) {
  ArchiveServer& server = RunServer();
  NewsForm* first = AddToolband();
  NewsForm* second = AddToolband();
  ASSERT_TRUE(first && second);
  // A form whose own call fails hears of the disconnection from inside that
  // call, and may call again from inside the news.
  LONG inner = 99;
  first->onNews = [&](const std::wstring& news) {
    if (news == L"Disconnected") inner = ServerWrapper->GetDocumentId(L"http://example.com/");
  };
  server.FailMethod(L"GetRatingCount", RPC_E_DISCONNECTED);
  second->onNews = [&](const std::wstring& news) {
    if (news == L"Settings") ServerWrapper->GetRatingCount();
  };
  server.FireSettingsChange();
  EXPECT_EQ(inner, -1);
  EXPECT_FALSE(ServerWrapper->IsConnected());
  server.ClearFailures();

  // Forms closed from inside the news, the last one included: the wrapper
  // goes once the news is over, not under its own feet.
  DeliverReconnect();
  first->onNews = nullptr;
  // The closing code lives outside the forms it frees.
  std::function<void()> closeAll = [&] {
    browser_->CloseBand(1);
    browser_->CloseBand(0);
  };
  second->onNews = [&closeAll](const std::wstring& news) {
    if (news == L"Settings") closeAll();
  };
  server.FireSettingsChange();
  EXPECT_EQ(ServerWrapper, nullptr);
  EXPECT_EQ(server.SinkCount(), 0u);
}

TEST_F(ServerWrapperTest, AFormThatClosesTheLastToolbandAndThenFailsEndsTheEventCleanly) {
  ArchiveServer& server = RunServer();
  NewsForm* form = AddToolband();
  ASSERT_TRUE(form);
  // Closing the only toolband frees the wrapper, and its sink with it, while
  // the sink's Invoke is still on the stack; the failure then has to leave
  // Invoke without touching the freed sink.
  std::function<void()> closeLast = [&] { browser_->CloseBand(0); };
  form->onNews = [&closeLast](const std::wstring& news) {
    if (news != L"Settings") return;
    closeLast();
    throw std::runtime_error("failed after closing its toolbar");
  };
  EXPECT_TRUE(FAILED(server.FireSettingsChange())) << "the handler's failure reaches the server";
  EXPECT_EQ(ServerWrapper, nullptr);
  EXPECT_EQ(server.SinkCount(), 0u);
}

TEST_F(ServerWrapperTest, AServerThatRefusesTheSinkLeavesTheFormUnjoined) {
  ArchiveServer& server = RunServer();
  server.FailMethod(L"Advise", E_FAIL);
  NewsForm* form = AddToolband();
  ASSERT_NE(form, nullptr) << "the band still gets its form";
  EXPECT_EQ(ServerWrapper, nullptr) << "the wrapper could not be made";
  EXPECT_TRUE(vorn::ProcessIEBands->FormsOfThisThread().empty()) << "nor was the form listed";
  server.ClearFailures();
  NewsForm* next = AddToolband();
  ASSERT_NE(next, nullptr);
  ASSERT_NE(ServerWrapper, nullptr);
  EXPECT_EQ(ServerWrapper->FormCount(), 1);
  browser_->CloseBand(0);  // the unjoined form leaves without touching the wrapper
  EXPECT_EQ(ServerWrapper->FormCount(), 1);
}

}  // namespace
