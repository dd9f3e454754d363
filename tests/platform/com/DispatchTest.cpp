// Late binding through the generic IDispatch: a recording implementation of
// IVornBHOGUI reached by name and DISPID, with the arguments converted as the
// platform's standard dispatch converts them, and every malformed call
// answered with an error code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "type_library/VornIEGUITypeLib.h"
#include "platform/com/AutoObject.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Variant.h"
#include "platform/com/FakeComObjects.h"

namespace {

struct Call {
  std::wstring method;
  LONG hwnd = 0, x = 0, y = 0;
  std::wstring url;
  IUnknown* server = nullptr;
};

class RecordingBHOGUI : public com::AutoObject<IVornBHOGUI> {
 public:
  RecordingBHOGUI() : AutoObject(vorn::VornIEGUITypeLibModel(), CLSID_VornBHOGUI) {}

  HRESULT STDMETHODCALLTYPE MouseOverLink(LONG HWND_, LONG X, LONG Y, BSTR URL, IUnknown* StowlyServer) override {
    calls.push_back({L"MouseOverLink", HWND_, X, Y, URL ? std::wstring(URL, SysStringLen(URL)) : L"", StowlyServer});
    return result;
  }
  HRESULT STDMETHODCALLTYPE MouseOutLink() override {
    calls.push_back({L"MouseOutLink"});
    return result;
  }
  HRESULT STDMETHODCALLTYPE MouseMove(LONG X, LONG Y) override {
    calls.push_back({L"MouseMove", 0, X, Y});
    return result;
  }
  HRESULT STDMETHODCALLTYPE ShowOurAdvertising(LONG HWND_, IUnknown* MainServer) override {
    return Boundary(com::MayFail, [&]() -> HRESULT {
      calls.push_back({L"ShowOurAdvertising", HWND_, 0, 0, L"", MainServer});
      if (!failure.empty()) throw com::ComError(result, failure);
      return result;
    });
  }

  std::vector<Call> calls;
  HRESULT result = S_OK;
  std::wstring failure;  // when set, ShowOurAdvertising raises with this message
};

class DispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ((com::CreateComObject<RecordingBHOGUI, IVornBHOGUI>(itf_.ReleaseAndGetAddressOf())), S_OK);
    object_ = static_cast<RecordingBHOGUI*>(itf_.Get());
    ASSERT_EQ(itf_->QueryInterface(IID_IDispatch, disp_.PutVoid()), S_OK);
  }

  HRESULT Invoke(DISPID id, std::vector<VARIANT>& args, UINT* argErr = nullptr, EXCEPINFO* excep = nullptr,
                 std::vector<DISPID> named = {}, WORD flags = DISPATCH_METHOD) {
    DISPPARAMS dp{args.empty() ? nullptr : args.data(), named.empty() ? nullptr : named.data(),
                  static_cast<UINT>(args.size()), static_cast<UINT>(named.size())};
    return disp_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &dp, nullptr, excep, argErr);
  }

  static VARIANT Long(LONG v) {
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_I4;
    r.lVal = v;
    return r;
  }
  static VARIANT NullUnknown() {
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_UNKNOWN;
    r.punkVal = nullptr;
    return r;
  }
  // The caller owns these strings; the tests free them with the argument vectors.
  static VARIANT Text(const wchar_t* s) {
    VARIANT r;
    VariantInit(&r);
    r.vt = VT_BSTR;
    r.bstrVal = SysAllocString(s);
    return r;
  }
  static void Free(std::vector<VARIANT>& args) {
    for (auto& a : args) VariantClear(&a);
  }

  com::ComPtr<IVornBHOGUI> itf_;
  com::ComPtr<IDispatch> disp_;
  RecordingBHOGUI* object_ = nullptr;
};

