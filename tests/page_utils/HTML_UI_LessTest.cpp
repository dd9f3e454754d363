// Collecting the links and images of a page: the walk's order, duplicates,
// frames, the selection, and pages whose parts refuse to answer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "page_utils/HTML_UI_Less.h"
#include "page_utils/PageTestSupport.h"
#include "platform/browser/LateBound.h"

namespace {

using page_test::LoadPage;
using page_test::Ref;
using Strings = std::vector<std::wstring>;

struct Links {
  Strings urls;
  Strings titles;
};

Links CollectLinksOf(IDispatch* document, bool frames = false, bool selection = false) {
  Links links{{L"stale"}, {L"stale", L"lists"}};  // the collector replaces whatever was there
  EXPECT_TRUE(vorn::CollectLinks(Ref(document), frames, selection, links.urls, links.titles));
  EXPECT_EQ(links.urls.size(), links.titles.size());
  return links;
}

Strings CollectImagesOf(IDispatch* document, bool frames = false, bool selection = false) {
  Strings urls{L"stale"};
  EXPECT_TRUE(vorn::CollectImages(Ref(document), frames, selection, urls));
  return urls;
}

const char kLinkPage[] = R"(<html><body>
<map name="m"><area href="http://example.com/area" alt="Area text"><area href="http://example.com/noalt"></map>
<p><a href="http://example.com/one#first">One</a>
<a href="http://example.com/one#second">One again</a>
<a href="HTTP://EXAMPLE.COM/ONE">One in capitals</a>
<a href="javascript:void 0">script</a> <a href="JavaScript:go">script</a>
<a href="MAILTO:me@example.com">mail</a>
<a href="http://example.com/?next=javascript">Holds javascript later</a>
<a name="anchor-only">No address</a> <a name="another">No address either</a>
<a href="http://example.com/area">Same as the area</a>
<a href="http://example.com/two"><b>Two</b>   words</a></p>
</body></html>)";

TEST(HtmlUiLessTest, LinksComeOnceInWalkOrderWithTheFirstSpellingAndTitle) {
  auto document = LoadPage(kLinkPage);
  Links links = CollectLinksOf(document.Get());

  // Every "A" before any "AREA"; fragments cut; case-insensitive duplicates
  // dropped; script and mail addresses left out; the empty address once.
  const Strings expectedUrls = {L"http://example.com/one", L"http://example.com/?next=javascript", L"",
                                L"http://example.com/area", L"http://example.com/two", L"http://example.com/noalt"};
  const Strings expectedTitles = {L"One", L"Holds javascript later", L"No address", L"Same as the area",
                                  L"Two words", L""};
  EXPECT_EQ(links.urls, expectedUrls);
  EXPECT_EQ(links.titles, expectedTitles);
}

TEST(HtmlUiLessTest, EmptyPagesAndThingsThatAreNoDocumentGiveEmptyLists) {
  auto empty = LoadPage("<html><body><p>No links here.</p></body></html>");
  Links links = CollectLinksOf(empty.Get(), true, false);
  EXPECT_TRUE(links.urls.empty());
  EXPECT_TRUE(links.titles.empty());
  EXPECT_TRUE(CollectImagesOf(empty.Get(), true, true).empty());

  for (const com::Variant& notADocument : {com::Variant(), com::Variant(7), com::Variant(L"<a href=x>"),
                                           com::Variant(static_cast<IDispatch*>(nullptr))}) {
    Strings urls{L"stale"}, titles{L"stale"};
    EXPECT_TRUE(vorn::CollectLinks(notADocument, true, true, urls, titles));
    EXPECT_TRUE(urls.empty());
    EXPECT_TRUE(titles.empty());
    EXPECT_TRUE(vorn::CollectImages(notADocument, true, false, urls));
    EXPECT_TRUE(urls.empty());
  }
}

TEST(HtmlUiLessTest, ImagesKeepFragmentsAndAnySchemeButNotCaseDuplicates) {
  auto document = LoadPage(R"(<body>
<img src="http://example.com/a.png"><img src="HTTP://example.com/A.PNG">
<img src="http://example.com/b.png#one"><img src="http://example.com/b.png#two">
<img src="javascript:1"><img alt="no source"><img src="http://example.com/a.png">
<a href="http://example.com/not-an-image">x</a></body>)");
  const Strings expected = {L"http://example.com/a.png", L"http://example.com/b.png#one",
                            L"http://example.com/b.png#two", L"javascript:1", L""};
  EXPECT_EQ(CollectImagesOf(document.Get()), expected);
}

