// The HTML document stand-in as the page utilities see it: late-bound members
// over a tree parsed from real HTML.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/browser/LateBound.h"
#include "platform/browser/WebBrowserInterface.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComError.h"
#include "platform/com/Text.h"
#include "platform/win/Clipboard.h"
#include "standins/html/HtmlDocument.h"
#include "support/ComTest.h"
#include "support/ScratchFolder.h"

namespace {

using browser::CallMethod;
using browser::GetObjectProperty;
using browser::GetProperty;
using browser::IsNothing;
using browser::OmittedArgument;
using com::ComPtr;
using com::Variant;
namespace html = standins::html;

std::wstring Text(IDispatch* object, const std::wstring& name) { return GetProperty(object, name).ToString(); }

ComPtr<IDispatch> Tags(IDispatch* document, const std::wstring& tag) {
  return browser::DispatchOf(CallMethod(GetObjectProperty(document, L"all").Get(), L"tags", {Variant(tag)}));
}

ComPtr<IDispatch> Item(IDispatch* collection, const Variant& index) {
  return browser::DispatchOf(CallMethod(collection, L"item", {index, OmittedArgument()}));
}

HRESULT FailureOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const com::ComError& e) {
    return e.hr();
  }
  return S_OK;
}

// A literal's bytes, NULs included.
template <size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

class HtmlDocument : public testing_support::ComTest {};

constexpr char kLinksPage[] = R"(<!DOCTYPE html>
<html><head><title>Links</title><link id="css" href="style.css" rel="stylesheet"></head>
<body>
<p id="intro">Read <a id="a1" href="next.html#part">the   next
  page</a> or <A ID="a2" HREF="../Up/INDEX.htm">go up</A>.</p>
<a id="anchor" name="top">no address</a>
<map><area id="area1" href="/map/region" alt="Region"><area id="area2" href="mailto:x@example.com"></map>
<img id="img1" src="pics/a b.png" alt="A"><img id="img2" src="//cdn.example.net/b.gif">
<div id="div1">plain</div>
</body></html>)";

