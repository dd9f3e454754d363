// Late-bound calls by member name: what reaches the object's Invoke (argument
// order, flags, the omitted-argument marker) and how its failures come back.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/browser/LateBound.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComError.h"
#include "platform/com/ComObject.h"
#include "platform/com/InterfaceTraits.h"
#include "platform/com/Variant.h"

namespace {

// Answers any member name with a DISPID of its own and records each Invoke.
class RecordingObject : public com::ComObject<IDispatch> {
  VORN_INTERFACE_TABLE_BEGIN(RecordingObject)
  VORN_ENTRY(IDispatch)
  VORN_INTERFACE_TABLE_END

 public:
  struct Invocation {
    std::wstring member;
    WORD flags = 0;
    std::vector<com::Variant> args;  // as DISPPARAMS held them (last argument first)
    std::vector<DISPID> named;
  };

  std::vector<Invocation> invocations;
  std::map<std::wstring, HRESULT> failures;  // member -> DISP_E_EXCEPTION with this scode
  com::Variant answer = com::Variant(42);
  DISPID firstId = 1;  // objects of another kind number their members elsewhere
  int lookups = 0;

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (count != 1) return E_INVALIDARG;
    ++lookups;
    const std::wstring name = names[0];
    if (name == L"missing") return DISP_E_UNKNOWNNAME;
    for (std::size_t i = 0; i < members_.size(); ++i)
      if (members_[i] == name) return (*ids = firstId + static_cast<DISPID>(i)), S_OK;
    members_.push_back(name);
    *ids = firstId + static_cast<DISPID>(members_.size() - 1);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT*) override {
    if (id < firstId || static_cast<std::size_t>(id - firstId) >= members_.size()) return DISP_E_MEMBERNOTFOUND;
    Invocation call;
    call.member = members_[static_cast<std::size_t>(id - firstId)];
    call.flags = flags;
    for (UINT i = 0; i < params->cArgs; ++i) call.args.emplace_back(params->rgvarg[i]);
    for (UINT i = 0; i < params->cNamedArgs; ++i) call.named.push_back(params->rgdispidNamedArgs[i]);
    invocations.push_back(call);
    if (auto it = failures.find(call.member); it != failures.end()) {
      info->scode = it->second;
      info->bstrDescription = SysAllocString(L"Access is denied.");
      return DISP_E_EXCEPTION;
    }
    if (result) return answer.CopyTo(result);
    return S_OK;
  }

 private:
  std::vector<std::wstring> members_;
};

com::ComPtr<RecordingObject> MakeObject() { return com::ComPtr<RecordingObject>(new RecordingObject()); }