// A page with two frames from its own site, one from another site, and a frame
// inside the first frame.
class HtmlUiLessFramesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    document_ = LoadPage(
        R"(<html><body><a href="http://example.com/main">Main</a><map><area href="http://example.com/main-area" alt="MA"></map>
           <iframe src="f1.html"></iframe><iframe src="http://other.example.net/f.html"></iframe><iframe src="f2.html"></iframe>
           </body></html>)",
        L"http://example.com/page.html",
        {{L"http://example.com/f1.html",
          R"(<body><map><area href="http://example.com/f1-area" alt="F1A"></map><a href="http://example.com/f1">F1</a>
             <a href="http://example.com/MAIN">Main again</a><iframe src="inner.html"></iframe></body>)"},
         {L"http://example.com/inner.html", R"(<body><a href="http://example.com/inner">Inner</a></body>)"},
         {L"http://other.example.net/f.html", R"(<body><a href="http://other.example.net/secret">Secret</a></body>)"},
         {L"http://example.com/f2.html",
          R"(<body><a href="http://example.com/f2">F2</a><img src="http://example.com/f2.png"></body>)"}});
  }
  com::ComPtr<IDispatch> document_;
};

TEST_F(HtmlUiLessFramesTest, FramesAreWalkedOneLevelDeepAfterTheMainDocument) {
  Links withoutFrames = CollectLinksOf(document_.Get(), false);
  Links withFrames = CollectLinksOf(document_.Get(), true);

  const Strings mainOnly = {L"http://example.com/main", L"http://example.com/main-area"};
  EXPECT_EQ(withoutFrames.urls, mainOnly);
  // Frame by frame, each frame's "A" links before its "AREA" links; the frame
  // from another site refuses its document and is passed over; the frame
  // inside a frame is not visited; a duplicate keeps its first place.
  const Strings all = {L"http://example.com/main", L"http://example.com/main-area", L"http://example.com/f1",
                       L"http://example.com/f1-area", L"http://example.com/f2"};
  EXPECT_EQ(withFrames.urls, all);
  const Strings titles = {L"Main", L"MA", L"F1", L"F1A", L"F2"};
  EXPECT_EQ(withFrames.titles, titles);

  const Strings images = {L"http://example.com/f2.png"};
  EXPECT_EQ(CollectImagesOf(document_.Get(), true), images);
  EXPECT_TRUE(CollectImagesOf(document_.Get(), false).empty());
}

TEST_F(HtmlUiLessFramesTest, ErrorsSkipOnlyThePartOfTheWalkTheyHappenIn) {
  struct Case {
    const wchar_t* element;  // empty: the document
    const wchar_t* member;
    Strings expected;
  };
  const std::vector<Case> cases = {
      // The document's own part: its links go, the frames still count.
      {L"", L"all", {L"http://example.com/f1", L"http://example.com/MAIN", L"http://example.com/f1-area",
                     L"http://example.com/f2"}},
      // The frame list: every frame goes.
      {L"", L"frames", {L"http://example.com/main", L"http://example.com/main-area"}},
      // One frame's window.
      {L"", L"frames.0.document", {L"http://example.com/main", L"http://example.com/main-area",
                                   L"http://example.com/f2"}},
      {L"", L"frames.2.window", {L"http://example.com/main", L"http://example.com/main-area",
                                 L"http://example.com/f1", L"http://example.com/f1-area"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.member, c.member + std::wcslen(c.member)));
    SetUp();
    standins::html::FailMember(document_.Get(), c.element, c.member, E_ACCESSDENIED);
    EXPECT_EQ(CollectLinksOf(document_.Get(), true).urls, c.expected);
  }
}

TEST(HtmlUiLessTest, AnElementThatFailsIsSkippedAndAFailedTitleLeavesTheLinkUntitled) {
  const char page[] = R"(<body><a id="a1" href="http://example.com/1">One</a><a id="a2" href="http://example.com/2">Two</a>
<a id="a3" href="http://example.com/3">Three</a><map><area id="r1" href="http://example.com/r1" alt="R1"></map></body>)";
  auto document = LoadPage(page);
  standins::html::FailMember(document.Get(), L"a1", L"href", E_FAIL);
  standins::html::FailMember(document.Get(), L"a2", L"innerText", E_FAIL);
  standins::html::FailMember(document.Get(), L"r1", L"alt", DISP_E_MEMBERNOTFOUND);
  Links links = CollectLinksOf(document.Get());
  const Strings urls = {L"http://example.com/2", L"http://example.com/3", L"http://example.com/r1"};
  const Strings titles = {L"", L"Three", L""};
  EXPECT_EQ(links.urls, urls);
  EXPECT_EQ(links.titles, titles);
}

const char kSelectionPage[] = R"(<body>
<p id="before"><a href="http://example.com/before">Before</a><img src="http://example.com/before.png"></p>
<p id="from"><a id="in1" href="http://example.com/in1">In one</a> text <img src="http://example.com/in.png">
<img src="HTTP://EXAMPLE.COM/IN.PNG"></p>
<p id="to"><a id="in2" href="http://example.com/in2">In two</a><map><area href="http://example.com/in-area" alt="IA"></map></p>
<p id="after"><a href="http://example.com/after">After</a><img src="http://example.com/after.png"></p>
</body>)";

