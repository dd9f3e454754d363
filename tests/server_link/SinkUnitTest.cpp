// The browser event sink: its reference count and interfaces, connecting to
// and disconnecting from a source (the stand-in browser where one fits),
// events reaching their handlers with the browser's own variables, and calls
// that do not fit an event refused before any handler runs.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/browser/WebBrowserEvents.h"
#include "platform/com/ComError.h"
#include "platform/com/ComObject.h"
#include "platform/com/Variant.h"
#include "server_link/SinkUnit.h"
#include "standins/app_server/ArchiveServer.h"
#include "standins/browser/WebBrowser.h"
#include "support/ComTest.h"

namespace {

using com::ComPtr;
using vorn::TBaseEventHandler;
using vorn::TWebBrowserEventHandler;

// A sink that notes its calls and how its construction and end went.
class TProbeHandler : public TBaseEventHandler {
  friend class vorn::TBaseEventHandler;

 public:
  ULONG CountDuringConstruction() const { return FCountDuringConstruction; }
  const std::vector<DISPID>& Calls() const { return FCalls; }

 protected:
  explicit TProbeHandler(bool* destroyed) : FDestroyed(destroyed) {
    // A reference taken and dropped while constructing, as handing the
    // object to another component would.
    FCountDuringConstruction = AddRef();
    Release();
  }
  ~TProbeHandler() override { *FDestroyed = true; }
  HRESULT DoInvoke(DISPID dispId, DISPPARAMS*, UINT*) override {
    FCalls.push_back(dispId);
    return S_OK;
  }

 private:
  bool* FDestroyed;
  ULONG FCountDuringConstruction = 0;
  std::vector<DISPID> FCalls;
};

// An object without connection points that tells when it goes.
class TPlainObject : public com::ComObject<IUnknown> {
  VORN_INTERFACE_TABLE_BEGIN(TPlainObject)
  VORN_ENTRY(IUnknown)
  VORN_INTERFACE_TABLE_END
 public:
  explicit TPlainObject(bool* destroyed) : FDestroyed(destroyed) {}
  ~TPlainObject() override { *FDestroyed = true; }

 private:
  bool* FDestroyed;
};

VARIANTARG Arg(VARTYPE type, void* byref = nullptr) {
  VARIANTARG v;
  VariantInit(&v);
  v.vt = type;
  v.byref = byref;
  return v;
}

VARIANTARG DispatchArg(IDispatch* disp) {
  VARIANTARG v = Arg(VT_DISPATCH);
  v.pdispVal = disp;
  return v;
}

// The variables a browser passes BeforeNavigate2 by reference.
struct NavigationVariables {
  com::Variant url{L"http://example.org/"};
  com::Variant flags{LONG{0}};
  com::Variant target{L""};
  com::Variant postData;
  com::Variant headers{L""};
  VARIANT_BOOL cancel = VARIANT_FALSE;

  // rgvarg as the browser lays it out: the last declared argument first.
  std::vector<VARIANTARG> Args(IDispatch* browser) {
    return {Arg(VT_BYREF | VT_BOOL, &cancel),        Arg(VT_BYREF | VT_VARIANT, headers.Ptr()),
            Arg(VT_BYREF | VT_VARIANT, postData.Ptr()), Arg(VT_BYREF | VT_VARIANT, target.Ptr()),
            Arg(VT_BYREF | VT_VARIANT, flags.Ptr()),    Arg(VT_BYREF | VT_VARIANT, url.Ptr()),
            DispatchArg(browser)};
  }
};

class SinkUnitTest : public testing_support::ComTest {
 protected:
  void SetUp() override {
    sink_ = TBaseEventHandler::Create<TWebBrowserEventHandler>();
    sink_->SetBeforeNavigate2([this](TWebBrowserEventHandler* sender, IDispatch* disp, VARIANT* url, VARIANT* flags,
                                     VARIANT* target, VARIANT* postData, VARIANT* headers, VARIANT_BOOL* cancel) {
      EXPECT_EQ(sender, sink_.Get());
      heard_.push_back({DISPID_BEFORENAVIGATE2, disp, Text(url)});
      flags_ = flags;
      target_ = target;
      postData_ = postData;
      headers_ = headers;
      cancel_ = cancel;
      if (cancelNavigation_) *cancel = VARIANT_TRUE;
    });
    auto complete = [this](DISPID id) {
      return [this, id](TWebBrowserEventHandler* sender, IDispatch* disp, VARIANT* url) {
        EXPECT_EQ(sender, sink_.Get());
        heard_.push_back({id, disp, Text(url)});
      };
    };
    sink_->SetNavigateComplete2(complete(DISPID_NAVIGATECOMPLETE2));
    sink_->SetDocumentComplete(complete(DISPID_DOCUMENTCOMPLETE));
    sink_->SetQuit([this](TWebBrowserEventHandler*) { heard_.push_back({DISPID_QUIT, nullptr, L""}); });
  }
  void TearDown() override {
    if (sink_) sink_->Disconnect();
    sink_.Reset();
    browser_.Reset();
    ComTest::TearDown();
  }