TEST_F(DispatchTest, NamesMapToDispidsAndParameterPositions) {
  struct Row {
    std::vector<const wchar_t*> names;
    HRESULT hr;
    std::vector<DISPID> ids;
  } rows[] = {
      {{L"MouseOverLink"}, S_OK, {201}},
      {{L"mouseoutlink"}, S_OK, {202}},
      {{L"MOUSEMOVE", L"y", L"X"}, S_OK, {203, 1, 0}},
      {{L"MouseOverLink", L"URL", L"hwnd", L"StowlyServer"}, S_OK, {201, 3, 0, 4}},
      {{L"ShowOurAdvertising", L"MainServer", L"Nope"}, DISP_E_UNKNOWNNAME, {204, 1, DISPID_UNKNOWN}},
      {{L"CaptureScreenShot", L"X"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN, DISPID_UNKNOWN}},
      {{L"QueryInterface"}, DISP_E_UNKNOWNNAME, {DISPID_UNKNOWN}},
  };
  for (auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(row.names[0])));
    std::vector<DISPID> ids(row.names.size(), 12345);
    EXPECT_EQ(disp_->GetIDsOfNames(IID_NULL, const_cast<LPOLESTR*>(row.names.data()),
                                   static_cast<UINT>(row.names.size()), LOCALE_USER_DEFAULT, ids.data()),
              row.hr);
    EXPECT_EQ(ids, row.ids);
  }
  const wchar_t* name[] = {L"MouseMove"};
  DISPID id = 0;
  EXPECT_EQ(disp_->GetIDsOfNames(IID_IVornBHOGUI, const_cast<LPOLESTR*>(name), 1, 0, &id), DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(disp_->GetIDsOfNames(IID_NULL, nullptr, 1, 0, &id), E_INVALIDARG);
  EXPECT_EQ(disp_->GetIDsOfNames(IID_NULL, const_cast<LPOLESTR*>(name), 1, 0, nullptr), E_INVALIDARG);
}

TEST_F(DispatchTest, DispidWithoutArgumentsReachesMouseOutLink) {
  std::vector<VARIANT> none;
  EXPECT_EQ(Invoke(202, none), S_OK);
  // No DISPPARAMS at all is the same as an empty one for a method without parameters.
  EXPECT_EQ(disp_->Invoke(202, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), S_OK);
  ASSERT_EQ(object_->calls.size(), 2u);
  EXPECT_EQ(object_->calls[0].method, L"MouseOutLink");
  EXPECT_EQ(object_->calls[1].method, L"MouseOutLink");
}

TEST_F(DispatchTest, PositionalArgumentsArriveInReverseOrderAndAreConverted) {
  com_test::CountedUnknown server;
  std::vector<VARIANT> args(5);
  for (auto& a : args) VariantInit(&a);
  args[4] = Long(0x1234);            // HWND
  args[3] = Text(L"42");             // X: a string holding a number
  args[2].vt = VT_I2;                // Y
  args[2].iVal = -5;
  args[1] = Text(L"http://example.test/page");  // URL
  args[0].vt = VT_UNKNOWN;           // StowlyServer
  args[0].punkVal = &server;
  server.AddRef();
  VARIANT result;
  VariantInit(&result);
  result.vt = VT_I4;
  DISPPARAMS dp{args.data(), nullptr, 5, 0};
  EXPECT_EQ(disp_->Invoke(201, IID_NULL, 0, DISPATCH_METHOD, &dp, &result, nullptr, nullptr), S_OK);
  EXPECT_EQ(result.vt, VT_EMPTY);  // the methods return no value
  ASSERT_EQ(object_->calls.size(), 1u);
  const Call& c = object_->calls[0];
  EXPECT_EQ(c.method, L"MouseOverLink");
  EXPECT_EQ(c.hwnd, 0x1234);
  EXPECT_EQ(c.x, 42);
  EXPECT_EQ(c.y, -5);
  EXPECT_EQ(c.url, L"http://example.test/page");
  EXPECT_EQ(c.server, &server);
  // The caller's arguments are untouched and every reference taken for the call was given back.
  EXPECT_EQ(args[3].vt, VT_BSTR);
  EXPECT_EQ(server.refs(), 1u);
  Free(args);
  EXPECT_EQ(server.refs(), 0u);
}

TEST_F(DispatchTest, ScriptCallersMayAddPropertyGet) {
  std::vector<VARIANT> args{Long(3), Long(4)};
  EXPECT_EQ(Invoke(203, args, nullptr, nullptr, {}, DISPATCH_METHOD | DISPATCH_PROPERTYGET), S_OK);
  EXPECT_EQ(Invoke(203, args, nullptr, nullptr, {}, DISPATCH_PROPERTYGET), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Invoke(203, args, nullptr, nullptr, {}, DISPATCH_PROPERTYPUT), DISP_E_MEMBERNOTFOUND);
  ASSERT_EQ(object_->calls.size(), 1u);
  EXPECT_EQ(object_->calls[0].x, 4);  // rgvarg[1] is the first parameter
  EXPECT_EQ(object_->calls[0].y, 3);
}

