// The capture flow between a browser, its document and the application
// server, and fetching a stored picture from the server into a bitmap.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "page_utils/OffUtilsFuncUnit.h"
#include "page_utils/VornOffUtilsUnit.h"
#include "page_utils/ImageCaptureTestViews.h"
#include "platform/browser/BandInterfaces.h"
#include "platform/browser/LateBound.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComError.h"
#include "platform/win/Window.h"
#include "server_link/ServerWrapperUnit.h"
#include "standins/app_server/ArchiveServer.h"
#include "standins/browser/WebBrowser.h"

namespace {

using capture_test::DecodeGif;
using standins::ArchiveServer;

const IID& HtmlDocumentIid() { return browser::IID_IHTMLDocument2; }

// An HTML document as far as the capture needs one: its address (late bound),
// a view that draws stripes, and the window it is shown in.
class TestDocument : public capture_test::PatternView, public IDispatch, public IOleWindow {
 protected:
  std::span<const com::InterfaceEntry> InterfaceTable() const override {
    static const com::InterfaceEntry kTable[] = {
        VORN_INTERFACE_ENTRY(TestDocument, IDispatch),
        {&HtmlDocumentIid, &com::CastToInterface<TestDocument, IDispatch>},
        VORN_INTERFACE_ENTRY(TestDocument, IViewObject),
        VORN_INTERFACE_ENTRY(TestDocument, IOleWindow),
    };
    return std::span(kTable, withViewAndWindow ? 4 : 2);
  }
  VORN_FORWARD_IUNKNOWN

 public:
  std::wstring url = L"http://example.com/page";
  HWND window = nullptr;
  bool withViewAndWindow = true;
  HRESULT urlResult = S_OK;

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (count != 1 || std::wstring(names[0]) != L"URL") return DISP_E_UNKNOWNNAME;
    ids[0] = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                   UINT*) override {
    if (id != 1) return DISP_E_MEMBERNOTFOUND;
    if (FAILED(urlResult)) return urlResult;
    if (result) {
      result->vt = VT_BSTR;
      result->bstrVal = com::Bstr(url).Detach();
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* out) override {
    *out = window;
    return window ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
};

LRESULT CALLBACK PlainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return win::DefWindowProcW(hwnd, message, wParam, lParam);
}

class CaptureFlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW cls{};
    cls.lpfnWndProc = PlainProc;
    cls.lpszClassName = L"VornCaptureFlowTest";
    win::RegisterClassW(&cls);
    window_ = win::CreateWindowExW(0, L"VornCaptureFlowTest", L"", WS_POPUP, 10, 20, 300, 200, nullptr, nullptr,
                                   nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    document_ = com::ComPtr<TestDocument>(new TestDocument());
    document_->window = window_;
    browser_ = standins::WebBrowser::Create();
    browser_->SetDocument(com::ComPtr<IDispatch>(static_cast<IDispatch*>(document_.Get())));
    server_ = ArchiveServer::Create();
  }
  void TearDown() override {
    if (window_) win::DestroyWindow(window_);
    win::UnregisterClassW(L"VornCaptureFlowTest", nullptr);
  }

  void Settings(bool want, LONG scale, LONG format, bool wantSecond, LONG secondScale, LONG secondFormat) {
    server_->SetCaptureSettings({want, scale, format, wantSecond, secondScale, secondFormat});
  }
  void Run(VARIANT_BOOL rewrite = VARIANT_TRUE) {
    vorn::CaptureScreenShot(static_cast<IWebBrowser2*>(browser_.Get()), rewrite,
                            static_cast<IDispatch*>(server_.Get()));
  }
  // (slot, width, height) of every picture the server received.
  std::vector<std::vector<int>> Stored() const {
    std::vector<std::vector<int>> out;
    for (const auto& c : server_->StoredCaptures()) {
      EXPECT_EQ(c.url, L"http://example.com/page");
      const auto gif = DecodeGif(c.data);
      EXPECT_TRUE(gif.ok);
      out.push_back({c.slot, gif.width, gif.height});
    }
    return out;
  }

