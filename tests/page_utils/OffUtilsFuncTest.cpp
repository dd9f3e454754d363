// Marking a page's links by their archive state, and handing links and
// images to the running application.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "page_utils/CountingDocument.h"
#include "page_utils/OffUtilsFuncUnit.h"
#include "page_utils/PageTestSupport.h"
#include "platform/browser/LateBound.h"
#include "platform/com/ComError.h"
#include "platform/com/SafeArray.h"
#include "server_link/ServerCallError.h"
#include "standins/app_server/ArchiveServer.h"
#include "support/ComTest.h"

namespace {

using page_test::LoadPage;
using standins::ArchiveServer;

// The four style properties of an element, "decoration|weight|color|background".
std::wstring StyleOf(IDispatch* document, const wchar_t* id) {
  com::ComPtr<IDispatch> element = standins::html::ElementById(document, id);
  if (!element) return L"<no element>";
  com::ComPtr<IDispatch> style = browser::GetObjectProperty(element.Get(), L"style");
  std::wstring text;
  for (const wchar_t* name : {L"textDecoration", L"fontWeight", L"color", L"backgroundColor"}) {
    if (name != std::wstring(L"textDecoration")) text += L"|";
    text += browser::GetProperty(style.Get(), name).ToString();
  }
  return text;
}

const std::wstring kUnstyled = L"|||";

class HighlightTest : public testing_support::ComTest {
 protected:
  void SetUp() override {
    server_ = ArchiveServer::Create();
    server_->SetHighlightSettings(page_test::MarkArchivedInRed());
  }
  void TearDown() override {
    document_.Reset();
    server_.Reset();
    ComTest::TearDown();
  }
  IUnknown* Server() { return static_cast<vorn::IGUIServer*>(server_.Get()); }
  void Highlight(ULONG browserId = 7) { vorn::HighlightDocument(browserId, document_.Get(), Server()); }
  void Load(const std::string& html, std::map<std::wstring, std::string> frames = {}) {
    document_ = LoadPage(html, L"http://example.com/page.html#top", std::move(frames));
  }
  ArchiveServer::HighlightSettings Settings() { return server_->GetHighlightSettings(); }

  com::ComPtr<ArchiveServer> server_;
  com::ComPtr<IDispatch> document_;
};

const char kStatePage[] = R"(<body>
<a id="s1" href="http://example.com/new" style="color: red; font-weight: bold">not archived</a>
<a id="s2" href="http://example.com/five">state 5</a>
<a id="s3" href="http://example.com/zero#frag" style="text-decoration: overline">state 0</a>
<a id="s4" href="http://example.com/odd" style="background-color: blue">state -2</a>
</body>)";

TEST_F(HighlightTest, MarksFollowTheStatesAndTheMarkArchivedChoice) {
  server_->SetLinkState(L"http://example.com/new", -1);
  server_->SetLinkState(L"http://example.com/five", 5);
  server_->SetLinkState(L"http://example.com/zero", 0);
  server_->SetLinkState(L"http://example.com/odd", -2);

  Load(kStatePage);
  Highlight();
  const std::wstring marked = L"underline|bold|FF0000|";
  EXPECT_EQ(StyleOf(document_.Get(), L"s1"), kUnstyled);
  EXPECT_EQ(StyleOf(document_.Get(), L"s2"), marked);
  EXPECT_EQ(StyleOf(document_.Get(), L"s3"), marked);
  EXPECT_EQ(StyleOf(document_.Get(), L"s4"), kUnstyled);  // below -1: never marked

  auto settings = Settings();
  settings.markArchived = false;
  server_->SetHighlightSettings(settings);
  Highlight();
  EXPECT_EQ(StyleOf(document_.Get(), L"s1"), marked);
  EXPECT_EQ(StyleOf(document_.Get(), L"s2"), kUnstyled);
  EXPECT_EQ(StyleOf(document_.Get(), L"s3"), kUnstyled);
  EXPECT_EQ(StyleOf(document_.Get(), L"s4"), kUnstyled);

  // The server saw the normalized addresses in page order, once per run.
  ASSERT_EQ(server_->CallCount(L"GetLinkStates"), 2u);
  std::vector<std::wstring> sent;
  com::SafeArray addresses;
  ASSERT_EQ(com::SafeArray::FromVariant(server_->CallsTo(L"GetLinkStates")[0].args[0], &addresses), S_OK);
  ASSERT_EQ(addresses.ToStrings(&sent), S_OK);
  const std::vector<std::wstring> expected = {L"http://example.com/new", L"http://example.com/five",
                                              L"http://example.com/zero", L"http://example.com/odd"};
  EXPECT_EQ(sent, expected);
  EXPECT_EQ(server_->CallsTo(L"GetHighlightSettings")[0].args[0].ToLong(), 7);
}