TEST(HtmlUiLessTest, SelectionModeTakesOnlyWhatLiesInTheSelectedText) {
  auto document = LoadPage(kSelectionPage);
  standins::html::SelectRange(document.Get(), L"from", L"to");
  Links links = CollectLinksOf(document.Get(), false, true);
  const Strings urls = {L"http://example.com/in1", L"http://example.com/in2", L"http://example.com/in-area"};
  EXPECT_EQ(links.urls, urls);
  const Strings images = {L"http://example.com/in.png"};
  EXPECT_EQ(CollectImagesOf(document.Get(), false, true), images);

  // Without the selection flag the selection does not matter.
  EXPECT_EQ(CollectLinksOf(document.Get(), false, false).urls.size(), 5u);

  // A link whose text edit cannot be found, or whose range test fails, is left out.
  standins::html::FailMember(document.Get(), L"in1", L"parentTextEdit", E_FAIL);
  const Strings rest = {L"http://example.com/in2", L"http://example.com/in-area"};
  EXPECT_EQ(CollectLinksOf(document.Get(), false, true).urls, rest);
}

TEST(HtmlUiLessTest, SelectionModeWithNothingSelectedOrTheSelectionRefusedTakesNothing) {
  auto nothing = LoadPage(kSelectionPage);
  EXPECT_TRUE(CollectLinksOf(nothing.Get(), false, true).urls.empty());

  auto refused = LoadPage(kSelectionPage);
  standins::html::SelectRange(refused.Get(), L"from", L"to");
  standins::html::FailMember(refused.Get(), L"", L"selection", E_ACCESSDENIED);
  EXPECT_TRUE(CollectLinksOf(refused.Get(), false, true).urls.empty());
  EXPECT_TRUE(CollectImagesOf(refused.Get(), false, true).empty());
}

TEST(HtmlUiLessTest, InSelectionModeEachFrameIsTestedAgainstItsOwnSelection) {
  auto document = LoadPage(R"(<frameset><frame src="a.html"><frame src="b.html"></frameset>)",
                           L"http://example.com/",
                           {{L"http://example.com/a.html",
                             R"(<body><p id="x"><a href="http://example.com/a-in">in</a></p><p><a href="http://example.com/a-out">out</a></p></body>)"},
                            {L"http://example.com/b.html", R"(<body><a href="http://example.com/b">b</a></body>)"}});
  com::ComPtr<IDispatch> frames = browser::GetObjectProperty(document.Get(), L"frames");
  com::ComPtr<IDispatch> first = browser::DispatchOf(browser::CallMethod(frames.Get(), L"item", {com::Variant(0)}));
  com::ComPtr<IDispatch> firstDocument = browser::GetObjectProperty(first.Get(), L"document");
  standins::html::SelectRange(firstDocument.Get(), L"x", L"x");

  const Strings expected = {L"http://example.com/a-in"};
  EXPECT_EQ(CollectLinksOf(document.Get(), true, true).urls, expected);
}

}  // namespace
