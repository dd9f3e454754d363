// The stand-in browser's events: what a sink advised on its DWebBrowserEvents2
// connection point sees when the browser navigates, argument by argument as
// the browser passes them, and the page it shows afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/browser/LateBound.h"
#include "platform/browser/WebBrowserEvents.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Text.h"
#include "platform/com/Variant.h"
#include "standins/browser/WebBrowser.h"
#include "standins/html/HtmlDocument.h"
#include "support/ComTest.h"
#include "support/ScratchFolder.h"

namespace {

using com::ComPtr;

// The address a document knows itself by, or "" for none.
std::wstring DocumentUrl(IWebBrowser2* browser) {
  ComPtr<IDispatch> document;
  if (FAILED(browser->get_Document(document.ReleaseAndGetAddressOf())) || !document) return L"";
  return browser::GetString(document.Get(), L"URL");
}

// A browser event sink as a toolbar makes one: IDispatch, answering to the
// events' IID. It reads each event while the call lasts, as the arguments
// point into the browser's own variables.
class EventSink : public IDispatch {
 public:
  struct Event {
    DISPID id;
    UINT argCount;
    std::vector<VARTYPE> types;  // rgvarg order: last declared first
    IDispatch* browser;          // pDisp, identity only
    std::wstring url;            // what the URL argument refers to
    std::wstring documentUrl;    // the browser's document at that moment
  };

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch) &&
        !(answersEventIid && IsEqualIID(riid, DIID_DWebBrowserEvents2)))
      return E_NOINTERFACE;
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    Event e{id, params->cArgs, {}, nullptr, {}, {}};
    for (UINT i = 0; i < params->cArgs; ++i) e.types.push_back(params->rgvarg[i].vt);
    if (params->cArgs >= 2) {
      // pDisp is declared first, URL second.
      const VARIANTARG& disp = params->rgvarg[params->cArgs - 1];
      const VARIANTARG& url = params->rgvarg[params->cArgs - 2];
      if (disp.vt == VT_DISPATCH) e.browser = disp.pdispVal;
      if (url.vt == (VT_BYREF | VT_VARIANT) && url.pvarVal->vt == VT_BSTR) e.url = url.pvarVal->bstrVal;
      if (auto browser = com::QueryAs<IWebBrowser2>(e.browser)) e.documentUrl = DocumentUrl(browser.Get());
    }
    if (id == DISPID_BEFORENAVIGATE2 && cancel && params->rgvarg[0].vt == (VT_BYREF | VT_BOOL))
      *params->rgvarg[0].pboolVal = VARIANT_TRUE;
    events.push_back(std::move(e));
    return S_OK;
  }

  ULONG refs = 0;
  bool cancel = false;
  bool answersEventIid = true;
  std::vector<Event> events;
};

class BrowserEventsTest : public testing_support::ComTest {
 protected:
  void SetUp() override {
    browser_ = standins::WebBrowser::Create();
    auto container = com::QueryAs<IConnectionPointContainer>(browser_.Get());
    ASSERT_TRUE(container);
    ASSERT_EQ(container->FindConnectionPoint(DIID_DWebBrowserEvents2, point_.ReleaseAndGetAddressOf()), S_OK);
    ASSERT_TRUE(point_);
  }
  void TearDown() override {
    point_.Reset();
    browser_.Reset();
    ComTest::TearDown();
  }

  HRESULT Navigate(const std::wstring& address) {
    com::Variant url(address);
    return browser_->Navigate2(url.Ptr(), nullptr, nullptr, nullptr, nullptr);
  }

  std::string WritePage(const std::string& name, const std::string& html) {
    const auto path = scratch_ / name;
    std::ofstream(path, std::ios::binary) << html;
    return path.string();
  }

  IDispatch* BrowserIdentity() { return static_cast<IWebBrowser2*>(browser_.Get()); }

  testing_support::ScratchFolder scratch_;
  ComPtr<standins::WebBrowser> browser_;
  ComPtr<IConnectionPoint> point_;
};