  HWND window_ = nullptr;
  com::ComPtr<TestDocument> document_;
  com::ComPtr<standins::WebBrowser> browser_;
  com::ComPtr<ArchiveServer> server_;
};

TEST_F(CaptureFlowTest, MakesThePicturesTheServerAsksFor) {
  struct Case {
    bool want;
    LONG scale;
    bool wantSecond;
    LONG secondScale;
    std::vector<std::vector<int>> stored;
  } const cases[] = {
      {true, 100, true, 25, {{1, 300, 200}, {2, 75, 50}}},
      {true, 50, false, 25, {{1, 150, 100}}},
      {false, 100, true, 33, {{2, 99, 66}}},  // only the second: sent as the second
      {false, 100, false, 100, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scale);
    server_ = ArchiveServer::Create();
    Settings(c.want, c.scale, 3, c.wantSecond, c.secondScale, 6);
    Run();
    EXPECT_EQ(Stored(), c.stored);
  }
}

TEST_F(CaptureFlowTest, PassesTheAddressAndTheRewriteFlagUnchanged) {
  for (VARIANT_BOOL rewrite : {VARIANT_TRUE, VARIANT_FALSE}) {
    server_ = ArchiveServer::Create();  // one that has no picture of the page yet
    Settings(true, 10, 6, false, 0, 0);
    Run(rewrite);
    const auto calls = server_->CallsTo(L"GetCaptureSettings");
    ASSERT_EQ(calls.size(), 1u);
    ASSERT_EQ(calls[0].args.size(), 2u);
    EXPECT_EQ(calls[0].args[0].ToString(), L"http://example.com/page");
    EXPECT_EQ(calls[0].args[1].vt(), VT_BOOL);
    EXPECT_EQ(calls[0].args[1].boolVal, rewrite);
    EXPECT_EQ(server_->CallCount(L"StoreCapture1"), 1u);
  }
}

TEST_F(CaptureFlowTest, FailedPicturesAreNotSent) {
  // The first cannot be made: nothing is sent and the second is not even drawn.
  Settings(true, 100, 8, true, 50, 6);
  Run();
  EXPECT_TRUE(server_->StoredCaptures().empty());
  EXPECT_EQ(document_->calls.size(), 1u);

  // The second cannot be made: the first alone is sent.
  server_ = ArchiveServer::Create();
  Settings(true, 100, 6, true, -5, 6);
  Run();
  EXPECT_EQ(Stored(), (std::vector<std::vector<int>>{{1, 300, 200}}));

  // A window of no height gives no picture at all.
  win::MoveWindow(window_, 10, 20, 300, 0, FALSE);
  server_ = ArchiveServer::Create();
  Settings(true, 100, 6, true, 50, 6);
  Run();
  EXPECT_TRUE(server_->StoredCaptures().empty());
}

TEST_F(CaptureFlowTest, EndsQuietlyWithoutItsPartners) {
  Settings(true, 100, 6, true, 50, 6);
  com::ComPtr<standins::WebBrowser> empty = standins::WebBrowser::Create();
  // Not the server, not a browser, no document: nothing asked, nothing sent.
  vorn::CaptureScreenShot(static_cast<IWebBrowser2*>(browser_.Get()), VARIANT_TRUE,
                          static_cast<IWebBrowser2*>(browser_.Get()));
  vorn::CaptureScreenShot(static_cast<IDispatch*>(server_.Get()), VARIANT_TRUE, static_cast<IDispatch*>(server_.Get()));
  vorn::CaptureScreenShot(static_cast<IWebBrowser2*>(empty.Get()), VARIANT_TRUE, static_cast<IDispatch*>(server_.Get()));
  vorn::CaptureScreenShot(nullptr, VARIANT_TRUE, nullptr);
  EXPECT_TRUE(server_->Calls().empty());

  // The server refuses the settings: quietly nothing.
  server_->FailMethod(L"GetCaptureSettings", E_FAIL);
  EXPECT_NO_THROW(Run());
  EXPECT_TRUE(server_->StoredCaptures().empty());
  server_->ClearFailures();
  server_->ClearCalls();

  // A document without a view or a window: asked, but nothing sent.
  document_->withViewAndWindow = false;
  EXPECT_NO_THROW(Run());
  EXPECT_EQ(server_->CallCount(L"GetCaptureSettings"), 1u);
  EXPECT_TRUE(server_->StoredCaptures().empty());
  document_->withViewAndWindow = true;
  document_->window = nullptr;
  EXPECT_NO_THROW(Run());
  EXPECT_TRUE(server_->StoredCaptures().empty());
}

