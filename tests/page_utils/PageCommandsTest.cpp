// The page commands as the application and its browser helper reach them:
// through the VornOffUtils automation object, early and late bound, with the
// archive application running (or not) in the running-object table.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "type_library/VornIEGUI_TLB.h"
#include "page_utils/OffUtilsFuncUnit.h"
#include "page_utils/PageTestSupport.h"
#include "page_utils/VornOffUtilsUnit.h"
#include "platform/browser/LateBound.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComError.h"
#include "standins/app_server/ArchiveServer.h"
#include "support/ComTest.h"

namespace {

using page_test::LoadPage;
using page_test::Ref;
using standins::ArchiveServer;
using Strings = std::vector<std::wstring>;

const HRESULT kServerCode = static_cast<HRESULT>(0x80040213);

class PageCommandsTest : public testing_support::ComTest {
 protected:
  void SetUp() override {
    comInitialized_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    server_ = ArchiveServer::Create();
    ASSERT_EQ(vorn::CreateVornOffUtils(IID_IVornOffUtils, utils_.PutVoid()), S_OK);
  }
  void TearDown() override {
    utils_.Reset();
    document_.Reset();
    if (server_) server_->Revoke();
    server_.Reset();
    ComTest::TearDown();
    if (comInitialized_) CoUninitialize();
  }
  void Run() { ASSERT_EQ(server_->Register(), S_OK); }
  IUnknown* Server() { return static_cast<vorn::IGUIServer*>(server_.Get()); }
  // The description the last failed call left for the caller.
  static std::wstring ErrorDescription() {
    com::ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.ReleaseAndGetAddressOf()) != S_OK || !info) return L"<none>";
    BSTR text = nullptr;
    info->GetDescription(&text);
    return com::Bstr::Adopt(text).str();
  }

  com::ComPtr<ArchiveServer> server_;
  com::ComPtr<IVornOffUtils> utils_;
  com::ComPtr<IDispatch> document_;
  bool comInitialized_ = false;
};

const char kLinks[] = R"(<body>
<p id="from"><a href="http://example.com/a#x">A</a><map><area href="http://example.com/a" alt="Area A"></map></p>
<p id="to"><a href="http://example.com/b">B</a></p>
<p><a href="http://example.com/c">C</a><a href="mailto:x@example.com">mail</a></p></body>)";

TEST_F(PageCommandsTest, OpenLinksSendsEveryDistinctLinkOnceWithItsTitle) {
  Run();
  document_ = LoadPage(kLinks);
  for (LONG onlySelection : {0, -1}) {
    ASSERT_EQ(utils_->OpenLinks(Ref(document_.Get()), onlySelection), S_OK);
  }
  ASSERT_EQ(server_->SubmittedLinks().size(), 2u);
  for (const auto& sent : server_->SubmittedLinks()) {
    const Strings urls = {L"http://example.com/a", L"http://example.com/b", L"http://example.com/c"};
    const Strings texts = {L"A", L"B", L"C"};
    EXPECT_EQ(sent.urls, urls);
    EXPECT_EQ(sent.texts, texts);
    EXPECT_TRUE(sent.reserved.empty());
    // The test program is not the browser.
    EXPECT_EQ(sent.notBrowserProcess, VARIANT_TRUE);
  }

  // Only the selection when asked for it.
  standins::html::SelectRange(document_.Get(), L"to", L"to");
  ASSERT_EQ(utils_->OpenLinks(Ref(document_.Get()), 1), S_OK);
  ASSERT_EQ(server_->SubmittedLinks().size(), 3u);
  EXPECT_EQ(server_->SubmittedLinks()[2].urls, Strings{L"http://example.com/b"});
}