  static std::wstring Text(const VARIANT* v) { return v && v->vt == VT_BSTR && v->bstrVal ? v->bstrVal : L"?"; }

  IDispatch* Browser() const { return static_cast<IWebBrowser2*>(browser_.Get()); }

  HRESULT Navigate(const std::wstring& address) {
    com::Variant url(address);
    return browser_->Navigate2(url.Ptr(), nullptr, nullptr, nullptr, nullptr);
  }

  // Calls the sink as a source would, with rgvarg as given.
  HRESULT Invoke(DISPID id, std::vector<VARIANTARG> args, UINT* argErr = nullptr, UINT namedCount = 0) {
    std::vector<DISPID> named(namedCount, 0);
    DISPPARAMS params{};
    params.cArgs = static_cast<UINT>(args.size());
    params.rgvarg = args.empty() ? nullptr : args.data();
    params.cNamedArgs = namedCount;
    params.rgdispidNamedArgs = named.empty() ? nullptr : named.data();
    return sink_->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, argErr);
  }

  struct Heard {
    DISPID id;
    IDispatch* disp;
    std::wstring url;
    bool operator==(const Heard&) const = default;
  };

  ComPtr<TWebBrowserEventHandler> sink_;
  ComPtr<standins::WebBrowser> browser_ = standins::WebBrowser::Create();
  std::vector<Heard> heard_;
  bool cancelNavigation_ = false;
  VARIANT* flags_ = nullptr;
  VARIANT* target_ = nullptr;
  VARIANT* postData_ = nullptr;
  VARIANT* headers_ = nullptr;
  VARIANT_BOOL* cancel_ = nullptr;
};

TEST_F(SinkUnitTest, ConstructionRunsCountedOnceAndTheOwnerHoldsTheOnlyReference) {
  bool destroyed = false;
  ComPtr<TProbeHandler> probe = TBaseEventHandler::Create<TProbeHandler>(&destroyed);
  ASSERT_FALSE(destroyed) << "a reference dropped during construction freed the object";
  EXPECT_EQ(probe->CountDuringConstruction(), 2u);
  // Only the owner's reference is left.
  EXPECT_EQ(probe->AddRef(), 2u);
  EXPECT_EQ(probe->Release(), 1u);
  probe.Reset();
  EXPECT_TRUE(destroyed) << "the owner's last release frees it";
}

TEST_F(SinkUnitTest, InterfacesAndTheEventIidItAnswersTo) {
  IDispatch* const self = sink_.Get();
  EXPECT_EQ(sink_->EventIID(), IID_IDispatch);
  struct Case {
    const char* what;
    const IID& iid;
    HRESULT expected;
  };
  const Case before[] = {{"IUnknown", IID_IUnknown, S_OK},
                         {"IDispatch", IID_IDispatch, S_OK},
                         {"the browser's events before they are set", DIID_DWebBrowserEvents2, E_NOINTERFACE},
                         {"an interface it lacks", com::IidOf<IConnectionPoint>(), E_NOINTERFACE}};
  for (const Case& c : before) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(sink_->QueryInterface(c.iid, &out), c.expected) << c.what;
    if (c.expected == S_OK) {
      EXPECT_EQ(out, static_cast<void*>(self)) << c.what;
      self->Release();
    } else {
      EXPECT_EQ(out, nullptr) << c.what;
    }
  }

  // Taking the event IID makes it an answer, and the answer is the IDispatch.
  ASSERT_TRUE(sink_->Connect(browser_->Identity(), DIID_DWebBrowserEvents2, true));
  EXPECT_EQ(sink_->EventIID(), DIID_DWebBrowserEvents2);
  void* events = nullptr;
  ASSERT_EQ(sink_->QueryInterface(DIID_DWebBrowserEvents2, &events), S_OK);
  EXPECT_EQ(events, static_cast<void*>(self));
  self->Release();

  UINT count = 7;
  EXPECT_EQ(sink_->GetTypeInfoCount(&count), E_NOTIMPL);
  ITypeInfo* info = nullptr;
  EXPECT_EQ(sink_->GetTypeInfo(0, 0, &info), E_NOTIMPL);
  DISPID id = 0;
  wchar_t name[] = L"Quit";
  LPOLESTR names[] = {name};
  EXPECT_EQ(sink_->GetIDsOfNames(IID_NULL, names, 1, 0, &id), E_NOTIMPL);
}