TEST_F(CaptureFlowTest, RaisesStoreFailuresAndAddressErrors) {
  Settings(true, 100, 6, true, 50, 6);
  server_->FailMethod(L"StoreCapture1", E_ACCESSDENIED);
  try {
    Run();
    ADD_FAILURE() << "no error";
  } catch (const com::ComError& e) {
    EXPECT_EQ(e.hr(), E_ACCESSDENIED);
  }
  EXPECT_EQ(server_->CallCount(L"StoreCapture2"), 0u);

  server_->ClearFailures();
  server_->FailMethod(L"StoreCapture2", E_OUTOFMEMORY);
  EXPECT_THROW(Run(), com::ComError);

  server_->ClearFailures();
  server_->ClearCalls();
  document_->urlResult = E_ACCESSDENIED;
  EXPECT_THROW(Run(), com::ComError);
  EXPECT_TRUE(server_->Calls().empty());
}

// ---------------------------------------------------------------- stored pictures

std::vector<BYTE> TwoPixelBmp() {
  std::vector<BYTE> f(14 + 40 + 8, 0);
  f[0] = 'B';
  f[1] = 'M';
  f[10] = 54;
  f[14] = 40;
  f[18] = 2;   // width
  f[22] = 1;   // height
  f[26] = 1;   // planes
  f[28] = 24;  // bits
  const BYTE pixels[] = {0, 0, 255, 255, 0, 0};  // red, blue (B, G, R order)
  std::copy(std::begin(pixels), std::end(pixels), f.begin() + 54);
  return f;
}

TEST_F(CaptureFlowTest, GetLinkPictureLoadsWhatTheServerKeeps) {
  server_->AddDocument({.id = 7, .url = L"http://example.com/a", .picture = TwoPixelBmp()});
  server_->AddDocument({.id = 8, .url = L"http://example.com/b", .picture = {'n', 'o', 't'}});
  forms::TBitmap bitmap(1, 1, 0x11);
  EXPECT_TRUE(vorn::GetLinkPicture(server_.Get(), L"", 7, true, bitmap));
  EXPECT_EQ(bitmap.Pixels(), (std::vector<std::uint32_t>{0xFFFF0000u, 0xFF0000FFu}));
  const auto calls = server_->CallsTo(L"GetDocumentPicture");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].Text(), L"GetDocumentPicture(\"\", 7, true)");

  const forms::TBitmap before(1, 1, 0x22);
  struct Case {
    const char* what;
    std::wstring url;
    LONG id;
  } const cases[] = {{"not found", L"http://example.com/none", -1}, {"not a bitmap", L"", 8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    forms::TBitmap kept = before;
    EXPECT_FALSE(vorn::GetLinkPicture(server_.Get(), c.url, c.id, false, kept));
    EXPECT_EQ(kept, before);
  }
  server_->FailMethod(L"GetDocumentPicture", E_FAIL);
  forms::TBitmap kept = before;
  EXPECT_FALSE(vorn::GetLinkPicture(server_.Get(), L"http://example.com/a", -1, false, kept));
  EXPECT_EQ(kept, before);
}