TEST_F(PageCommandsTest, OpenLinksSendsNothingWithoutLinksOrWithoutTheApplication) {
  document_ = LoadPage(kLinks);
  // The application is not running: success, nothing sent.
  EXPECT_EQ(utils_->OpenLinks(Ref(document_.Get()), 0), S_OK);
  EXPECT_TRUE(server_->Calls().empty());

  Run();
  auto scriptsOnly = LoadPage(R"(<a href="javascript:x">x</a><a href="mailto:y@example.com">y</a>)");
  EXPECT_EQ(utils_->OpenLinks(Ref(scriptsOnly.Get()), 0), S_OK);
  // Nothing selected in selection mode, and things that are no document.
  EXPECT_EQ(utils_->OpenLinks(Ref(document_.Get()), 1), S_OK);
  EXPECT_EQ(utils_->OpenLinks(com::Variant(), 0), S_OK);
  EXPECT_EQ(utils_->OpenLinks(com::Variant(L"http://example.com/"), 0), S_OK);
  EXPECT_EQ(server_->CallCount(L"SubmitLinks"), 0u);
}

const char kImages[] = R"(<body>
<p id="from"><img id="i1" src="http://example.com/banner.gif"><img src="HTTP://EXAMPLE.COM/BANNER.GIF"></p>
<p id="to"><img src="http://example.com/second.gif"></p>
<p><img id="outside" src="http://example.com/outside.gif"><span id="plain">no picture</span></p></body>)";

TEST_F(PageCommandsTest, AddBannersTakesTheSelectedImagesOrElseTheGivenElement) {
  Run();
  document_ = LoadPage(kImages);
  com::ComPtr<IDispatch> outside = standins::html::ElementById(document_.Get(), L"outside");

  // Nothing selected: the element's picture.
  ASSERT_EQ(utils_->AddBanners(Ref(document_.Get()), Ref(outside.Get())), S_OK);
  // Text selected: the images in it, each address once; the element is ignored.
  standins::html::SelectRange(document_.Get(), L"from", L"to");
  ASSERT_EQ(utils_->AddBanners(Ref(document_.Get()), Ref(outside.Get())), S_OK);
  // A control selection counts as a selection too.
  standins::html::SelectControl(document_.Get(), L"i1");
  ASSERT_EQ(utils_->AddBanners(Ref(document_.Get()), com::Variant()), S_OK);

  const auto& banners = server_->SubmittedBanners();
  ASSERT_GE(banners.size(), 2u);
  EXPECT_EQ(banners[0], Strings{L"http://example.com/outside.gif"});
  const Strings selected = {L"http://example.com/banner.gif", L"http://example.com/second.gif"};
  EXPECT_EQ(banners[1], selected);
}

TEST_F(PageCommandsTest, AddBannersEndsQuietlyWithoutAPictureAndFailsWithoutASelection) {
  Run();
  document_ = LoadPage(kImages);
  com::ComPtr<IDispatch> plain = standins::html::ElementById(document_.Get(), L"plain");
  // An element without src, or no element at all: nothing sent, no error.
  EXPECT_EQ(utils_->AddBanners(Ref(document_.Get()), Ref(plain.Get())), S_OK);
  EXPECT_EQ(utils_->AddBanners(Ref(document_.Get()), com::Variant()), S_OK);
  EXPECT_EQ(server_->CallCount(L"AddBannerImages"), 0u);

  // The selection cannot be read: an error for the caller.
  standins::html::FailMember(document_.Get(), L"", L"selection", E_ACCESSDENIED);
  EXPECT_EQ(utils_->AddBanners(Ref(document_.Get()), Ref(plain.Get())), E_UNEXPECTED);
  EXPECT_NE(ErrorDescription(), L"<none>");
  EXPECT_EQ(utils_->AddBanners(com::Variant(42), com::Variant()), E_UNEXPECTED);
  EXPECT_EQ(server_->CallCount(L"AddBannerImages"), 0u);
}

