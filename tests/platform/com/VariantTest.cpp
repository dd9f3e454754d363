#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/com/ComError.h"
#include "platform/com/Variant.h"
#include "platform/com/FakeComObjects.h"

namespace {

using com::Variant;
using com_test::CountedUnknown;
using com_test::ValueObject;

std::wstring BstrText(BSTR s) { return s ? std::wstring(s, SysStringLen(s)) : std::wstring(); }

TEST(VariantRuntimeTest, ClearFreesOwnedValuesButNotReferences) {
  CountedUnknown obj;
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_UNKNOWN;
  v.punkVal = &obj;
  obj.AddRef();
  ASSERT_EQ(VariantClear(&v), S_OK);
  EXPECT_EQ(v.vt, VT_EMPTY);
  EXPECT_EQ(obj.refs(), 0u);

  IUnknown* held = &obj;
  obj.AddRef();
  v.vt = VT_UNKNOWN | VT_BYREF;
  v.ppunkVal = &held;
  ASSERT_EQ(VariantClear(&v), S_OK);
  EXPECT_EQ(v.vt, VT_EMPTY);
  EXPECT_EQ(obj.refs(), 1u) << "a reference does not own what it points to";
  held->Release();
}

TEST(VariantRuntimeTest, ClearRefusesInvalidTypesAndLockedArrays) {
  VARIANT v;
  VariantInit(&v);
  v.vt = 15;  // reserved, never a valid type
  EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE);
  EXPECT_EQ(v.vt, 15);
  v.vt = VT_I4 | VT_VECTOR;
  EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE);

  // Windows reports the lock but empties the variant all the same: the array
  // is left alive for whoever locked it to unlock and destroy.
  SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, 2);
  ASSERT_NE(array, nullptr);
  v.vt = VT_ARRAY | VT_I4;
  v.parray = array;
  ASSERT_EQ(SafeArrayLock(array), S_OK);
  EXPECT_EQ(VariantClear(&v), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(v.vt, VT_EMPTY);
  EXPECT_EQ(SafeArrayGetDim(array), 1u);
  ASSERT_EQ(SafeArrayUnlock(array), S_OK);
  EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST(VariantRuntimeTest, CopyIsDeep) {
  CountedUnknown obj;
  VARIANT src, dst;
  VariantInit(&src);
  VariantInit(&dst);

  src.vt = VT_BSTR;
  src.bstrVal = SysAllocStringLen(L"a\0b", 3);
  ASSERT_EQ(VariantCopy(&dst, &src), S_OK);
  EXPECT_EQ(dst.vt, VT_BSTR);
  EXPECT_NE(dst.bstrVal, src.bstrVal);
  EXPECT_EQ(BstrText(dst.bstrVal), std::wstring(L"a\0b", 3));
  VariantClear(&src);

  src.vt = VT_UNKNOWN;
  src.punkVal = &obj;
  obj.AddRef();
  ASSERT_EQ(VariantCopy(&dst, &src), S_OK);  // also frees the BSTR dst held
  EXPECT_EQ(dst.punkVal, &obj);
  EXPECT_EQ(obj.refs(), 2u);
  VariantClear(&src);
  VariantClear(&dst);
  EXPECT_EQ(obj.refs(), 0u);

  src.vt = VT_ARRAY | VT_BSTR;
  src.parray = SafeArrayCreateVector(VT_BSTR, 0, 1);
  LONG index = 0;
  BSTR item = SysAllocString(L"item");
  ASSERT_EQ(SafeArrayPutElement(src.parray, &index, item), S_OK);
  SysFreeString(item);
  ASSERT_EQ(VariantCopy(&dst, &src), S_OK);
  EXPECT_NE(dst.parray, src.parray);
  BSTR copied = nullptr;
  ASSERT_EQ(SafeArrayGetElement(dst.parray, &index, &copied), S_OK);
  EXPECT_EQ(BstrText(copied), L"item");
  SysFreeString(copied);
  VariantClear(&src);
  VariantClear(&dst);
}

TEST(VariantRuntimeTest, CopyOfAnInvalidSourceLeavesTheDestinationAlone) {
  Variant dst(L"keep");
  VARIANT bad;
  VariantInit(&bad);
  bad.vt = 15;
  EXPECT_EQ(VariantCopy(&dst, &bad), DISP_E_BADVARTYPE);
  EXPECT_EQ(dst.ToString(), L"keep");
  EXPECT_EQ(VariantCopy(&dst, &dst), S_OK);
  EXPECT_EQ(dst.ToString(), L"keep");
}

TEST(VariantRuntimeTest, CopyIndFollowsReferences) {
  LONG number = 42;
  BSTR text = SysAllocString(L"text");
  VARIANT inner;
  VariantInit(&inner);
  inner.vt = VT_I4 | VT_BYREF;
  inner.plVal = &number;

  struct Case {
    const char* name;
    VARTYPE vt;
    void* ref;
  };
  const Case cases[] = {
      {"I4 reference", VT_I4 | VT_BYREF, &number},
      {"BSTR reference", VT_BSTR | VT_BYREF, &text},
      {"variant reference to a reference", VT_VARIANT | VT_BYREF, &inner},
  };
  for (const Case& c : cases) {
    VARIANT src, dst;
    VariantInit(&src);
    VariantInit(&dst);
    src.vt = c.vt;
    src.byref = c.ref;
    ASSERT_EQ(VariantCopyInd(&dst, &src), S_OK) << c.name;
    EXPECT_FALSE(dst.vt & VT_BYREF) << c.name;
    if (dst.vt == VT_BSTR) {
      EXPECT_NE(dst.bstrVal, text) << c.name;
      EXPECT_EQ(BstrText(dst.bstrVal), L"text") << c.name;
    } else {
      EXPECT_EQ(dst.vt, VT_I4) << c.name;
      EXPECT_EQ(dst.lVal, 42) << c.name;
    }
    VariantClear(&dst);
  }
  SysFreeString(text);
}

TEST(VariantRuntimeTest, CopyIndInPlaceAndBadReferences) {
  LONG number = 7;
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4 | VT_BYREF;
  v.plVal = &number;
  ASSERT_EQ(VariantCopyInd(&v, &v), S_OK);
  EXPECT_EQ(v.vt, VT_I4);
  EXPECT_EQ(v.lVal, 7);

  VARIANT src;
  VariantInit(&src);
  VARIANT refToRef;
  VariantInit(&refToRef);
  refToRef.vt = VT_VARIANT | VT_BYREF;
  refToRef.pvarVal = &src;
  src.vt = VT_VARIANT | VT_BYREF;
  src.pvarVal = &v;
  EXPECT_EQ(VariantCopyInd(&v, &refToRef), E_INVALIDARG);
  EXPECT_EQ(v.vt, VT_EMPTY) << "the destination is freed before the copy, as documented";
}

TEST(VariantWrapperTest, ConstructorsPickTheAutomationTypes) {
  CountedUnknown unk;
  ValueObject disp;
  {
    struct Case {
      const char* name;
      Variant v;
      VARTYPE vt;
    };
    const Case cases[] = {
        {"empty", Variant(), VT_EMPTY},
        {"int", Variant(5), VT_I4},
        {"LONG", Variant(LONG{-5}), VT_I4},
        {"ULONG", Variant(ULONG{5}), VT_UI4},
        {"64-bit", Variant(LONGLONG{1} << 40), VT_I8},
        {"bool", Variant(true), VT_BOOL},
        {"double", Variant(2.5), VT_R8},
        {"text", Variant(L"text"), VT_BSTR},
        {"wstring", Variant(std::wstring(L"text")), VT_BSTR},
        {"IUnknown", Variant(static_cast<IUnknown*>(&unk)), VT_UNKNOWN},
        {"IDispatch", Variant(static_cast<IDispatch*>(&disp)), VT_DISPATCH},
        {"missing", Variant::Missing(), VT_ERROR},
    };
    for (const Case& c : cases) EXPECT_EQ(c.v.vt(), c.vt) << c.name;
    EXPECT_EQ(cases[5].v.boolVal, VARIANT_TRUE);
    EXPECT_EQ(cases[1].v.lVal, 5);
    EXPECT_TRUE(cases[11].v.IsMissing());
    EXPECT_FALSE(cases[1].v.IsMissing());
    EXPECT_EQ(unk.refs(), 1u);
    EXPECT_EQ(disp.refs(), 1u);
  }
  EXPECT_EQ(unk.refs(), 0u);
  EXPECT_EQ(disp.refs(), 0u);
}

TEST(VariantWrapperTest, CopyMoveAndDetachKeepReferencesBalanced) {
  CountedUnknown obj;
  {
    Variant a(static_cast<IUnknown*>(&obj));
    Variant b = a;
    EXPECT_EQ(obj.refs(), 2u);
    Variant c = std::move(a);
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_EQ(obj.refs(), 2u);
    b = c;
    EXPECT_EQ(obj.refs(), 2u) << "assignment released the old value";
    VARIANT out;
    VariantInit(&out);
    ASSERT_EQ(c.Detach(&out), S_OK);
    EXPECT_TRUE(c.IsEmpty());
    EXPECT_EQ(out.punkVal, &obj);
    Variant adopted = Variant::Adopt(out);
    EXPECT_EQ(out.vt, VT_EMPTY);
    EXPECT_EQ(obj.refs(), 2u);
    adopted.Clear();
    EXPECT_EQ(obj.refs(), 1u);
  }
  EXPECT_EQ(obj.refs(), 0u);
}

TEST(VariantWrapperTest, OutParameterAndCopyTo) {
  Variant v(L"old");
  auto produce = [](VARIANT* out) {
    out->vt = VT_I4;
    out->lVal = 9;
    return S_OK;
  };
  ASSERT_EQ(produce(v.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(v.ToLong(), 9);
  VARIANT copy;
  VariantInit(&copy);
  ASSERT_EQ(v.CopyTo(&copy), S_OK);
  EXPECT_EQ(copy.lVal, 9);
  EXPECT_EQ(v.CopyTo(nullptr), E_POINTER);
  EXPECT_EQ(v.Detach(nullptr), E_POINTER);
}

TEST(VariantWrapperTest, AccessorsConvertOrThrowTheConversionError) {
  EXPECT_EQ(Variant(L"42").ToLong(), 42);
  EXPECT_TRUE(Variant(L"True").ToBool());
  EXPECT_DOUBLE_EQ(Variant(L"2.5").ToDouble(), 2.5);
  EXPECT_EQ(Variant(7).ToString(), L"7");
  EXPECT_EQ(Variant().ToString(), L"");

  struct Case {
    const char* name;
    Variant v;
    HRESULT hr;
  };
  const Case cases[] = {
      {"text", Variant(L"abc"), DISP_E_TYPEMISMATCH},
      {"too large", Variant(L"99999999999"), DISP_E_OVERFLOW},
  };
  for (const Case& c : cases) {
    try {
      c.v.ToLong();
      ADD_FAILURE() << c.name << ": no error";
    } catch (const com::ComError& e) {
      EXPECT_EQ(e.hr(), c.hr) << c.name;
    }
  }
  CountedUnknown unk;
  try {
    Variant(static_cast<IUnknown*>(&unk)).ToDispatch();
    ADD_FAILURE() << "an object without IDispatch became a dispatch pointer";
  } catch (const com::ComError& e) {
    EXPECT_EQ(e.hr(), E_NOINTERFACE);
  }
  EXPECT_EQ(unk.refs(), 0u);
}

TEST(VariantWrapperTest, ChangeTypeInPlace) {
  Variant v(L"12");
  ASSERT_EQ(v.ChangeType(VT_I4), S_OK);
  EXPECT_EQ(v.vt(), VT_I4);
  EXPECT_EQ(v.lVal, 12);
  EXPECT_EQ(v.ChangeType(VT_UI1), S_OK);
  EXPECT_EQ(v.bVal, 12);
  Variant text(L"x");
  EXPECT_EQ(text.ChangeType(VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(text.ToString(), L"x");
}

}  // namespace