TEST_F(DispatchTest, NamedArgumentsAreMatchedByParameterPosition) {
  // MouseMove(Y := 20, X := 10): named arguments in any order.
  std::vector<VARIANT> args{Long(20), Long(10)};
  EXPECT_EQ(Invoke(203, args, nullptr, nullptr, {1, 0}), S_OK);
  // MouseOverLink(7, 8, 9, StowlyServer := nothing, URL := "u"): positional first, then named.
  std::vector<VARIANT> mixed(5);
  for (auto& a : mixed) VariantInit(&a);
  mixed[0].vt = VT_UNKNOWN;  // named: StowlyServer
  mixed[1] = Text(L"u");     // named: URL
  mixed[2] = Long(9);        // Y
  mixed[3] = Long(8);        // X
  mixed[4] = Long(7);        // HWND
  EXPECT_EQ(Invoke(201, mixed, nullptr, nullptr, {4, 3}), S_OK);
  Free(mixed);
  ASSERT_EQ(object_->calls.size(), 2u);
  EXPECT_EQ(object_->calls[0].x, 10);
  EXPECT_EQ(object_->calls[0].y, 20);
  const Call& c = object_->calls[1];
  EXPECT_EQ(c.hwnd, 7);
  EXPECT_EQ(c.x, 8);
  EXPECT_EQ(c.y, 9);
  EXPECT_EQ(c.url, L"u");
  EXPECT_EQ(c.server, nullptr);
}

TEST_F(DispatchTest, ArgumentsByReferenceAreFollowed) {
  LONG x = 9;
  VARIANT y;
  VariantInit(&y);
  y.vt = VT_R8;
  y.dblVal = 2.5;  // rounds to even
  std::vector<VARIANT> args(2);
  args[1].vt = VT_I4 | VT_BYREF;
  args[1].plVal = &x;
  args[0].vt = VT_VARIANT | VT_BYREF;
  args[0].pvarVal = &y;
  EXPECT_EQ(Invoke(203, args), S_OK);
  ASSERT_EQ(object_->calls.size(), 1u);
  EXPECT_EQ(object_->calls[0].x, 9);
  EXPECT_EQ(object_->calls[0].y, 2);
}

TEST_F(DispatchTest, MalformedCallsGiveErrorCodesAndNeverReachTheMethod) {
  struct Row {
    const char* what;
    DISPID id;
    std::vector<VARIANT> args;
    std::vector<DISPID> named;
    HRESULT hr;
    UINT argErr;  // checked when not ~0u
  };
  const UINT kAny = ~0u;
  std::vector<Row> rows;
  rows.push_back({"unknown DISPID", 999, {}, {}, DISP_E_MEMBERNOTFOUND, kAny});
  rows.push_back({"DISPID of the other interface", 206, {}, {}, DISP_E_MEMBERNOTFOUND, kAny});
  rows.push_back({"too few arguments", 203, {Long(1)}, {}, DISP_E_BADPARAMCOUNT, kAny});
  rows.push_back({"too many arguments", 202, {Long(1)}, {}, DISP_E_BADPARAMCOUNT, kAny});
  rows.push_back({"text that is no number", 201, {Long(0), Text(L"u"), Long(1), Text(L"abc"), Long(2)}, {},
                  DISP_E_TYPEMISMATCH, 3});
  {
    VARIANT big;
    VariantInit(&big);
    big.vt = VT_R8;
    big.dblVal = 1e20;
    rows.push_back({"number out of range", 203, {big, Long(1)}, {}, DISP_E_OVERFLOW, 0});
  }
  {
    VARIANT obj;
    VariantInit(&obj);
    obj.vt = VT_NULL;
    rows.push_back({"null for a string", 201, {Long(0), obj, Long(1), Long(1), Long(2)}, {}, DISP_E_TYPEMISMATCH, 1});
  }
  {
    VARIANT garbage;
    VariantInit(&garbage);
    garbage.vt = 0x0FFF;
    rows.push_back({"unknown variant type", 203, {Long(1), garbage}, {}, DISP_E_TYPEMISMATCH, 1});
  }
  rows.push_back({"named parameter that does not exist", 203, {Long(1), Long(2)}, {7}, DISP_E_PARAMNOTFOUND, 0});
  rows.push_back({"named DISPID_PROPERTYPUT", 203, {Long(1), Long(2)}, {DISPID_PROPERTYPUT}, DISP_E_PARAMNOTFOUND, 0});
  rows.push_back({"the same parameter named twice", 203, {Long(1), Long(2)}, {0, 0}, DISP_E_PARAMNOTFOUND, 1});

  for (auto& row : rows) {
    SCOPED_TRACE(row.what);
    UINT argErr = kAny;
    EXPECT_EQ(Invoke(row.id, row.args, &argErr, nullptr, row.named), row.hr);
    if (row.argErr != kAny) {
      EXPECT_EQ(argErr, row.argErr);
    }
    Free(row.args);
  }
  EXPECT_TRUE(object_->calls.empty());
}

