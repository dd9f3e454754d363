// The sink of the archive application's events: advising and unadvising on a
// real connection point, each event reaching its handler with its arguments
// in declared order, and calls that do not fit an event refused with a code
// instead of being read past the caller's arrays.
#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

#include "platform/com/Bstr.h"
#include "platform/com/Text.h"
#include "platform/com/Variant.h"
#include "server_link/ZRStowlyEvents.h"
#include "standins/app_server/ArchiveServer.h"
#include "support/ComTest.h"

namespace {

using standins::ArchiveServer;
using vorn::TZRStowlyIGUIServerEvents;

struct DocumentChange {
  LONG id;
  VARIANT_BOOL present;
  std::wstring comments;
  LONG status;
  LONG rating;
  bool operator==(const DocumentChange&) const = default;
};

class ZRStowlyEventsTest : public testing_support::ComTest {
 protected:
  void SetUp() override {
    sink_.SetName(L"ServerEvents");
    sink_.OnDocumentDataChange = [this](TZRStowlyIGUIServerEvents* sender, LONG id, VARIANT_BOOL present,
                                        const std::wstring& comments, LONG status, LONG rating) {
      EXPECT_EQ(sender, &sink_);
      change_ = DocumentChange{id, present, comments, status, rating};
    };
    sink_.OnFFSettingsChange = [this](TZRStowlyIGUIServerEvents*, LONG value) { ffSettings_ = value; };
  }
  void TearDown() override {
    sink_.Disconnect();
    server_.Reset();
    ComTest::TearDown();
  }

  // Invokes the sink as a server would, with the given arguments (already last-first).
  HRESULT Invoke(DISPID id, std::vector<VARIANT> args, std::vector<DISPID> named = {}, WORD flags = DISPATCH_METHOD,
                 EXCEPINFO* info = nullptr, UINT* argErr = nullptr) {
    DISPPARAMS params{};
    params.cArgs = static_cast<UINT>(args.size());
    params.rgvarg = args.empty() ? nullptr : args.data();
    params.cNamedArgs = static_cast<UINT>(named.size());
    params.rgdispidNamedArgs = named.empty() ? nullptr : named.data();
    return sink_.Invoke(id, IID_NULL, 0, flags, &params, nullptr, info, argErr);
  }

  static VARIANT Long(LONG value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
  }
  static VARIANT Bool(VARIANT_BOOL value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value;
    return v;
  }
  // The string lives as long as the test's strings_ list.
  VARIANT Str(const wchar_t* text) {
    strings_.emplace_back(text);
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = strings_.back().Get();
    return v;
  }