TEST_F(PageCommandsTest, AServersFailureCodeComesBackUnchangedAndOtherErrorsAsUnexpected) {
  Run();
  document_ = LoadPage(R"(<a id="a" href="http://example.com/a">a</a><img id="i" src="http://example.com/i.gif">)");
  com::ComPtr<IDispatch> image = standins::html::ElementById(document_.Get(), L"i");
  server_->FailMethod(L"SubmitLinks", kServerCode);
  server_->FailMethod(L"AddBannerImages", kServerCode);
  server_->FailMethod(L"GetLinkStates", kServerCode);

  EXPECT_EQ(utils_->OpenLinks(Ref(document_.Get()), 0), kServerCode);
  EXPECT_EQ(utils_->AddBanners(Ref(document_.Get()), Ref(image.Get())), kServerCode);
  EXPECT_EQ(utils_->HighlightDocument(1, document_.Get(), Server()), kServerCode);
  EXPECT_NE(ErrorDescription().find(L"GetLinkStates"), std::wstring::npos);

  // Not the server's failure: the identifier out of range, a page that refuses its links' style.
  server_->ClearFailures();
  EXPECT_EQ(utils_->HighlightDocument(0x80000000u, document_.Get(), Server()), E_UNEXPECTED);
  standins::html::FailMember(document_.Get(), L"a", L"style", E_ACCESSDENIED);
  EXPECT_EQ(utils_->HighlightDocument(1, document_.Get(), Server()), E_UNEXPECTED);
  EXPECT_NE(ErrorDescription(), L"<none>");

  // Something that is no HTML document, or no server: success, nothing done.
  EXPECT_EQ(utils_->HighlightDocument(1, Server(), Server()), S_OK);
  EXPECT_EQ(utils_->HighlightDocument(1, nullptr, nullptr), S_OK);
}

// The page's container and a frame's browser fail with codes of their own:
// those are the page's failures, not the server's, and come back unexpected.
// The same code from the server itself comes back unchanged.
TEST_F(PageCommandsTest, APageOrFrameFailureIsUnexpectedEvenWithAServerLikeCode) {
  Run();
  const char kFramed[] = R"(<a href="http://example.com/a">a</a><iframe src="frame.html"></iframe>)";
  const std::map<std::wstring, std::string> frames = {
      {L"http://example.com/frame.html", R"(<a href="http://example.com/f">f</a>)"}};
  struct Case {
    const char* name;
    const wchar_t* member;  // made to fail on the page with kServerCode
    HRESULT expected;
  };
  const Case cases[] = {
      {"the page's container refuses its objects", L"EnumObjects", E_UNEXPECTED},
      {"a frame's browser refuses its document", L"frames.0.document", E_UNEXPECTED},
  };
  for (const Case& c : cases) {
    document_ = LoadPage(kFramed, L"http://example.com/page.html", frames);
    standins::html::FailMember(document_.Get(), L"", c.member, kServerCode);
    EXPECT_EQ(utils_->HighlightDocument(1, document_.Get(), Server()), c.expected) << c.name;
    EXPECT_NE(ErrorDescription(), L"<none>") << c.name;
    EXPECT_EQ(server_->CallCount(L"GetLinkStates"), 0u) << c.name << ": the run ended before asking for states";
  }

  document_ = LoadPage(kFramed, L"http://example.com/page.html", frames);
  server_->FailMethod(L"GetLinkStates", kServerCode);
  EXPECT_EQ(utils_->HighlightDocument(1, document_.Get(), Server()), kServerCode);
}

TEST_F(PageCommandsTest, LateBoundCallersGetTheSameCodesThroughExceptionInfo) {
  Run();
  document_ = LoadPage(R"(<a href="http://example.com/a">a</a>)");
  server_->FailMethod(L"SubmitLinks", kServerCode);
  com::ComPtr<IDispatch> dispatch;
  ASSERT_EQ(utils_->QueryInterface(IID_IDispatch, dispatch.PutVoid()), S_OK);

  try {
    browser::CallMethod(dispatch.Get(), L"OpenLinks", {Ref(document_.Get()), com::Variant(0)});
    ADD_FAILURE() << "no error";
  } catch (const com::ComError& e) {
    EXPECT_EQ(e.hr(), kServerCode);
    EXPECT_NE(e.message().find(L"SubmitLinks"), std::wstring::npos);
  }
  server_->ClearFailures();
  EXPECT_NO_THROW(browser::CallMethod(dispatch.Get(), L"OpenLinks", {Ref(document_.Get()), com::Variant(L"0")}));
  ASSERT_EQ(server_->SubmittedLinks().size(), 1u);

  com::Variant unknown(static_cast<IUnknown*>(document_.Get()));
  com::Variant serverRef(Server());
  EXPECT_NO_THROW(browser::CallMethod(dispatch.Get(), L"HighlightDocument", {com::Variant(3), unknown, serverRef}));
  EXPECT_EQ(server_->CallCount(L"GetHighlightSettings"), 1u);
}

}  // namespace