TEST_F(SinkUnitTest, ANavigationReachesTheHandlersWithTheBrowsersArguments) {
  ASSERT_TRUE(sink_->Connect(browser_->Identity(), DIID_DWebBrowserEvents2, true));
  EXPECT_EQ(sink_->Source(), browser_->Identity());
  EXPECT_NE(sink_->CP(), nullptr);
  EXPECT_NE(sink_->Cookie(), 0u);
  EXPECT_EQ(browser_->EventSinkCount(), 1u);

  ASSERT_EQ(Navigate(L"about:blank"), S_OK);
  const std::vector<Heard> expected = {{DISPID_BEFORENAVIGATE2, Browser(), L"about:blank"},
                                       {DISPID_NAVIGATECOMPLETE2, Browser(), L"about:blank"},
                                       {DISPID_DOCUMENTCOMPLETE, Browser(), L"about:blank"}};
  EXPECT_EQ(heard_, expected);
  ASSERT_EQ(browser_->Navigations().size(), 1u);
  EXPECT_FALSE(browser_->Navigations().back().cancelled);

  sink_->Disconnect();
  EXPECT_EQ(browser_->EventSinkCount(), 0u);
  EXPECT_EQ(sink_->Source(), nullptr);
  EXPECT_EQ(sink_->CP(), nullptr);
  EXPECT_EQ(sink_->Cookie(), 0u);
  heard_.clear();
  ASSERT_EQ(Navigate(L"about:blank"), S_OK);
  EXPECT_TRUE(heard_.empty()) << "a disconnected sink hears nothing";
}

TEST_F(SinkUnitTest, ABeforeNavigate2HandlerChangesTheCallersVariables) {
  // Through the browser: setting Cancel stops its navigation.
  ASSERT_TRUE(sink_->Connect(browser_->Identity(), DIID_DWebBrowserEvents2, true));
  cancelNavigation_ = true;
  ASSERT_EQ(Navigate(L"about:blank"), S_OK);
  ASSERT_EQ(browser_->Navigations().size(), 1u);
  EXPECT_TRUE(browser_->Navigations().back().cancelled);
  EXPECT_EQ(heard_.size(), 1u) << "a cancelled navigation completes nothing";

  // Every by-reference argument is the caller's own variable.
  NavigationVariables vars;
  ASSERT_EQ(Invoke(DISPID_BEFORENAVIGATE2, vars.Args(Browser())), S_OK);
  EXPECT_EQ(heard_.back(), (Heard{DISPID_BEFORENAVIGATE2, Browser(), L"http://example.org/"}));
  EXPECT_EQ(flags_, vars.flags.Ptr());
  EXPECT_EQ(target_, vars.target.Ptr());
  EXPECT_EQ(postData_, vars.postData.Ptr());
  EXPECT_EQ(headers_, vars.headers.Ptr());
  EXPECT_EQ(cancel_, &vars.cancel);
  EXPECT_EQ(vars.cancel, VARIANT_TRUE);
}