TEST_F(HighlightTest, StyleValuesFollowTheSettings) {
  server_->SetLinkState(L"http://example.com/a", 1);
  struct Case {
    LONG decoration;
    bool bold;
    bool textDefault;
    bool backDefault;
    std::wstring expected;
  };
  const Case cases[] = {
      {0, false, false, false, L"none||FF0000|00FF00"},
      {1, true, true, false, L"overline|bold||00FF00"},
      {2, false, true, true, L"line-through|||"},
      {3, true, false, true, L"underline|bold|FF0000|"},
      {7, false, false, false, L"||FF0000|00FF00"},  // an unknown decoration leaves it empty
      {-1, false, true, true, kUnstyled},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.decoration);
    Load(R"(<a id="a" href="http://example.com/a" style="text-decoration: overline; font-weight: 700; color: #123; background-color: #456">a</a>)");
    auto settings = Settings();
    settings.decoration = c.decoration;
    settings.bold = c.bold;
    settings.textColorDefault = c.textDefault;
    settings.textColor = 0x000000FF;
    settings.backColorDefault = c.backDefault;
    settings.backColor = 0x0000FF00;
    server_->SetHighlightSettings(settings);
    Highlight();
    EXPECT_EQ(StyleOf(document_.Get(), L"a"), c.expected);
  }
}

const char kFramePage[] = R"(<body>
<a id="self" href="http://example.com/PAGE.html#other" style="color: green">this page</a>
<a id="mail" href="mailto:me@example.com" style="color: green">mail</a>
<a id="script" href="javascript:go" style="color: green">script</a>
<a id="other" href="http://example.com/other" style="color: green">other</a>
<iframe src="frame.html"></iframe></body>)";
const char kFrame[] = R"(<body><a id="fself" href="http://example.com/page.html#x" style="color: green">page</a>
<iframe src="inner.html"></iframe></body>)";
const char kInner[] = R"(<body><a id="inner" href="http://example.com/inner" style="color: green">inner</a></body>)";

TEST_F(HighlightTest, WithoutAServerOrWithHighlightingOffEveryLinkIsClearedButTheSkippedOnes) {
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run == 0 ? "no server" : "highlighting off");
    Load(kFramePage, {{L"http://example.com/frame.html", kFrame}, {L"http://example.com/inner.html", kInner}});
    server_->ClearCalls();
    if (run == 0) {
      vorn::HighlightDocument(7, document_.Get(), nullptr);
    } else {
      auto settings = Settings();
      settings.enabled = false;
      server_->SetHighlightSettings(settings);
      Highlight();
      EXPECT_EQ(server_->CallCount(L"GetHighlightSettings"), 1u);
    }
    EXPECT_EQ(server_->CallCount(L"GetLinkStates"), 0u);
    const std::wstring green = L"||green|";
    // Links to the page itself, script and mail links are left as they are.
    EXPECT_EQ(StyleOf(document_.Get(), L"self"), green);
    EXPECT_EQ(StyleOf(document_.Get(), L"mail"), green);
    EXPECT_EQ(StyleOf(document_.Get(), L"script"), green);
    EXPECT_EQ(StyleOf(document_.Get(), L"other"), kUnstyled);
    // In a frame the page's own address is a link like any other; frames in frames are not visited.
    com::ComPtr<IDispatch> frames = browser::GetObjectProperty(document_.Get(), L"frames");
    com::ComPtr<IDispatch> frame = browser::DispatchOf(browser::CallMethod(frames.Get(), L"item", {com::Variant(0)}));
    com::ComPtr<IDispatch> frameDocument = browser::GetObjectProperty(frame.Get(), L"document");
    EXPECT_EQ(StyleOf(frameDocument.Get(), L"fself"), kUnstyled);
    com::ComPtr<IDispatch> innerFrames = browser::GetObjectProperty(frameDocument.Get(), L"frames");
    com::ComPtr<IDispatch> inner =
        browser::DispatchOf(browser::CallMethod(innerFrames.Get(), L"item", {com::Variant(0)}));
    com::ComPtr<IDispatch> innerDocument = browser::GetObjectProperty(inner.Get(), L"document");
    EXPECT_EQ(StyleOf(innerDocument.Get(), L"inner"), green);
  }
}