TEST_F(BrowserEventsTest, ASinkSeesTheThreeEventsInOrderWithTheAddress) {
  const std::string path = WritePage("page.html", "<p id=x>hello</p>");
  const std::wstring fileUrl = browser::GetString(
      standins::html::LoadDocumentFile(path).Get(), L"URL");  // the file: form of the absolute path
  ASSERT_EQ(fileUrl.rfind(L"file:///", 0), 0u);
  struct Case {
    const char* name;
    std::wstring requested;
    std::wstring loaded;
  };
  const Case cases[] = {{"about:blank", L"about:blank", L"about:blank"},
                        {"plain path", com::FromUtf8(path), fileUrl},
                        {"file address", fileUrl, fileUrl}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EventSink sink;
    DWORD cookie = 0;
    ASSERT_EQ(point_->Advise(&sink, &cookie), S_OK);
    EXPECT_NE(cookie, 0u);
    EXPECT_EQ(browser_->EventSinkCount(), 1u);

    EXPECT_EQ(Navigate(c.requested), S_OK);

    ASSERT_EQ(sink.events.size(), 3u);
    const EventSink::Event& before = sink.events[0];
    EXPECT_EQ(before.id, DISPID_BEFORENAVIGATE2);
    ASSERT_EQ(before.argCount, 7u);
    const VARTYPE byRef = VT_BYREF | VT_VARIANT;
    EXPECT_EQ(before.types, (std::vector<VARTYPE>{VT_BYREF | VT_BOOL, byRef, byRef, byRef, byRef, byRef, VT_DISPATCH}));
    EXPECT_EQ(before.url, c.requested) << "BeforeNavigate2 names the address as asked";
    for (std::size_t i = 1; i < 3; ++i) {
      const EventSink::Event& e = sink.events[i];
      EXPECT_EQ(e.id, i == 1 ? DISPID_NAVIGATECOMPLETE2 : DISPID_DOCUMENTCOMPLETE);
      EXPECT_EQ(e.types, (std::vector<VARTYPE>{byRef, VT_DISPATCH}));
      EXPECT_EQ(e.url, c.loaded);
      EXPECT_EQ(e.documentUrl, c.loaded) << "the new document is there when the browser says so";
    }
    for (const auto& e : sink.events) EXPECT_EQ(e.browser, BrowserIdentity());

    com::Bstr location;
    ASSERT_EQ(browser_->get_LocationURL(location.Receive()), S_OK);
    EXPECT_EQ(location.str(), c.loaded);
    ASSERT_FALSE(browser_->Navigations().empty());
    EXPECT_TRUE(browser_->Navigations().back().loadError.empty()) << com::ToUtf8(browser_->Navigations().back().loadError);

    EXPECT_EQ(point_->Unadvise(cookie), S_OK);
    EXPECT_EQ(sink.refs, 0u) << "the browser let the sink go";
  }
  // The page itself came through the HTML stand-in.
  ComPtr<IDispatch> document;
  ASSERT_EQ(browser_->get_Document(document.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(browser::GetString(standins::html::ElementById(document.Get(), L"x").Get(), L"innerText"), L"hello");
}

TEST_F(BrowserEventsTest, OnlyAdvisedEventSinksAreCalled) {
  EventSink gone, staying;
  DWORD goneCookie = 0, stayingCookie = 0;
  ASSERT_EQ(point_->Advise(&gone, &goneCookie), S_OK);
  ASSERT_EQ(point_->Advise(&staying, &stayingCookie), S_OK);
  EXPECT_NE(goneCookie, stayingCookie);
  ASSERT_EQ(point_->Unadvise(goneCookie), S_OK);
  EXPECT_EQ(point_->Unadvise(goneCookie), CONNECT_E_NOCONNECTION);

  EXPECT_EQ(Navigate(L"about:blank"), S_OK);
  EXPECT_TRUE(gone.events.empty());
  EXPECT_EQ(staying.events.size(), 3u);
  EXPECT_EQ(gone.refs, 0u);

  // An object that is no dispatch object cannot be advised.
  struct NotASink : EventSink {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
      if (IsEqualIID(riid, DIID_DWebBrowserEvents2) || IsEqualIID(riid, IID_IDispatch)) {
        *ppv = nullptr;
        return E_NOINTERFACE;
      }
      return EventSink::QueryInterface(riid, ppv);
    }
  } stranger;
  DWORD cookie = 1;
  EXPECT_EQ(point_->Advise(&stranger, &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(cookie, 0u);
  EXPECT_EQ(browser_->EventSinkCount(), 1u);
  ASSERT_EQ(point_->Unadvise(stayingCookie), S_OK);
}

TEST_F(BrowserEventsTest, AMissingFileCompletesWithAnEmptyDocumentAndSaysWhy) {
  EventSink sink;
  DWORD cookie = 0;
  ASSERT_EQ(point_->Advise(&sink, &cookie), S_OK);
  const std::wstring missing = com::FromUtf8((scratch_ / "missing.html").string());

  EXPECT_EQ(Navigate(missing), S_OK);

  ASSERT_EQ(sink.events.size(), 3u);
  EXPECT_EQ(sink.events[2].id, DISPID_DOCUMENTCOMPLETE);
  EXPECT_EQ(sink.events[2].url, missing);
  ComPtr<IDispatch> document;
  ASSERT_EQ(browser_->get_Document(document.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_TRUE(document);
  EXPECT_EQ(browser::GetString(document.Get(), L"URL"), missing);
  EXPECT_EQ(browser::GetString(browser::GetObjectProperty(document.Get(), L"body").Get(), L"innerText"), L"");
  ASSERT_EQ(browser_->Navigations().size(), 1u);
  const std::string reason = com::ToUtf8(browser_->Navigations()[0].loadError);
  EXPECT_NE(reason.find("missing.html"), std::string::npos) << reason;
  ASSERT_EQ(point_->Unadvise(cookie), S_OK);
}

TEST_F(BrowserEventsTest, ASinkThatCancelsKeepsTheBrowserWhereItWas) {
  ASSERT_EQ(Navigate(L"about:blank"), S_OK);
  EventSink sink;
  sink.cancel = true;
  DWORD cookie = 0;
  ASSERT_EQ(point_->Advise(&sink, &cookie), S_OK);
  EXPECT_EQ(Navigate(com::FromUtf8(WritePage("next.html", "<p>next</p>"))), S_OK);
  ASSERT_EQ(sink.events.size(), 1u) << "no completion for a cancelled navigation";
  EXPECT_TRUE(browser_->Navigations().back().cancelled);
  com::Bstr location;
  ASSERT_EQ(browser_->get_LocationURL(location.Receive()), S_OK);
  EXPECT_EQ(location.str(), L"about:blank");
  ASSERT_EQ(point_->Unadvise(cookie), S_OK);
}

TEST_F(BrowserEventsTest, TheConnectionPointBelongsToTheBrowser) {
  IID iid{};
  ASSERT_EQ(point_->GetConnectionInterface(&iid), S_OK);
  EXPECT_TRUE(IsEqualIID(iid, DIID_DWebBrowserEvents2));
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(point_->GetConnectionPointContainer(container.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(com::QueryAs<IWebBrowser2>(container.Get()).Get(), static_cast<IWebBrowser2*>(browser_.Get()));
  ComPtr<IConnectionPoint> other;
  EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, other.ReleaseAndGetAddressOf()), CONNECT_E_NOCONNECTION);
  EXPECT_FALSE(other);

  ComPtr<IEnumConnectionPoints> points;
  ASSERT_EQ(container->EnumConnectionPoints(points.ReleaseAndGetAddressOf()), S_OK);
  ComPtr<IConnectionPoint> listed;
  ULONG fetched = 0;
  EXPECT_EQ(points->Next(1, listed.ReleaseAndGetAddressOf(), &fetched), S_OK);
  EXPECT_EQ(listed.Get(), point_.Get());

  // A sink's hold on the connection point keeps the browser alive.
  container.Reset();
  listed.Reset();
  points.Reset();
  browser_.Reset();
  EventSink sink;
  DWORD cookie = 0;
  EXPECT_EQ(point_->Advise(&sink, &cookie), S_OK);
  EXPECT_EQ(point_->Unadvise(cookie), S_OK);
}

// A frame's navigation is about the frame: its own browser object is pDisp of
// every event, the window keeps its address, and a sink can cancel it too.
TEST_F(BrowserEventsTest, AFrameNavigationNamesTheFrameAndLeavesTheWindowAlone) {
  EventSink sink;
  DWORD cookie = 0;
  ASSERT_EQ(point_->Advise(&sink, &cookie), S_OK);
  EXPECT_EQ(browser_->Frame(L"menu"), nullptr);
  com::Bstr before;
  ASSERT_EQ(browser_->get_LocationURL(before.Receive()), S_OK);
  EXPECT_TRUE(browser_->NavigateFrame(L"menu", L"http://example.com/menu.html"));
  IDispatch* frame = browser_->Frame(L"menu");
  ASSERT_NE(frame, nullptr);
  EXPECT_NE(frame, BrowserIdentity());
  ASSERT_EQ(sink.events.size(), 3u);
  const DISPID order[] = {DISPID_BEFORENAVIGATE2, DISPID_NAVIGATECOMPLETE2, DISPID_DOCUMENTCOMPLETE};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(sink.events[i].id, order[i]);
    EXPECT_EQ(sink.events[i].browser, frame) << "event " << i;
    EXPECT_EQ(sink.events[i].url, L"http://example.com/menu.html");
  }
  com::Bstr location;
  ASSERT_EQ(browser_->get_LocationURL(location.Receive()), S_OK);
  EXPECT_EQ(location.str(), before.str());
  // The same frame keeps its object.
  sink.cancel = true;
  EXPECT_FALSE(browser_->NavigateFrame(L"menu", L"http://example.com/other.html"));
  EXPECT_EQ(browser_->Frame(L"menu"), frame);
  EXPECT_EQ(sink.events.size(), 4u);
  EXPECT_TRUE(browser_->Navigations().back().cancelled);
  ASSERT_EQ(point_->Unadvise(cookie), S_OK);
}

// As the browser's own, the connection point takes a sink that answers only
// IDispatch; closing the window fires OnQuit without arguments.
TEST_F(BrowserEventsTest, APlainDispatchSinkHearsTheWindowQuit) {
  EventSink sink;
  sink.answersEventIid = false;
  DWORD cookie = 0;
  ASSERT_EQ(point_->Advise(&sink, &cookie), S_OK);
  EXPECT_NE(cookie, 0u);
  ASSERT_EQ(browser_->Quit(), S_OK);
  ASSERT_EQ(sink.events.size(), 1u);
  EXPECT_EQ(sink.events[0].id, DISPID_ONQUIT);
  EXPECT_EQ(sink.events[0].argCount, 0u);
  EXPECT_TRUE(browser_->QuitCalled());
  ASSERT_EQ(point_->Unadvise(cookie), S_OK);
  EXPECT_EQ(sink.refs, 0u);
}

}  // namespace