TEST_F(SinkUnitTest, UnlistedEventsAnswerNotImplementedAndListedOnesSucceedWithoutHandlers) {
  for (DISPID id : {253, 251, 105, 0, -1, 102, 260}) {
    EXPECT_EQ(Invoke(id, {}), E_NOTIMPL) << id;
    EXPECT_EQ(Invoke(id, {DispatchArg(Browser()), Arg(VT_BYREF | VT_VARIANT, nullptr)}), E_NOTIMPL) << id;
  }
  EXPECT_TRUE(heard_.empty());

  EXPECT_EQ(Invoke(DISPID_QUIT, {}), S_OK);
  EXPECT_EQ(heard_, (std::vector<Heard>{{DISPID_QUIT, nullptr, L""}}));

  auto bare = TBaseEventHandler::Create<TWebBrowserEventHandler>();
  // A form's handlers are its methods.
  struct TReceiver {
    int quits = 0;
    void Quit(TWebBrowserEventHandler*) { ++quits; }
  } receiver;
  bare->SetQuit(&TReceiver::Quit, &receiver);
  NavigationVariables vars;
  auto args = vars.Args(Browser());
  com::Variant url(L"about:blank");
  VARIANTARG complete[] = {Arg(VT_BYREF | VT_VARIANT, url.Ptr()), DispatchArg(Browser())};
  DISPPARAMS none{};
  DISPPARAMS navigate{args.data(), nullptr, 7, 0};
  DISPPARAMS completed{complete, nullptr, 2, 0};
  struct Case {
    DISPID id;
    DISPPARAMS* params;
  };
  for (const Case& c : {Case{DISPID_QUIT, &none}, Case{DISPID_DOWNLOADBEGIN, &none},
                        Case{DISPID_DOWNLOADCOMPLETE, &none}, Case{DISPID_BEFORENAVIGATE2, &navigate},
                        Case{DISPID_NAVIGATECOMPLETE2, &completed}, Case{DISPID_DOCUMENTCOMPLETE, &completed}})
    EXPECT_EQ(bare->Invoke(c.id, IID_NULL, 0, DISPATCH_METHOD, c.params, nullptr, nullptr, nullptr), S_OK) << c.id;
  EXPECT_EQ(vars.cancel, VARIANT_FALSE);
  EXPECT_EQ(receiver.quits, 1);
}

// Calls a browser never makes: each must be answered without a handler
// running, and without reading past the caller's array.
TEST_F(SinkUnitTest, CallsThatDoNotFitTheEventAreRefused) {
  NavigationVariables vars;
  com::Variant url(L"about:blank");
  com::Variant text(L"about:blank");
  LONG number = 0;
  VARIANT_BOOL plainBool = VARIANT_FALSE;
  auto navigate = [&] { return vars.Args(Browser()); };
  auto with = [](std::vector<VARIANTARG> args, size_t index, VARIANTARG replacement) {
    args[index] = replacement;
    return args;
  };
  auto complete = [&] { return std::vector<VARIANTARG>{Arg(VT_BYREF | VT_VARIANT, url.Ptr()), DispatchArg(Browser())}; };
  VARIANTARG unknown = Arg(VT_UNKNOWN);
  unknown.punkVal = browser_->Identity();
  VARIANTARG boolValue = Arg(VT_BOOL);
  boolValue.boolVal = VARIANT_TRUE;

  struct Case {
    const char* what;
    DISPID id;
    std::vector<VARIANTARG> args;
    HRESULT expected;
    std::optional<UINT> argErr;
    UINT named = 0;
  };
  const std::vector<Case> cases = {
      {"BeforeNavigate2 without arguments", DISPID_BEFORENAVIGATE2, {}, DISP_E_BADPARAMCOUNT, {}},
      {"BeforeNavigate2 with one", DISPID_BEFORENAVIGATE2, {Arg(VT_BYREF | VT_BOOL, &plainBool)}, DISP_E_BADPARAMCOUNT, {}},
      {"BeforeNavigate2 with six",
       DISPID_BEFORENAVIGATE2,
       [&] { auto a = navigate(); a.pop_back(); return a; }(),
       DISP_E_BADPARAMCOUNT,
       {}},
      {"BeforeNavigate2 with eight", DISPID_BEFORENAVIGATE2,
       [&] { auto a = navigate(); a.insert(a.begin(), Arg(VT_BYREF | VT_BOOL, &plainBool)); return a; }(),
       DISP_E_BADPARAMCOUNT, {}},
      {"NavigateComplete2 with one", DISPID_NAVIGATECOMPLETE2, {Arg(VT_BYREF | VT_VARIANT, url.Ptr())},
       DISP_E_BADPARAMCOUNT, {}},
      {"DocumentComplete without arguments", DISPID_DOCUMENTCOMPLETE, {}, DISP_E_BADPARAMCOUNT, {}},
      {"pDisp an IUnknown", DISPID_BEFORENAVIGATE2, with(navigate(), 6, unknown), DISP_E_TYPEMISMATCH, 6u},
      {"pDisp a string", DISPID_NAVIGATECOMPLETE2, with(complete(), 1, text), DISP_E_TYPEMISMATCH, 1u},
      {"URL by value", DISPID_BEFORENAVIGATE2, with(navigate(), 5, text), DISP_E_TYPEMISMATCH, 5u},
      {"URL a reference to a number", DISPID_DOCUMENTCOMPLETE, with(complete(), 0, Arg(VT_BYREF | VT_I4, &number)),
       DISP_E_TYPEMISMATCH, 0u},
      {"URL a reference to nothing", DISPID_DOCUMENTCOMPLETE, with(complete(), 0, Arg(VT_BYREF | VT_VARIANT)),
       DISP_E_TYPEMISMATCH, 0u},
      {"Headers a reference to nothing", DISPID_BEFORENAVIGATE2, with(navigate(), 1, Arg(VT_BYREF | VT_VARIANT)),
       DISP_E_TYPEMISMATCH, 1u},
      {"Cancel by value", DISPID_BEFORENAVIGATE2, with(navigate(), 0, boolValue), DISP_E_TYPEMISMATCH, 0u},
      {"Cancel a reference to a number", DISPID_BEFORENAVIGATE2, with(navigate(), 0, Arg(VT_BYREF | VT_I4, &number)),
       DISP_E_TYPEMISMATCH, 0u},
      {"Cancel a reference to nothing", DISPID_BEFORENAVIGATE2, with(navigate(), 0, Arg(VT_BYREF | VT_BOOL)),
       DISP_E_TYPEMISMATCH, 0u},
      {"named arguments", DISPID_BEFORENAVIGATE2, navigate(), DISP_E_NONAMEDARGS, {}, 1},
  };
  for (const Case& c : cases) {
    UINT argErr = 12345;
    EXPECT_EQ(Invoke(c.id, c.args, &argErr, c.named), c.expected) << c.what;
    if (c.argErr) {
      EXPECT_EQ(argErr, *c.argErr) << c.what;
    }
    EXPECT_TRUE(heard_.empty()) << c.what << ": no handler may run";
    heard_.clear();
  }
  EXPECT_EQ(vars.cancel, VARIANT_FALSE);

  // Arrays a caller did not provide are not read, whatever the counts say.
  DISPPARAMS lying{};
  lying.cArgs = 7;
  EXPECT_EQ(sink_->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &lying, nullptr, nullptr, nullptr),
            E_INVALIDARG);
  EXPECT_EQ(sink_->Invoke(DISPID_QUIT, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
            E_INVALIDARG);
  EXPECT_TRUE(heard_.empty());
}