TEST_F(DispatchTest, HostileDispParamsAreRefusedWithoutReadingOutsideThem) {
  VARIANT one = Long(1);
  DISPID named = 0;
  struct Row {
    const char* what;
    DISPPARAMS dp;
  } rows[] = {
      {"more named than arguments", {&one, &named, 1, 2}},
      {"arguments without an array", {nullptr, nullptr, 2, 0}},
      {"named arguments without their DISPIDs", {&one, nullptr, 1, 1}},
      {"huge counts", {&one, &named, 0xFFFFFFFFu, 0xFFFFFFFEu}},
  };
  for (auto& row : rows) {
    SCOPED_TRACE(row.what);
    UINT argErr = 0;
    const HRESULT hr = disp_->Invoke(203, IID_NULL, 0, DISPATCH_METHOD, &row.dp, nullptr, nullptr, &argErr);
    EXPECT_TRUE(hr == E_INVALIDARG || hr == DISP_E_BADPARAMCOUNT || hr == DISP_E_PARAMNOTFOUND)
        << std::hex << hr;
  }
  // Arguments expected, none given.
  EXPECT_EQ(disp_->Invoke(201, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
            DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(disp_->Invoke(202, IID_IDispatch, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  EXPECT_TRUE(object_->calls.empty());
}

TEST_F(DispatchTest, AFailingMethodIsReportedAsAnException) {
  object_->result = static_cast<HRESULT>(0x80041234);
  object_->failure = L"The server went away";
  std::vector<VARIANT> args{NullUnknown(), Long(1)};
  EXCEPINFO info{};
  EXPECT_EQ(Invoke(204, args, nullptr, &info), DISP_E_EXCEPTION);
  EXPECT_EQ(info.scode, static_cast<HRESULT>(0x80041234));
  ASSERT_NE(info.bstrDescription, nullptr);
  EXPECT_EQ(std::wstring(info.bstrDescription), L"The server went away");
  ASSERT_NE(info.bstrSource, nullptr);
  EXPECT_EQ(std::wstring(info.bstrSource), L"VornIEGUI.VornBHOGUI");
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrHelpFile);

  // Without a place for the exception the method's own code comes back.
  EXPECT_EQ(Invoke(204, args), static_cast<HRESULT>(0x80041234));
  SetErrorInfo(0, nullptr);  // that call's error information was left for the caller
  // A plain failing HRESULT, without error information.
  object_->failure.clear();
  object_->result = E_NOTIMPL;
  std::vector<VARIANT> none;
  EXCEPINFO plain{};
  EXPECT_EQ(Invoke(202, none, nullptr, &plain), DISP_E_EXCEPTION);
  EXPECT_EQ(plain.scode, E_NOTIMPL);
  EXPECT_EQ(plain.bstrDescription, nullptr);
  EXPECT_EQ(object_->calls.size(), 3u);
}

TEST_F(DispatchTest, OneTypeInfoDescribingTheInterface) {
  UINT count = 0;
  EXPECT_EQ(disp_->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  com::ComPtr<ITypeInfo> info;
  EXPECT_EQ(disp_->GetTypeInfo(1, LOCALE_USER_DEFAULT, info.ReleaseAndGetAddressOf()), DISP_E_BADINDEX);
  EXPECT_FALSE(info);
  ASSERT_EQ(disp_->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.ReleaseAndGetAddressOf()), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_TRUE(IsEqualGUID(attr->guid, IID_IVornBHOGUI));
  EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
  info->ReleaseTypeAttr(attr);
  // The type info gives the same answers as the object.
  const wchar_t* names[] = {L"MouseMove", L"Y"};
  MEMBERID ids[2] = {};
  EXPECT_EQ(info->GetIDsOfNames(const_cast<LPOLESTR*>(names), 2, ids), S_OK);
  EXPECT_EQ(ids[0], 203);
  EXPECT_EQ(ids[1], 1);
}

}  // namespace