TEST_F(CaptureFlowTest, GetLinkPictureFindsTheRunningServer) {
  const bool initialized = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  forms::TBitmap bitmap;
  EXPECT_FALSE(vorn::GetLinkPicture(nullptr, L"http://example.com/a", -1, false, bitmap));  // none running

  server_->AddDocument({.id = 7, .url = L"http://example.com/a", .picture = TwoPixelBmp()});
  DWORD token = 0;
  ASSERT_EQ(RegisterActiveObject(static_cast<IDispatch*>(server_.Get()), vorn::CLSID_GUIServer, ACTIVEOBJECT_STRONG,
                                 &token),
            S_OK);
  EXPECT_TRUE(vorn::GetLinkPicture(nullptr, L"http://example.com/a", -1, false, bitmap));
  EXPECT_EQ(bitmap.Width(), 2);
  RevokeActiveObject(token, nullptr);
  if (initialized) CoUninitialize();
}

// The wrapper sits below the page utilities: it makes them only with the
// creator the module state handed over at load, and captures nothing without one.
TEST_F(CaptureFlowTest, TheWrapperCapturesWithTheCreatorTheModuleHandedOver) {
  struct Apartment {
    const bool entered = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ~Apartment() {
      if (entered) CoUninitialize();
    }
  } apartment;
  ASSERT_EQ(server_->Register(), S_OK);
  {
    vorn::TServerWrapper wrapper;
    ASSERT_TRUE(wrapper.IsConnected());
    Settings(true, 50, 3, true, 10, 7);
    struct Withdrawn {
      const com::ObjectCreator handed = vorn::SetPageUtilitiesCreator(nullptr);
      ~Withdrawn() { vorn::SetPageUtilitiesCreator(handed); }
    } withdrawn;
    EXPECT_EQ(withdrawn.handed, &vorn::CreateVornOffUtils);
    wrapper.CaptureScreenShot(static_cast<IWebBrowser2*>(browser_.Get()), false);
    EXPECT_TRUE(Stored().empty());
  }
  server_->Revoke();
}

// The main toolbar's capture command: the thread's wrapper makes a page
// utilities object through the library's own factory and hands it its server;
// a failing store call comes back through the object as the server's code.
TEST_F(CaptureFlowTest, TheWrapperCapturesThroughThePageUtilitiesObject) {
  // The running-object table and the wrapper's sink need this thread in an apartment.
  struct Apartment {
    const bool entered = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    ~Apartment() {
      if (entered) CoUninitialize();
    }
  } apartment;
  ASSERT_EQ(server_->Register(), S_OK);
  {
    vorn::TServerWrapper wrapper;
    ASSERT_TRUE(wrapper.IsConnected());
    Settings(true, 50, 3, true, 10, 7);
    wrapper.CaptureScreenShot(static_cast<IWebBrowser2*>(browser_.Get()), false);
    EXPECT_EQ(Stored(), (std::vector<std::vector<int>>{{1, 150, 100}, {2, 30, 20}}));
    EXPECT_TRUE(wrapper.IsConnected());

    com::ComPtr<IVornOffUtils> utils;
    ASSERT_EQ(vorn::CreateVornOffUtils(IID_IVornOffUtils, utils.PutVoid()), S_OK);
    server_->FailMethod(L"StoreCapture1", RPC_E_DISCONNECTED);
    EXPECT_EQ(utils->CaptureScreenShot(static_cast<IWebBrowser2*>(browser_.Get()), VARIANT_TRUE,
                                      static_cast<IDispatch*>(server_.Get())),
              RPC_E_DISCONNECTED);
    // Late bound, the same code comes back.
    com::ComPtr<IDispatch> dispatch;
    ASSERT_EQ(utils->QueryInterface(IID_IDispatch, dispatch.PutVoid()), S_OK);
    try {
      browser::CallMethod(dispatch.Get(), L"CaptureScreenShot",
                          {com::Variant(static_cast<IUnknown*>(static_cast<IWebBrowser2*>(browser_.Get()))),
                           com::Variant(true), com::Variant(static_cast<IUnknown*>(static_cast<IDispatch*>(server_.Get())))});
      ADD_FAILURE() << "no error";
    } catch (const com::ComError& e) {
      EXPECT_EQ(e.hr(), RPC_E_DISCONNECTED);
    }
  }
  server_->Revoke();
}

}  // namespace