TEST_F(HighlightTest, OneSettingsCallAndOneStatesCallForTenThousandLinksAndNoWriteWhenNothingChanged) {
  std::string html = "<body>";
  int marked = 0;
  for (int i = 0; i < 10000; ++i) {
    html += "<a href=\"http://example.com/l" + std::to_string(i) + "\">" + std::to_string(i) + "</a>";
    if (i % 3 == 0) server_->SetLinkState(L"http://example.com/l" + std::to_wstring(i), i % 2 ? 4 : -1);
    if (i % 3 == 0 && i % 2) ++marked;
  }
  Load(html);
  auto log = std::make_shared<page_test::WriteLog>();
  com::ComPtr<IDispatch> counted = page_test::CountingDispatch::Wrap(document_.Get(), log);

  vorn::HighlightDocument(1, counted.Get(), Server());
  EXPECT_EQ(server_->CallCount(L"GetHighlightSettings"), 1u);
  EXPECT_EQ(server_->CallCount(L"GetLinkStates"), 1u);
  // Marked links (odd multiples of 3) get the decoration and weight; the colours are always written.
  EXPECT_EQ(log->writes[L"textDecoration"], marked);
  EXPECT_EQ(log->writes[L"fontWeight"], marked);
  EXPECT_EQ(log->writes[L"color"], marked);
  EXPECT_EQ(log->writes[L"backgroundColor"], marked);

  log->writes.clear();
  vorn::HighlightDocument(1, counted.Get(), Server());
  EXPECT_EQ(log->writes[L"textDecoration"], 0);
  EXPECT_EQ(log->writes[L"fontWeight"], 0);
  EXPECT_EQ(log->writes[L"color"], marked);
  EXPECT_EQ(log->writes[L"backgroundColor"], marked);

  // Switched off: the marks go, and a second run then writes nothing at all.
  auto settings = Settings();
  settings.enabled = false;
  server_->SetHighlightSettings(settings);
  log->writes.clear();
  vorn::HighlightDocument(1, counted.Get(), Server());
  EXPECT_EQ(log->Total(), marked * 3);  // decoration, weight and colour were set; the background was empty
  log->writes.clear();
  vorn::HighlightDocument(1, counted.Get(), Server());
  EXPECT_EQ(log->Total(), 0);
}

TEST_F(HighlightTest, APageWithoutLinksStillAsksForTheStatesOfNothing) {
  Load("<body><p>nothing</p></body>");
  Highlight();
  ASSERT_EQ(server_->CallCount(L"GetLinkStates"), 1u);
  com::SafeArray addresses;
  ASSERT_EQ(com::SafeArray::FromVariant(server_->CallsTo(L"GetLinkStates")[0].args[0], &addresses), S_OK);
  LONG lower = -5;
  ULONG count = 9;
  ASSERT_EQ(addresses.GetVectorBounds(&lower, &count), S_OK);
  EXPECT_EQ(lower, 0);
  EXPECT_EQ(count, 0u);
}

TEST_F(HighlightTest, BadInputAndFailuresEndTheRunAsTheyShould) {
  // Not an HTML document: nothing happens, the server is not asked.
  vorn::HighlightDocument(1, Server(), Server());
  vorn::HighlightDocument(1, nullptr, Server());
  EXPECT_TRUE(server_->Calls().empty());

  Load(kStatePage);
  // An identifier the server cannot take as a signed number fails before any call.
  EXPECT_THROW(vorn::HighlightDocument(0x80000000u, document_.Get(), Server()), std::out_of_range);
  EXPECT_TRUE(server_->Calls().empty());
  // Without a server the identifier does not matter.
  EXPECT_NO_THROW(vorn::HighlightDocument(0xFFFFFFFFu, document_.Get(), nullptr));

  // A failing server call carries the server's own code.
  const HRESULT kServerCode = static_cast<HRESULT>(0x80040207);
  for (const wchar_t* method : {L"GetHighlightSettings", L"GetLinkStates"}) {
    server_->ClearFailures();
    server_->FailMethod(method, kServerCode);
    try {
      Highlight();
      ADD_FAILURE() << "no error";
    } catch (const vorn::EServerCallFailed& e) {
      EXPECT_EQ(e.hr(), kServerCode);
    }
  }
  server_->ClearFailures();

  // A document call that fails ends the run; what was styled before stays.
  Load(kStatePage);
  server_->SetLinkState(L"http://example.com/new", 3);
  standins::html::FailMember(document_.Get(), L"s2", L"style", E_ACCESSDENIED);
  EXPECT_THROW(Highlight(), com::ComError);
  EXPECT_EQ(StyleOf(document_.Get(), L"s1"), L"underline|bold|FF0000|");
  EXPECT_EQ(StyleOf(document_.Get(), L"s3"), L"overline|||");

  // The page's container and a frame's browser are not the server: their
  // failures are plain errors, whatever their code.
  for (const wchar_t* member : {L"EnumObjects", L"frames.0.document"}) {
    Load(R"(<a href="http://example.com/a">a</a><iframe src="f.html"></iframe>)",
         {{L"http://example.com/f.html", "<a href=\"http://example.com/b\">b</a>"}});
    standins::html::FailMember(document_.Get(), L"", member, kServerCode);
    try {
      Highlight();
      ADD_FAILURE() << "no error";
    } catch (const vorn::EServerCallFailed&) {
      ADD_FAILURE() << "taken for the server's failure";
    } catch (const com::ComError& e) {
      EXPECT_EQ(e.hr(), kServerCode);
    }
  }
}

}  // namespace