TEST_F(SinkUnitTest, ErrorsOfAHandlerReachTheCallerAsCodes) {
  struct Case {
    const char* what;
    std::function<void()> raise;
    HRESULT expected;
  };
  const Case cases[] = {
      {"a COM error keeps its code", [] { throw com::ComError(E_ACCESSDENIED, L"no"); }, E_ACCESSDENIED},
      {"an allocation failure", [] { throw std::bad_alloc(); }, E_OUTOFMEMORY},
      {"anything else", [] { throw std::runtime_error("handler failed"); }, E_UNEXPECTED},
  };
  for (const Case& c : cases) {
    sink_->SetQuit([&](TWebBrowserEventHandler*) { c.raise(); });
    HRESULT hr = S_OK;
    EXPECT_NO_THROW(hr = Invoke(DISPID_QUIT, {})) << c.what;
    EXPECT_EQ(hr, c.expected) << c.what;
  }
}

TEST_F(SinkUnitTest, DisconnectWithoutAConnectionDoesNothing) {
  sink_->Disconnect();
  sink_->Disconnect();
  EXPECT_EQ(sink_->Source(), nullptr);
  EXPECT_EQ(sink_->CP(), nullptr);
  EXPECT_EQ(sink_->Cookie(), 0u);
  // Still usable: a connection after that works.
  EXPECT_TRUE(sink_->Connect(browser_->Identity(), DIID_DWebBrowserEvents2, true));
  EXPECT_EQ(browser_->EventSinkCount(), 1u);
}

TEST_F(SinkUnitTest, ASourceWithoutConnectionPointsIsRefusedAndKeptUntilDisconnect) {
  bool destroyed = false;
  ComPtr<TPlainObject> plain(new TPlainObject(&destroyed));
  try {
    sink_->Connect(plain->Identity(), DIID_DWebBrowserEvents2, false);
    ADD_FAILURE() << "Connect must raise";
  } catch (const com::ComError& e) {
    EXPECT_EQ(e.hr(), E_NOINTERFACE);
    EXPECT_EQ(e.message(), L"Interface not supported");
  }
  EXPECT_EQ(sink_->Source(), plain->Identity());
  plain.Reset();
  EXPECT_FALSE(destroyed) << "the sink keeps the source it was given";
  sink_->Disconnect();
  EXPECT_TRUE(destroyed);
}