TEST(LateBoundTest, CallsReachTheObjectAsScriptWouldMakeThem) {
  auto object = MakeObject();

  com::Variant result =
      browser::CallMethod(object.Get(), L"item", {com::Variant(7), browser::OmittedArgument(), com::Variant(L"x")});
  EXPECT_EQ(result.ToLong(), 42);
  browser::PutProperty(object.Get(), L"color", com::Variant(L"FF0000"));
  EXPECT_EQ(browser::GetProperty(object.Get(), L"length").ToLong(), 42);

  ASSERT_EQ(object->invocations.size(), 3u);
  const auto& call = object->invocations[0];
  EXPECT_EQ(call.member, L"item");
  EXPECT_EQ(call.flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  // DISPPARAMS lists the arguments last first.
  ASSERT_EQ(call.args.size(), 3u);
  EXPECT_EQ(call.args[0].ToString(), L"x");
  EXPECT_TRUE(call.args[1].IsMissing());
  EXPECT_EQ(call.args[2].vt(), VT_I4);
  EXPECT_EQ(call.args[2].lVal, 7);
  EXPECT_TRUE(call.named.empty());

  const auto& put = object->invocations[1];
  EXPECT_EQ(put.flags, DISPATCH_PROPERTYPUT);
  ASSERT_EQ(put.named.size(), 1u);
  EXPECT_EQ(put.named[0], DISPID_PROPERTYPUT);
  ASSERT_EQ(put.args.size(), 1u);
  EXPECT_EQ(put.args[0].ToString(), L"FF0000");

  EXPECT_EQ(object->invocations[2].flags, DISPATCH_PROPERTYGET);
  EXPECT_TRUE(object->invocations[2].args.empty());
}

TEST(LateBoundTest, FailuresCarryTheObjectsCodeAndDescription) {
  auto object = MakeObject();
  object->failures[L"document"] = E_ACCESSDENIED;

  try {
    browser::GetProperty(object.Get(), L"document");
    FAIL() << "no error";
  } catch (const com::ComError& e) {
    EXPECT_EQ(e.hr(), E_ACCESSDENIED);
    EXPECT_EQ(e.message(), L"Access is denied.");
  }
  for (auto call : {+[](IDispatch* o) { browser::GetProperty(o, L"missing"); },
                    +[](IDispatch* o) { browser::CallMethod(o, L"missing", {com::Variant(1)}); },
                    +[](IDispatch* o) { browser::PutProperty(o, L"missing", com::Variant(1)); }}) {
    try {
      call(object.Get());
      ADD_FAILURE() << "no error";
    } catch (const com::ComError& e) {
      EXPECT_EQ(e.hr(), DISP_E_UNKNOWNNAME);
    }
  }
  try {
    browser::CallMethod(nullptr, L"item");
    ADD_FAILURE() << "no error";
  } catch (const com::ComError& e) {
    EXPECT_EQ(e.hr(), E_POINTER);
  }
}

TEST(LateBoundTest, ObjectsAreTakenOutOfEveryVariantFormAndNothingIsAnError) {
  auto object = MakeObject();
  IDispatch* dispatch = object.Get();
  IUnknown* unknown = object.Get();

  VARIANT byDispatch{};
  byDispatch.vt = VT_DISPATCH;
  byDispatch.pdispVal = dispatch;
  VARIANT byUnknown{};
  byUnknown.vt = VT_UNKNOWN;
  byUnknown.punkVal = unknown;
  VARIANT refDispatch{};
  refDispatch.vt = VT_DISPATCH | VT_BYREF;
  refDispatch.ppdispVal = &dispatch;
  VARIANT refUnknown{};
  refUnknown.vt = VT_UNKNOWN | VT_BYREF;
  refUnknown.ppunkVal = &unknown;
  VARIANT refVariant{};
  refVariant.vt = VT_VARIANT | VT_BYREF;
  refVariant.pvarVal = &byUnknown;
  for (const VARIANT* v : {&byDispatch, &byUnknown, &refDispatch, &refUnknown, &refVariant}) {
    SCOPED_TRACE(v->vt);
    EXPECT_EQ(browser::DispatchOf(*v).Get(), dispatch);
    EXPECT_FALSE(browser::IsNothing(*v));
  }

  IDispatch* nil = nullptr;
  VARIANT nilDispatch{};
  nilDispatch.vt = VT_DISPATCH;
  VARIANT refNil{};
  refNil.vt = VT_DISPATCH | VT_BYREF;
  refNil.ppdispVal = &nil;
  VARIANT null{};
  null.vt = VT_NULL;
  VARIANT empty{};
  for (const VARIANT* v : {&nilDispatch, &refNil, &null, &empty}) {
    SCOPED_TRACE(v->vt);
    EXPECT_TRUE(browser::IsNothing(*v));
    try {
      browser::DispatchOf(*v);
      ADD_FAILURE() << "no error";
    } catch (const com::ComError& e) {
      EXPECT_EQ(e.hr(), E_POINTER);
    }
  }
  const com::Variant number(5);
  EXPECT_FALSE(browser::IsNothing(number));
  try {
    browser::DispatchOf(number);
    ADD_FAILURE() << "no error";
  } catch (const com::ComError& e) {
    EXPECT_EQ(e.hr(), DISP_E_TYPEMISMATCH);
  }
}

TEST(LateBoundTest, AMemberIsLookedUpOnceForObjectsOfOneKindAndAgainForAnother) {
  auto first = MakeObject();
  auto second = MakeObject();
  auto other = MakeObject();
  other->firstId = 100;
  browser::Member item(L"item");
  browser::Member text(L"text");

  EXPECT_EQ(item.Call(first.Get(), {com::Variant(1)}).ToLong(), 42);
  EXPECT_EQ(item.Call(first.Get(), {com::Variant(2)}).ToLong(), 42);
  EXPECT_EQ(first->lookups, 1) << "the DISPID is remembered";
  second->answer = com::Variant(L"words");
  browser::GetProperty(second.Get(), L"item");  // both objects number "item" alike
  EXPECT_EQ(text.GetString(second.Get()), L"words");
  EXPECT_EQ(item.Call(second.Get(), {com::Variant(3)}).ToString(), L"words");
  EXPECT_EQ(second->lookups, 2);
  ASSERT_EQ(second->invocations.size(), 3u);
  EXPECT_EQ(second->invocations[1].member, L"text");
  EXPECT_EQ(second->invocations[2].flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);

  // An object that does not know the remembered DISPID is asked by name, and
  // its own DISPID is used from then on.
  EXPECT_EQ(item.Call(other.Get(), {com::Variant(4)}).ToLong(), 42);
  EXPECT_EQ(item.Call(other.Get(), {com::Variant(5)}).ToLong(), 42);
  EXPECT_EQ(other->lookups, 1);
  ASSERT_EQ(other->invocations.size(), 2u);
  EXPECT_EQ(other->invocations[0].args[0].ToLong(), 4);

  // Failures come back as from the functions that look up every time.
  other->failures[L"text"] = E_ACCESSDENIED;
  try {
    text.Get(other.Get());
    ADD_FAILURE() << "no error";
  } catch (const com::ComError& e) {
    EXPECT_EQ(e.hr(), E_ACCESSDENIED);
    EXPECT_EQ(e.message(), L"Access is denied.");
  }
  browser::Member missing(L"missing");
  try {
    missing.Get(first.Get());
    ADD_FAILURE() << "no error";
  } catch (const com::ComError& e) {
    EXPECT_EQ(e.hr(), DISP_E_UNKNOWNNAME);
  }
  EXPECT_THROW(item.Get(nullptr), com::ComError);
}

}  // namespace