TEST_F(HtmlDocument, AddressesResolveAgainstThePageAsTheDomReportsThem) {
  auto doc = html::LoadDocument(kLinksPage, L"http://www.example.com/dir/page.html");
  ASSERT_TRUE(doc);
  EXPECT_EQ(Text(html::ElementById(doc.Get(), L"a1").Get(), L"href"), L"http://www.example.com/dir/next.html#part");
  EXPECT_EQ(Text(html::ElementById(doc.Get(), L"a2").Get(), L"href"), L"http://www.example.com/Up/INDEX.htm");
  EXPECT_EQ(Text(html::ElementById(doc.Get(), L"anchor").Get(), L"href"), L"");
  EXPECT_EQ(Text(html::ElementById(doc.Get(), L"area1").Get(), L"href"), L"http://www.example.com/map/region");
  EXPECT_EQ(Text(html::ElementById(doc.Get(), L"area2").Get(), L"href"), L"mailto:x@example.com");
  EXPECT_EQ(Text(html::ElementById(doc.Get(), L"img1").Get(), L"src"), L"http://www.example.com/dir/pics/a%20b.png");
  EXPECT_EQ(Text(html::ElementById(doc.Get(), L"img2").Get(), L"src"), L"http://cdn.example.net/b.gif");
  EXPECT_EQ(Text(html::ElementById(doc.Get(), L"css").Get(), L"href"), L"http://www.example.com/dir/style.css");
  EXPECT_EQ(Text(html::ElementById(doc.Get(), L"area1").Get(), L"alt"), L"Region");
  EXPECT_EQ(Text(html::ElementById(doc.Get(), L"area2").Get(), L"alt"), L"");
  // Elements that carry no address have no such member at all.
  EXPECT_EQ(FailureOf([&] { GetProperty(html::ElementById(doc.Get(), L"div1").Get(), L"href"); }), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(FailureOf([&] { GetProperty(html::ElementById(doc.Get(), L"a1").Get(), L"src"); }), DISP_E_UNKNOWNNAME);

  auto based = html::LoadDocument("<base href='http://other.example.org/base/'><a id=l href='x.html'>x</a>",
                                  L"http://www.example.com/");
  EXPECT_EQ(Text(html::ElementById(based.Get(), L"l").Get(), L"href"), L"http://other.example.org/base/x.html");
}

TEST_F(HtmlDocument, CollectionsListTagsInDocumentOrderAndIndexAsAutomationDoes) {
  auto doc = html::LoadDocument(kLinksPage, L"http://www.example.com/dir/page.html");
  auto links = Tags(doc.Get(), L"a");
  EXPECT_EQ(GetProperty(links.Get(), L"length").ToLong(), 3);
  EXPECT_EQ(GetProperty(Tags(doc.Get(), L"A").Get(), L"length").ToLong(), 3);
  EXPECT_EQ(GetProperty(Tags(doc.Get(), L"Area").Get(), L"length").ToLong(), 2);
  EXPECT_EQ(GetProperty(Tags(doc.Get(), L"blink").Get(), L"length").ToLong(), 0);
  EXPECT_EQ(Text(Item(links.Get(), Variant(0)).Get(), L"id"), L"a1");
  EXPECT_EQ(Text(Item(links.Get(), Variant(2)).Get(), L"id"), L"anchor");

  // Any integer variant indexes; so does one passed by reference.
  Variant i2;
  i2.Ptr()->vt = VT_I2;
  i2.Ptr()->iVal = 1;
  EXPECT_EQ(Text(Item(links.Get(), i2).Get(), L"id"), L"a2");
  Variant u4(static_cast<ULONG>(1));
  EXPECT_EQ(Text(Item(links.Get(), u4).Get(), L"id"), L"a2");
  LONG target = 2;
  Variant byRef;
  byRef.Ptr()->vt = VT_I4 | VT_BYREF;
  byRef.Ptr()->plVal = &target;
  EXPECT_EQ(Text(browser::DispatchOf(CallMethod(links.Get(), L"item", {byRef})).Get(), L"id"), L"anchor");
  // By id or name, and nothing outside the bounds.
  EXPECT_EQ(Text(browser::DispatchOf(CallMethod(links.Get(), L"item", {Variant(L"top")})).Get(), L"id"), L"anchor");
  for (LONG bad : {-1, 3, 1000000})
    EXPECT_TRUE(IsNothing(CallMethod(links.Get(), L"item", {Variant(bad), OmittedArgument()}))) << bad;

  // Indexes of other kinds name nothing rather than fail.
  EXPECT_TRUE(IsNothing(CallMethod(links.Get(), L"item", {Variant(L"no-such-name")})));
  EXPECT_TRUE(IsNothing(CallMethod(links.Get(), L"item", {Variant(doc.Get())})));
  EXPECT_EQ(FailureOf([&] { CallMethod(doc.Get(), L"execCommand"); }), DISP_E_BADPARAMCOUNT);

  // One element is one object, however it is reached.
  EXPECT_EQ(Item(links.Get(), Variant(0)).Get(), html::ElementById(doc.Get(), L"a1").Get());
  auto all = GetObjectProperty(doc.Get(), L"all");
  EXPECT_GT(GetProperty(all.Get(), L"length").ToLong(), 10);
  EXPECT_EQ(Text(Item(all.Get(), Variant(0)).Get(), L"tagName"), L"HTML");
}

TEST_F(HtmlDocument, MembersAreFoundByNameWithoutRegardToCase) {
  auto doc = html::LoadDocument(kLinksPage, L"http://www.example.com/dir/page.html");
  EXPECT_EQ(Text(doc.Get(), L"URL"), L"http://www.example.com/dir/page.html");
  EXPECT_EQ(Text(doc.Get(), L"url"), Text(doc.Get(), L"URL"));
  auto a1 = html::ElementById(doc.Get(), L"a1");
  EXPECT_EQ(Text(a1.Get(), L"HREF"), Text(a1.Get(), L"href"));
  EXPECT_EQ(Text(a1.Get(), L"TagName"), L"A");
  EXPECT_EQ(FailureOf([&] { GetProperty(a1.Get(), L"noSuchMember"); }), DISP_E_UNKNOWNNAME);

  // The document answers as an HTML document and as a container of embedded objects.
  ComPtr<IUnknown> asHtml, asContainer, asUnknown;
  EXPECT_EQ(doc->QueryInterface(browser::IID_IHTMLDocument2, asHtml.PutVoid()), S_OK);
  EXPECT_EQ(doc->QueryInterface(IID_IOleContainer, asContainer.PutVoid()), S_OK);
  EXPECT_EQ(doc->QueryInterface(IID_IUnknown, asUnknown.PutVoid()), S_OK);
  ComPtr<IUnknown> fromContainer;
  asContainer->QueryInterface(IID_IUnknown, fromContainer.PutVoid());
  EXPECT_EQ(fromContainer.Get(), asUnknown.Get());
  // An element is no document.
  ComPtr<IUnknown> none;
  EXPECT_EQ(a1->QueryInterface(browser::IID_IHTMLDocument2, none.PutVoid()), E_NOINTERFACE);

  // Malformed calls give codes, not crashes.
  DISPID id = 0;
  EXPECT_EQ(doc->GetIDsOfNames(IID_NULL, nullptr, 1, 0, &id), E_POINTER);
  DISPPARAMS bad{nullptr, nullptr, 2, 0};
  Variant result;
  EXPECT_EQ(doc->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &bad, result.Ptr(), nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(doc->Invoke(12345, IID_NULL, 0, DISPATCH_METHOD, nullptr, result.Ptr(), nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
}

TEST_F(HtmlDocument, InnerTextCollapsesWhiteSpaceAndBreaksBetweenBlocks) {
  struct Case {
    const char* body;
    const wchar_t* text;
  } cases[] = {
      {"<a id=t>  the   next\n  page </a>", L"the next page"},
      {"<div id=t><p>one</p><p>two</p></div>", L"one\r\ntwo"},
      {"<div id=t>line<br>break</div>", L"line\r\nbreak"},
      {"<div id=t><b>bold</b><i>italic</i> <span>spaced</span></div>", L"bolditalic spaced"},
      {"<ul id=t><li>a</li><li>b</li></ul>", L"a\r\nb"},
      {"<div id=t>before<script>var x = 1;</script><style>p{}</style>after</div>", L"beforeafter"},
      {"<table id=t><tr><td>1</td><td>2</td></tr><tr><td>3</td></tr></table>", L"1 2\r\n3"},
      {"<p id=t>caf&eacute; &amp; &lt;tags&gt;</p>", L"caf\u00e9 & <tags>"},
      {"<div id=t></div>", L""},
  };
  for (const Case& c : cases) {
    auto doc = html::LoadDocument(std::string("<body>") + c.body, L"http://example.com/");
    EXPECT_EQ(Text(html::ElementById(doc.Get(), L"t").Get(), L"innerText"), c.text) << c.body;
  }
}

TEST_F(HtmlDocument, ParentTextEditIsTheBodyInsideItAndNothingOutside) {
  auto doc = html::LoadDocument(kLinksPage, L"http://www.example.com/dir/page.html");
  auto body = GetObjectProperty(doc.Get(), L"body");
  EXPECT_EQ(Text(body.Get(), L"tagName"), L"BODY");
  EXPECT_EQ(GetObjectProperty(html::ElementById(doc.Get(), L"a1").Get(), L"parentTextEdit").Get(), body.Get());
  EXPECT_TRUE(IsNothing(GetProperty(html::ElementById(doc.Get(), L"css").Get(), L"parentTextEdit")));
  EXPECT_TRUE(IsNothing(GetProperty(body.Get(), L"parentTextEdit")));
  // Only text edits make text ranges.
  EXPECT_EQ(FailureOf([&] { CallMethod(html::ElementById(doc.Get(), L"a1").Get(), L"createTextRange"); }),
            DISP_E_UNKNOWNNAME);
}

TEST_F(HtmlDocument, SelectionsAndTextRangesContainWhatLiesBetweenTheirEnds) {
  auto doc = html::LoadDocument(kLinksPage, L"http://www.example.com/dir/page.html");
  auto body = GetObjectProperty(doc.Get(), L"body");
  auto elementRange = [&](const wchar_t* id) {
    auto range = browser::DispatchOf(CallMethod(body.Get(), L"createTextRange"));
    CallMethod(range.Get(), L"moveToElementText", {Variant(html::ElementById(doc.Get(), id).Get())});
    return range;
  };
  auto selectionRange = [&] {
    return browser::DispatchOf(CallMethod(GetObjectProperty(doc.Get(), L"selection").Get(), L"createRange"));
  };
  auto selectionType = [&] { return Text(GetObjectProperty(doc.Get(), L"selection").Get(), L"type"); };
  auto contains = [&](IDispatch* outer, IDispatch* inner) {
    return CallMethod(outer, L"inRange", {Variant(inner)}).ToBool();
  };

  EXPECT_EQ(selectionType(), L"None");
  EXPECT_FALSE(contains(selectionRange().Get(), elementRange(L"a1").Get()));

  html::SelectRange(doc.Get(), L"intro", L"anchor");
  EXPECT_EQ(selectionType(), L"Text");
  auto selected = selectionRange();
  EXPECT_TRUE(contains(selected.Get(), elementRange(L"a1").Get()));
  EXPECT_TRUE(contains(selected.Get(), elementRange(L"a2").Get()));
  EXPECT_TRUE(contains(selected.Get(), elementRange(L"anchor").Get()));
  EXPECT_FALSE(contains(selected.Get(), elementRange(L"area1").Get()));
  EXPECT_FALSE(contains(elementRange(L"a1").Get(), selected.Get()));
  EXPECT_EQ(Text(selected.Get(), L"text"), L"Read the next page or go up.\r\nno address");
  // The whole body holds every element of it.
  EXPECT_TRUE(contains(browser::DispatchOf(CallMethod(body.Get(), L"createTextRange")).Get(),
                       elementRange(L"img2").Get()));

  html::SelectControl(doc.Get(), L"img1");
  EXPECT_EQ(selectionType(), L"Control");
  // A control selection's range is no text range: it cannot be asked inRange.
  EXPECT_EQ(FailureOf([&] { contains(selectionRange().Get(), elementRange(L"img1").Get()); }), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(Text(browser::DispatchOf(CallMethod(selectionRange().Get(), L"item", {Variant(0)})).Get(), L"id"), L"img1");

  // A range of another document, or no range at all, is refused.
  auto other = html::LoadDocument(kLinksPage, L"http://www.example.com/dir/page.html");
  auto otherBody = GetObjectProperty(other.Get(), L"body");
  auto otherRange = browser::DispatchOf(CallMethod(otherBody.Get(), L"createTextRange"));
  EXPECT_EQ(FailureOf([&] { contains(selected.Get(), otherRange.Get()); }), E_INVALIDARG);
  EXPECT_EQ(FailureOf([&] { CallMethod(selected.Get(), L"inRange", {Variant(L"text")}); }), E_INVALIDARG);
  EXPECT_THROW(html::SelectRange(doc.Get(), L"nope", L"a1"), com::ComError);
}

TEST_F(HtmlDocument, InlineStyleIsReadFromTheMarkupAndWrittenBackIntoIt) {
  auto doc = html::LoadDocument(
      "<body><a id=s href=x style='COLOR: red; text-decoration:underline;margin:1px'>x</a><a id=p href=y>y</a>",
      L"http://example.com/");
  auto style = GetObjectProperty(html::ElementById(doc.Get(), L"s").Get(), L"style");
  EXPECT_EQ(Text(style.Get(), L"color"), L"red");
  EXPECT_EQ(Text(style.Get(), L"textDecoration"), L"underline");
  EXPECT_EQ(Text(style.Get(), L"fontWeight"), L"");
  browser::PutProperty(style.Get(), L"fontWeight", Variant(L"bold"));
  browser::PutProperty(style.Get(), L"color", Variant(L""));
  browser::PutProperty(style.Get(), L"backgroundColor", Variant(L"FF0000"));
  EXPECT_EQ(Text(style.Get(), L"fontWeight"), L"bold");
  EXPECT_EQ(Text(style.Get(), L"color"), L"");
  // A second style object of the same element sees the same values.
  auto again = GetObjectProperty(html::ElementById(doc.Get(), L"s").Get(), L"style");
  EXPECT_EQ(Text(again.Get(), L"backgroundColor"), L"FF0000");
  auto plain = GetObjectProperty(html::ElementById(doc.Get(), L"p").Get(), L"style");
  browser::PutProperty(plain.Get(), L"textDecoration", Variant(L"line-through"));
  // Null clears a property as the empty string does.
  browser::PutProperty(plain.Get(), L"fontWeight", Variant(L"bold"));
  Variant null;
  null.Ptr()->vt = VT_NULL;
  browser::PutProperty(plain.Get(), L"fontWeight", null);
  EXPECT_EQ(Text(plain.Get(), L"fontWeight"), L"");

  const std::string markup = html::SerializeHtml(doc.Get());
  EXPECT_NE(markup.find("style=\"text-decoration: underline; margin: 1px; font-weight: bold; background-color: FF0000\""),
            std::string::npos)
      << markup;
  EXPECT_NE(markup.find("<a id=\"p\" href=\"y\" style=\"text-decoration: line-through\">y</a>"), std::string::npos)
      << markup;
  // The serialized page parses back to the same styles.
  auto reparsed = html::LoadDocument(markup, L"http://example.com/");
  auto reStyle = GetObjectProperty(html::ElementById(reparsed.Get(), L"s").Get(), L"style");
  EXPECT_EQ(Text(reStyle.Get(), L"fontWeight"), L"bold");
  EXPECT_EQ(Text(reStyle.Get(), L"color"), L"");
}

const char kFrameset[] = R"(<frameset cols="*,*,*,*">
<frame src="left.html"><frame src="http://ads.example.net/ad.html"><frame src="missing.html">
<frame src="https://www.example.com/secure.html"></frameset>)";

html::LoadOptions FramePages() {
  return {"", html::MapLoader({
                  {L"http://www.example.com/left.html", "<a href='in-frame.html'>inner</a><iframe src='deeper.html'>"},
                  {L"http://www.example.com/deeper.html", "<a href='deep.html'>deep</a>"},
                  {L"http://ads.example.net/ad.html", "<a href='http://ads.example.net/click'>ad</a>"},
                  {L"https://www.example.com/secure.html", "<p>secure</p>"},
              })};
}

TEST_F(HtmlDocument, FramesLoadThroughThePageLoaderAndOtherOriginsRefuseTheirDocument) {
  auto doc = html::LoadDocument(kFrameset, L"http://www.example.com/index.html", FramePages());
  auto frames = GetObjectProperty(doc.Get(), L"frames");
  ASSERT_EQ(GetProperty(frames.Get(), L"length").ToLong(), 4);
  auto frame = [&](LONG j) { return browser::DispatchOf(CallMethod(frames.Get(), L"item", {Variant(j)})); };

  auto left = GetObjectProperty(GetObjectProperty(frame(0).Get(), L"window").Get(), L"document");
  EXPECT_EQ(Text(left.Get(), L"URL"), L"http://www.example.com/left.html");
  EXPECT_EQ(Text(Item(Tags(left.Get(), L"a").Get(), Variant(0)).Get(), L"href"), L"http://www.example.com/in-frame.html");
  // Frames nest: the left page's iframe is a frame of its own window.
  auto inner = GetObjectProperty(left.Get(), L"frames");
  EXPECT_EQ(GetProperty(inner.Get(), L"length").ToLong(), 1);

  EXPECT_EQ(FailureOf([&] { GetProperty(frame(1).Get(), L"document"); }), E_ACCESSDENIED);
  EXPECT_EQ(FailureOf([&] { GetProperty(frame(3).Get(), L"document"); }), E_ACCESSDENIED);  // another scheme
  auto missing = GetObjectProperty(frame(2).Get(), L"document");
  EXPECT_EQ(Text(missing.Get(), L"URL"), L"about:blank");
  EXPECT_EQ(GetProperty(Tags(missing.Get(), L"a").Get(), L"length").ToLong(), 0);
  EXPECT_EQ(FailureOf([&] { CallMethod(frames.Get(), L"item", {Variant(4)}); }), E_INVALIDARG);

  // Without a loader every frame is an empty page.
  auto alone = html::LoadDocument(kFrameset, L"http://www.example.com/index.html");
  auto aloneFrame = browser::DispatchOf(CallMethod(GetObjectProperty(alone.Get(), L"frames").Get(), L"item", {Variant(1)}));
  EXPECT_EQ(Text(GetObjectProperty(aloneFrame.Get(), L"document").Get(), L"URL"), L"about:blank");
}

TEST_F(HtmlDocument, APageThatFramesItselfEndsInEmptyDocuments) {
  const std::string page = "<iframe src='self.html'></iframe><a href='x'>x</a>";
  html::LoadOptions options{"", html::MapLoader({{L"http://example.com/self.html", page}})};
  ComPtr<IDispatch> doc = html::LoadDocument(page, L"http://example.com/self.html", options);
  int depth = 0;
  while (GetProperty(GetObjectProperty(doc.Get(), L"frames").Get(), L"length").ToLong() > 0 && depth < 100) {
    auto window = browser::DispatchOf(CallMethod(GetObjectProperty(doc.Get(), L"frames").Get(), L"item", {Variant(0)}));
    doc = GetObjectProperty(window.Get(), L"document");
    ++depth;
  }
  EXPECT_GT(depth, 1);
  EXPECT_LT(depth, 100);
  EXPECT_EQ(Text(doc.Get(), L"URL"), L"about:blank");
}

TEST_F(HtmlDocument, TheContainerHandsOutOneBrowserPerFrame) {
  auto doc = html::LoadDocument(kFrameset, L"http://www.example.com/index.html", FramePages());
  auto container = com::QueryAs<IOleContainer>(doc.Get());
  ASSERT_TRUE(container);
  ComPtr<IEnumUnknown> objects;
  ASSERT_EQ(container->EnumObjects(OLECONTF_EMBEDDINGS, objects.ReleaseAndGetAddressOf()), S_OK);
  std::vector<std::wstring> urls;
  ComPtr<IUnknown> object;
  while (objects->Next(1, object.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    auto browser = com::QueryAs<IWebBrowser2>(object.Get());
    ASSERT_TRUE(browser);
    ComPtr<IDispatch> frameDoc;
    ASSERT_EQ(browser->get_Document(frameDoc.ReleaseAndGetAddressOf()), S_OK);
    ASSERT_TRUE(com::QueryAs<IUnknown>(frameDoc.Get()));
    // Through the container even another origin's document is reachable.
    urls.push_back(Text(frameDoc.Get(), L"URL"));
  }
  EXPECT_EQ(urls, (std::vector<std::wstring>{L"http://www.example.com/left.html", L"http://ads.example.net/ad.html",
                                             L"about:blank", L"https://www.example.com/secure.html"}));

  ComPtr<IUnknown> batch[4];
  ULONG fetched = 9;
  EXPECT_EQ(objects->Next(1, batch[0].ReleaseAndGetAddressOf(), &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(objects->Reset(), S_OK);
  EXPECT_EQ(objects->Skip(3), S_OK);
  ComPtr<IEnumUnknown> clone;
  ASSERT_EQ(objects->Clone(clone.ReleaseAndGetAddressOf()), S_OK);
  IUnknown* raw[2] = {};
  EXPECT_EQ(clone->Next(2, raw, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 1u);
  ComPtr<IUnknown>::Adopt(raw[0]);
  EXPECT_EQ(clone->Skip(5), S_FALSE);
  EXPECT_EQ(clone->Next(2, raw, nullptr), E_INVALIDARG);

  ComPtr<IEnumUnknown> links;
  ASSERT_EQ(container->EnumObjects(OLECONTF_LINKS, links.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(links->Next(1, object.ReleaseAndGetAddressOf(), nullptr), S_FALSE);
}

TEST_F(HtmlDocument, CopyPutsTheSelectedTextOnTheClipboard) {
  auto doc = html::LoadDocument(kLinksPage, L"http://www.example.com/dir/page.html");
  html::SelectRange(doc.Get(), L"a1", L"a2");
  EXPECT_TRUE(CallMethod(doc.Get(), L"execCommand", {Variant(L"Copy"), Variant(false), Variant(L"")}).ToBool());
  ASSERT_TRUE(win::OpenClipboard(nullptr));
  HANDLE unicode = win::GetClipboardData(CF_UNICODETEXT);
  HANDLE ansi = win::GetClipboardData(CF_TEXT);
  std::wstring wide;
  std::string narrow;
  if (unicode) wide = static_cast<const wchar_t*>(win::GlobalLock(unicode)), win::GlobalUnlock(unicode);
  if (ansi) narrow = static_cast<const char*>(win::GlobalLock(ansi)), win::GlobalUnlock(ansi);
  win::CloseClipboard();
  EXPECT_EQ(wide, L"the next page or go up");
  EXPECT_EQ(narrow, "the next page or go up");

  EXPECT_EQ(FailureOf([&] { CallMethod(doc.Get(), L"execCommand", {Variant(L"FormatDisk"), Variant(false)}); }),
            static_cast<HRESULT>(0x80040100));
}

TEST_F(HtmlDocument, CharsetsAreDetectedOrTakenFromTheCaller) {
  struct Case {
    std::string bytes;
    std::string charset;
    std::wstring text;
  } cases[] = {
      {"<p id=t>Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC</p>", "", L"Gr\u00fc\u00dfe \u20ac"},
      {"\xEF\xBB\xBF<p id=t>bom \xC3\xA9</p>", "windows-1252", L"bom \u00e9"},
      {"<p id=t>bad \xC3( \xFF end</p>", "", L"bad \uFFFD( \uFFFD end"},
      {"<meta charset=windows-1252><p id=t>\x80 \x93q\x94 \xE9</p>", "", L"\u20ac \u201cq\u201d \u00e9"},
      {"<meta http-equiv='Content-Type' content='text/html; charset=ISO-8859-1'><p id=t>\x93\xE9</p>", "",
       L"\u201c\u00e9"},
      {"<p id=t>\xE9t\xE9</p>", "us-ascii", L"\u00e9t\u00e9"},
      {"<p id=t>\xE9t\xE9</p>", "x-no-such-charset", L"\u00e9t\u00e9"},
      {"<meta charset=windows-1252><p id=t>\xC3\xA9</p>", "utf-8", L"\u00e9"},
      {Bytes("\xFF\xFE<\0p\0 \0i\0d\0=\0t\0>\0\xAC\x20"), "", L"\u20ac"},
  };
  for (const Case& c : cases) {
    auto doc = html::LoadDocument(c.bytes, L"http://example.com/", {c.charset, {}});
    auto element = html::ElementById(doc.Get(), L"t");
    ASSERT_TRUE(element) << c.bytes;
    EXPECT_EQ(Text(element.Get(), L"innerText"), c.text) << c.bytes;
  }
}

TEST_F(HtmlDocument, InjectedFailuresReachTheCallerWithTheirCode) {
  auto doc = html::LoadDocument(kLinksPage, L"http://www.example.com/dir/page.html");
  html::FailMember(doc.Get(), L"a2", L"href", E_FAIL);
  html::FailMember(doc.Get(), L"a1", L"color", DISP_E_TYPEMISMATCH);
  html::FailMember(doc.Get(), L"", L"Selection", E_ACCESSDENIED);
  try {
    GetProperty(html::ElementById(doc.Get(), L"a2").Get(), L"href");
    ADD_FAILURE() << "href did not fail";
  } catch (const com::ComError& e) {
    EXPECT_EQ(e.hr(), E_FAIL);
    EXPECT_NE(e.message().find(L"href"), std::wstring::npos);
  }
  EXPECT_EQ(Text(html::ElementById(doc.Get(), L"a1").Get(), L"href"), L"http://www.example.com/dir/next.html#part");
  auto style = GetObjectProperty(html::ElementById(doc.Get(), L"a1").Get(), L"style");
  EXPECT_EQ(FailureOf([&] { browser::PutProperty(style.Get(), L"color", Variant(L"red")); }), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(FailureOf([&] { GetProperty(doc.Get(), L"selection"); }), E_ACCESSDENIED);
  EXPECT_EQ(FailureOf([&] { GetProperty(doc.Get(), L"all"); }), S_OK);
  EXPECT_THROW(html::FailMember(doc.Get(), L"no-such-id", L"href", E_FAIL), com::ComError);
}

TEST_F(HtmlDocument, HostilePagesParseWithoutExhaustingTheStack) {
  // The parser checks scopes along the open elements for every block start
  // tag, so block nesting costs it quadratic time; inline nesting does not.
  std::string deep;
  for (int i = 0; i < 2000; ++i) deep += "<div>";
  for (int i = 0; i < 100000; ++i) deep += "<span>";
  deep += "<a id=bottom href='deep.html'>bottom</a>";
  auto doc = html::LoadDocument(deep, L"http://example.com/");
  auto bottom = html::ElementById(doc.Get(), L"bottom");
  ASSERT_TRUE(bottom);
  EXPECT_EQ(Text(bottom.Get(), L"href"), L"http://example.com/deep.html");
  EXPECT_EQ(GetObjectProperty(bottom.Get(), L"parentTextEdit").Get(), GetObjectProperty(doc.Get(), L"body").Get());
  EXPECT_EQ(Text(GetObjectProperty(doc.Get(), L"body").Get(), L"innerText"), L"bottom");
  EXPECT_GT(html::SerializeHtml(doc.Get()).size(), deep.size());

  const std::string huge(1 << 20, 'x');
  auto big = html::LoadDocument("<a id=h href='" + huge + "'>h</a>", L"http://example.com/");
  EXPECT_EQ(Text(html::ElementById(big.Get(), L"h").Get(), L"href").size(), huge.size() + 19);

  const std::string nul = Bytes("<p id=n>a\0b</p><a id=after href='z'>z</a>\0");
  auto withNul = html::LoadDocument(nul, L"http://example.com/");
  EXPECT_EQ(Text(html::ElementById(withNul.Get(), L"after").Get(), L"href"), L"http://example.com/z");

  for (const char* garbage : {"", "<", "</a></b></c>", "<a href", "<!--", "<table><a href=x>x</table>", "\xFF\xFE\xFF"}) {
    auto g = html::LoadDocument(garbage, L"http://example.com/");
    ASSERT_TRUE(g) << garbage;
    EXPECT_GE(GetProperty(GetObjectProperty(g.Get(), L"all").Get(), L"length").ToLong(), 0) << garbage;
  }
}

TEST_F(HtmlDocument, ManyLinksAreWalkedByIndex) {
  std::string page = "<body>";
  for (int i = 0; i < 100000; ++i) page += "<a href='p" + std::to_string(i) + ".html'>link " + std::to_string(i) + "</a>";
  auto doc = html::LoadDocument(page, L"http://example.com/");
  auto links = Tags(doc.Get(), L"A");
  const LONG n = GetProperty(links.Get(), L"length").ToLong();
  ASSERT_EQ(n, 100000);
  std::wstring last;
  for (LONG i = 0; i < n; ++i) last = Text(Item(links.Get(), Variant(i)).Get(), L"href");
  EXPECT_EQ(last, L"http://example.com/p99999.html");
}

TEST_F(HtmlDocument, FilesLoadWithFileAddressesAndFramesFromDisk) {
  const testing_support::ScratchFolder scratch("vornie html ");
  const auto& dir = scratch.path();
  std::ofstream(dir / "main.html") << "<a id=l href='other page.html'>l</a><iframe src='inner.html'></iframe>";
  std::ofstream(dir / "inner.html") << "<a id=i href='#top'>i</a>";
  auto doc = html::LoadDocumentFile((dir / "main.html").string(), {"", html::FileLoader()});
  ASSERT_TRUE(doc);
  const std::wstring url = Text(doc.Get(), L"URL");
  EXPECT_EQ(url.rfind(L"file:///", 0), 0u) << com::ToUtf8(url);
  EXPECT_NE(url.find(L"vornie%20html"), std::wstring::npos) << com::ToUtf8(url);
  const std::wstring href = Text(html::ElementById(doc.Get(), L"l").Get(), L"href");
  EXPECT_EQ(href, url.substr(0, url.rfind(L'/') + 1) + L"other%20page.html");
  auto frame = browser::DispatchOf(CallMethod(GetObjectProperty(doc.Get(), L"frames").Get(), L"item", {Variant(0)}));
  auto inner = GetObjectProperty(frame.Get(), L"document");
  EXPECT_EQ(GetProperty(Tags(inner.Get(), L"a").Get(), L"length").ToLong(), 1);
  EXPECT_FALSE(html::LoadDocumentFile((dir / "absent.html").string()));
}

}  // namespace