TEST_F(SinkUnitTest, ConnectionsThatCannotBeMadeAnswerFalse) {
  // No source: nothing is kept, and the earlier source is let go.
  bool destroyed = false;
  ComPtr<TPlainObject> plain(new TPlainObject(&destroyed));
  EXPECT_THROW(sink_->Connect(plain->Identity(), IID_IDispatch, false), com::ComError);
  plain.Reset();
  EXPECT_FALSE(sink_->Connect(nullptr, DIID_DWebBrowserEvents2, false));
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(sink_->Source(), nullptr);

  // A connection point the source does not have.
  EXPECT_FALSE(sink_->Connect(browser_->Identity(), IID_IDispatch, false));
  EXPECT_EQ(sink_->CP(), nullptr);
  EXPECT_EQ(sink_->Source(), browser_->Identity());

  // Found, but the advice refused: the archive server asks the sink for its
  // event IID, which it does not answer unless told to. The point stays until Disconnect.
  com::ComPtr<standins::ArchiveServer> server = standins::ArchiveServer::Create();
  EXPECT_FALSE(sink_->Connect(server->Identity(), vorn::DIID_IGUIServerEvents, false));
  EXPECT_NE(sink_->CP(), nullptr);
  EXPECT_EQ(sink_->Cookie(), 0u);
  EXPECT_EQ(server->SinkCount(), 0u);
  sink_->Disconnect();
  EXPECT_EQ(sink_->CP(), nullptr);
  EXPECT_EQ(sink_->Source(), nullptr);
}

TEST_F(SinkUnitTest, ReconnectingWithoutDisconnectLeavesTheEarlierAdviceInPlace) {
  ASSERT_TRUE(sink_->Connect(browser_->Identity(), DIID_DWebBrowserEvents2, true));
  const DWORD first = sink_->Cookie();
  ASSERT_TRUE(sink_->Connect(browser_->Identity(), DIID_DWebBrowserEvents2, true));
  EXPECT_NE(sink_->Cookie(), first);
  EXPECT_EQ(browser_->EventSinkCount(), 2u);
  sink_->Disconnect();
  EXPECT_EQ(browser_->EventSinkCount(), 1u) << "only the latest advice is undone";
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(com::QueryAs<IConnectionPointContainer>(browser_.Get())
                ->FindConnectionPoint(DIID_DWebBrowserEvents2, point.ReleaseAndGetAddressOf()),
            S_OK);
  EXPECT_EQ(point->Unadvise(first), S_OK);
}

// A form that closes on an event disconnects its sink and lets it go from
// the handler; the sink must outlive the call it is in.
TEST_F(SinkUnitTest, AHandlerMayDisconnectAndReleaseItsSink) {
  ASSERT_TRUE(sink_->Connect(browser_->Identity(), DIID_DWebBrowserEvents2, true));
  auto note = std::make_shared<std::wstring>(L"closing");
  std::wstring seen;
  sink_->SetNavigateComplete2([this, note, &seen](TWebBrowserEventHandler* sender, IDispatch*, VARIANT*) {
    sink_.Reset();  // the owner's reference; the browser's is the only one left
    sender->Disconnect();
    seen = *note;
  });
  // Replacing its own handler from inside it leaves the running one intact.
  sink_->SetDocumentComplete([note, &seen](TWebBrowserEventHandler* sender, IDispatch*, VARIANT*) {
    sender->SetDocumentComplete(nullptr);
    seen += L" " + *note;
  });
  com::Variant url(L"about:blank");
  VARIANTARG args[] = {Arg(VT_BYREF | VT_VARIANT, url.Ptr()), DispatchArg(Browser())};
  DISPPARAMS params{args, nullptr, 2, 0};
  EXPECT_EQ(sink_->Invoke(DISPID_DOCUMENTCOMPLETE, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(seen, L" closing");
  EXPECT_EQ(sink_->Invoke(DISPID_DOCUMENTCOMPLETE, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(seen, L" closing") << "the handler removed itself";

  ASSERT_EQ(Navigate(L"about:blank"), S_OK);
  EXPECT_EQ(seen, L"closing");
  EXPECT_FALSE(sink_);
  EXPECT_EQ(browser_->EventSinkCount(), 0u);
}

}  // namespace