  TZRStowlyIGUIServerEvents sink_{nullptr};
  com::ComPtr<ArchiveServer> server_ = ArchiveServer::CreateWithSampleArchive();
  std::vector<com::Bstr> strings_;
  std::optional<DocumentChange> change_;
  std::optional<LONG> ffSettings_;
};

TEST_F(ZRStowlyEventsTest, EveryEventReachesItsHandlerThroughTheConnectionPoint) {
  std::vector<std::wstring> heard;
  auto note = [&](const wchar_t* name) { return [&heard, name](TZRStowlyIGUIServerEvents*) { heard.push_back(name); }; };
  sink_.OnQuit = note(L"Quit");
  sink_.OnRefreshHighlight = note(L"RefreshHighlight");
  sink_.OnSettingsChange = note(L"SettingsChange");
  sink_.OnFunctionalityChange = note(L"FunctionalityChange");
  sink_.OnQuickGroupChange = note(L"QuickGroupChange");
  std::optional<VARIANT_BOOL> login;
  sink_.OnFFLogin = [&](TZRStowlyIGUIServerEvents*, VARIANT_BOOL value) { login = value; };

  sink_.Connect(server_->Identity());
  EXPECT_TRUE(sink_.Connected());
  EXPECT_EQ(server_->SinkCount(), 1u);
  EXPECT_EQ(server_->FireQuit(), S_OK);
  EXPECT_EQ(server_->FireRefreshHighlight(), S_OK);
  EXPECT_EQ(server_->FireSettingsChange(), S_OK);
  EXPECT_EQ(server_->FireFunctionalityChange(), S_OK);
  EXPECT_EQ(server_->FireQuickGroupChange(), S_OK);
  EXPECT_EQ(heard, (std::vector<std::wstring>{L"Quit", L"RefreshHighlight", L"SettingsChange", L"FunctionalityChange",
                                              L"QuickGroupChange"}));
  EXPECT_EQ(server_->FireDocumentDataChange(12, false, L"see page 2", 1, 3), S_OK);
  EXPECT_EQ(change_, (DocumentChange{12, VARIANT_FALSE, L"see page 2", 1, 3}));
  EXPECT_EQ(server_->FireFFSettingsChange(-5), S_OK);
  EXPECT_EQ(ffSettings_, -5);
  EXPECT_EQ(server_->FireFFLogin(true), S_OK);
  EXPECT_EQ(login, VARIANT_TRUE);

  sink_.Disconnect();
  EXPECT_FALSE(sink_.Connected());
  EXPECT_EQ(server_->SinkCount(), 0u);
  heard.clear();
  server_->FireQuit();
  EXPECT_TRUE(heard.empty()) << "an unadvised sink hears nothing";
}

TEST_F(ZRStowlyEventsTest, UnknownEventsAndEmptyHandlers) {
  EXPECT_EQ(Invoke(209, {}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Invoke(200, {}), DISP_E_MEMBERNOTFOUND);
  // No handler assigned: nothing happens, and that is success.
  EXPECT_EQ(Invoke(vorn::DISPID_OnQuit, {}), S_OK);
  sink_.OnDocumentDataChange = nullptr;
  EXPECT_EQ(Invoke(vorn::DISPID_OnDocumentDataChange, {Long(1), Long(2), Str(L"c"), Bool(VARIANT_TRUE), Long(7)}),
            S_OK);
}

TEST_F(ZRStowlyEventsTest, NamedArgumentsArriveInDeclaredOrder) {
  // Declared: AID 0, APresent 1, AComments 2, AStatus 3, ARating 4; passed in a shuffled order.
  EXPECT_EQ(Invoke(vorn::DISPID_OnDocumentDataChange, {Long(4), Str(L"named"), Long(99), Bool(VARIANT_TRUE), Long(2)},
                   {4, 2, 0, 1, 3}),
            S_OK);
  EXPECT_EQ(change_, (DocumentChange{99, VARIANT_TRUE, L"named", 2, 4}));
  // Positional arguments come last-first.
  EXPECT_EQ(Invoke(vorn::DISPID_OnDocumentDataChange, {Long(0), Long(1), Str(L"pos"), Bool(VARIANT_FALSE), Long(5)}),
            S_OK);
  EXPECT_EQ(change_, (DocumentChange{5, VARIANT_FALSE, L"pos", 1, 0}));
}

TEST_F(ZRStowlyEventsTest, ArgumentsOfAnotherTypeAreConvertedOrRefused) {
  // Converted as automation converts arguments.
  EXPECT_EQ(Invoke(vorn::DISPID_OnFFSettingsChange, {Str(L"42")}), S_OK);
  EXPECT_EQ(ffSettings_, 42);
  EXPECT_EQ(Invoke(vorn::DISPID_OnDocumentDataChange, {Long(0), Long(1), Long(314), Long(-1), Str(L"8")}), S_OK);
  EXPECT_EQ(change_, (DocumentChange{8, VARIANT_TRUE, L"314", 1, 0}));

  // Never reinterpreted: what does not convert is refused, naming the argument.
  struct Case {
    const char* what;
    DISPID id;
    std::vector<VARIANT> args;
    std::vector<DISPID> named;
    HRESULT expected;
    std::optional<UINT> argErr;
  };
  IDispatch* object = &sink_;
  VARIANT dispatch;
  VariantInit(&dispatch);
  dispatch.vt = VT_DISPATCH;
  dispatch.pdispVal = object;
  VARIANT missing;
  VariantInit(&missing);
  missing.vt = VT_ERROR;
  missing.scode = DISP_E_PARAMNOTFOUND;
  const std::vector<Case> cases = {
      {"text that is no number", vorn::DISPID_OnFFSettingsChange, {Str(L"many")}, {}, DISP_E_TYPEMISMATCH, 0u},
      {"an object for a number", vorn::DISPID_OnFFSettingsChange, {dispatch}, {}, DISP_E_TYPEMISMATCH, 0u},
      {"an omitted argument", vorn::DISPID_OnFFLogin, {missing}, {}, DISP_E_TYPEMISMATCH, 0u},
      {"a number too large", vorn::DISPID_OnFFSettingsChange, {Str(L"99999999999")}, {}, DISP_E_OVERFLOW, 0u},
      {"the third of five is bad", vorn::DISPID_OnDocumentDataChange,
       {Long(0), Long(0), Str(L"x"), Str(L"yes?"), Long(0)}, {}, DISP_E_TYPEMISMATCH, 3u},
      {"too few arguments", vorn::DISPID_OnDocumentDataChange, {Long(1), Long(2)}, {}, DISP_E_BADPARAMCOUNT, {}},
      {"no arguments at all", vorn::DISPID_OnFFLogin, {}, {}, DISP_E_BADPARAMCOUNT, {}},
      {"a named position past the arguments", vorn::DISPID_OnFFSettingsChange, {Long(1)}, {5}, DISP_E_PARAMNOTFOUND, 0u},
      {"a negative named position", vorn::DISPID_OnFFSettingsChange, {Long(1)}, {-3}, DISP_E_PARAMNOTFOUND, 0u},
      {"more names than arguments", vorn::DISPID_OnFFSettingsChange, {Long(1)}, {0, 0}, DISP_E_BADPARAMCOUNT, {}},
  };
  for (const auto& c : cases) {
    ffSettings_.reset();
    UINT argErr = 12345;
    EXPECT_EQ(Invoke(c.id, c.args, c.named, DISPATCH_METHOD, nullptr, &argErr), c.expected) << c.what;
    if (c.argErr) EXPECT_EQ(argErr, *c.argErr) << c.what;
    EXPECT_FALSE(ffSettings_.has_value()) << c.what << ": the handler must not run";
  }

  // Arrays a caller did not provide are not read, whatever the counts say.
  DISPPARAMS lying{};
  lying.cArgs = 3;
  EXPECT_EQ(sink_.Invoke(vorn::DISPID_OnFFSettingsChange, IID_NULL, 0, DISPATCH_METHOD, &lying, nullptr, nullptr, nullptr),
            E_INVALIDARG);
  EXPECT_EQ(sink_.Invoke(vorn::DISPID_OnQuit, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
            E_INVALIDARG);
}

TEST_F(ZRStowlyEventsTest, ErrorsLeaveInvokeAsFailures) {
  EXCEPINFO info{};
  EXPECT_EQ(Invoke(vorn::DISPID_OnQuit, {}, {}, DISPATCH_PROPERTYGET, &info), DISP_E_EXCEPTION);
  EXPECT_EQ(com::Bstr::Adopt(info.bstrDescription).str(),
            L"TZRStowlyIGUIServerEvents only supports sinking of method calls!");
  com::Bstr::Adopt(info.bstrSource);
  EXPECT_TRUE(FAILED(info.scode));
  EXPECT_TRUE(FAILED(Invoke(vorn::DISPID_OnQuit, {}, {}, DISPATCH_PROPERTYPUT)));

  sink_.OnSettingsChange = [](TZRStowlyIGUIServerEvents*) { throw std::runtime_error("handler broke"); };
  EXPECT_TRUE(FAILED(Invoke(vorn::DISPID_OnSettingsChange, {})));
  sink_.Connect(server_->Identity());
  EXPECT_TRUE(FAILED(server_->FireSettingsChange())) << "the server learns that its event failed";
}

TEST_F(ZRStowlyEventsTest, IdentityAndCounting) {
  com::ComPtr<IUnknown> asEvents;
  EXPECT_EQ(sink_.QueryInterface(vorn::DIID_IGUIServerEvents, asEvents.PutVoid()), S_OK);
  EXPECT_EQ(asEvents.Get(), static_cast<IDispatch*>(&sink_));
  void* other = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(sink_.QueryInterface(vorn::IID_IGUIServer, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(sink_.AddRef(), 2u);
  EXPECT_EQ(sink_.Release(), 1u);
  UINT count = 9;
  EXPECT_EQ(sink_.GetTypeInfoCount(&count), E_NOTIMPL);
  EXPECT_EQ(count, 0u);
  ITypeInfo* info = reinterpret_cast<ITypeInfo*>(0x1);
  EXPECT_EQ(sink_.GetTypeInfo(0, 0, &info), E_NOTIMPL);
  EXPECT_EQ(info, nullptr);
}

TEST_F(ZRStowlyEventsTest, ConnectingFailuresAndDisconnecting) {
  sink_.Disconnect();  // never connected: nothing happens
  EXPECT_FALSE(sink_.Connected());

  server_->FailMethod(L"Advise", E_ACCESSDENIED);
  try {
    sink_.Connect(server_->Identity());
    ADD_FAILURE() << "advising failed, so must connecting";
  } catch (const com::ComError& e) {
    EXPECT_EQ(e.message().rfind(L"Unable to connect ServerEvents.\r", 0), 0u) << com::ToUtf8(e.message());
    EXPECT_EQ(e.hr(), E_ACCESSDENIED);
  }
  EXPECT_FALSE(sink_.Connected());
  server_->ClearFailures();

  // A source without connection points.
  struct NoPoints : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
      *ppv = IsEqualIID(riid, IID_IUnknown) ? this : nullptr;
      return *ppv ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
  } bare;
  EXPECT_THROW(sink_.Connect(&bare), com::ComError);
  EXPECT_FALSE(sink_.Connected());

  // Connecting again disconnects first: one advice at a time.
  sink_.Connect(server_->Identity());
  sink_.Connect(server_->Identity());
  EXPECT_EQ(server_->SinkCount(), 1u);

  // A server that went away cannot unadvise; the sink ends up disconnected anyway.
  server_->SetGone(true);
  sink_.Disconnect();
  EXPECT_FALSE(sink_.Connected());
  server_->SetGone(false);
}

}  // namespace
