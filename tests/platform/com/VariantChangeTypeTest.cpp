#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com/FakeComObjects.h"
#include "platform/com/Text.h"
#include "platform/com/Variant.h"

namespace {

using com::Variant;
using com_test::CountedUnknown;
using com_test::ValueObject;

Variant Typed(VARTYPE vt, LONGLONG bits) {
  VARIANT v;
  VariantInit(&v);
  v.vt = vt;
  v.llVal = 0;
  switch (vt) {
    case VT_I1: v.cVal = static_cast<CHAR>(bits); break;
    case VT_UI1: v.bVal = static_cast<BYTE>(bits); break;
    case VT_I2: v.iVal = static_cast<SHORT>(bits); break;
    case VT_UI2: v.uiVal = static_cast<USHORT>(bits); break;
    case VT_BOOL: v.boolVal = static_cast<VARIANT_BOOL>(bits); break;
    case VT_I4: v.lVal = static_cast<LONG>(bits); break;
    case VT_UI4: v.ulVal = static_cast<ULONG>(bits); break;
    case VT_INT: v.intVal = static_cast<INT>(bits); break;
    case VT_UINT: v.uintVal = static_cast<UINT>(bits); break;
    case VT_ERROR: v.scode = static_cast<SCODE>(bits); break;
    default: v.llVal = bits; break;
  }
  return Variant::Adopt(v);
}

Variant Real4(float f) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_R4;
  v.fltVal = f;
  return Variant::Adopt(v);
}

Variant Null() { return Typed(VT_NULL, 0); }

// Same type and same value (text compared by content, reals exactly).
::testing::AssertionResult SameValue(const VARIANT& actual, const VARIANT& expected) {
  if (actual.vt != expected.vt)
    return ::testing::AssertionFailure() << "vt " << actual.vt << ", expected " << expected.vt;
  bool same = true;
  switch (expected.vt) {
    case VT_EMPTY:
    case VT_NULL: break;
    case VT_I1: same = actual.cVal == expected.cVal; break;
    case VT_UI1: same = actual.bVal == expected.bVal; break;
    case VT_I2: same = actual.iVal == expected.iVal; break;
    case VT_UI2: same = actual.uiVal == expected.uiVal; break;
    case VT_BOOL: same = actual.boolVal == expected.boolVal; break;
    case VT_I4: same = actual.lVal == expected.lVal; break;
    case VT_UI4: same = actual.ulVal == expected.ulVal; break;
    case VT_INT: same = actual.intVal == expected.intVal; break;
    case VT_UINT: same = actual.uintVal == expected.uintVal; break;
    case VT_ERROR: same = actual.scode == expected.scode; break;
    case VT_I8: same = actual.llVal == expected.llVal; break;
    case VT_UI8: same = actual.ullVal == expected.ullVal; break;
    case VT_R4: same = actual.fltVal == expected.fltVal; break;
    case VT_R8: same = actual.dblVal == expected.dblVal; break;
    case VT_BSTR: {
      const std::wstring a(actual.bstrVal ? actual.bstrVal : L"", SysStringLen(actual.bstrVal));
      const std::wstring e(expected.bstrVal ? expected.bstrVal : L"", SysStringLen(expected.bstrVal));
      if (a != e) {
        return ::testing::AssertionFailure() << "\"" << com::ToUtf8(a) << "\", expected \"" << com::ToUtf8(e)
                                             << "\"";
      }
      break;
    }
    default: same = actual.llVal == expected.llVal; break;
  }
  if (!same) return ::testing::AssertionFailure() << "value differs (llVal " << actual.llVal << ")";
  return ::testing::AssertionSuccess();
}

struct Coercion {
  std::string name;
  Variant from;
  VARTYPE to;
  USHORT flags;
  HRESULT hr;
  Variant expected;  // compared only on success
};

std::vector<Coercion> CoercionTable() {
  return {
      // text to numbers
      {"\"42\" -> I4", Variant(L"42"), VT_I4, 0, S_OK, Typed(VT_I4, 42)},
      {"blanks around", Variant(L" 42 "), VT_I4, 0, S_OK, Typed(VT_I4, 42)},
      {"tab and sign", Variant(L"\t-7"), VT_I4, 0, S_OK, Typed(VT_I4, -7)},
      {"plus sign", Variant(L"+8"), VT_I2, 0, S_OK, Typed(VT_I2, 8)},
      {"fraction rounds to even down", Variant(L"2.5"), VT_I4, 0, S_OK, Typed(VT_I4, 2)},
      {"fraction rounds to even up", Variant(L"3.5"), VT_I4, 0, S_OK, Typed(VT_I4, 4)},
      {"above a half rounds up", Variant(L"2.51"), VT_I4, 0, S_OK, Typed(VT_I4, 3)},
      {"negative half to even", Variant(L"-2.5"), VT_I4, 0, S_OK, Typed(VT_I4, -2)},
      {"digit grouping", Variant(L"1,000"), VT_I4, 0, S_OK, Typed(VT_I4, 1000)},
      {"exponent", Variant(L"1e3"), VT_I4, 0, S_OK, Typed(VT_I4, 1000)},
      {"hex literal", Variant(L"&H1F"), VT_I4, 0, S_OK, Typed(VT_I4, 31)},
      {"hex literal gives the bits", Variant(L"&HFFFF"), VT_I2, 0, S_OK, Typed(VT_I2, -1)},
      {"octal literal", Variant(L"&O17"), VT_I4, 0, S_OK, Typed(VT_I4, 15)},
      {"smallest I4", Variant(L"-2147483648"), VT_I4, 0, S_OK, Typed(VT_I4, -2147483647 - 1)},
      {"largest UI8", Variant(L"18446744073709551615"), VT_UI8, 0, S_OK,
       Typed(VT_UI8, static_cast<LONGLONG>(~0ull))},
      {"largest I8", Variant(L"9223372036854775807"), VT_I8, 0, S_OK, Typed(VT_I8, 9223372036854775807ll)},
      {"text to R8", Variant(L"1.5"), VT_R8, 0, S_OK, Variant(1.5)},
      {"text to R4", Variant(L" -0.25 "), VT_R4, 0, S_OK, Real4(-0.25f)},
      {"leading point", Variant(L".5"), VT_R8, 0, S_OK, Variant(0.5)},
      {"letters", Variant(L"abc"), VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {"empty text", Variant(L""), VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {"blank text", Variant(L"   "), VT_R8, 0, DISP_E_TYPEMISMATCH, {}},
      {"blank inside", Variant(L"4 2"), VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {"trailing garbage", Variant(L"42x"), VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {"lone sign", Variant(L"-"), VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {"lone point", Variant(L"."), VT_R8, 0, DISP_E_TYPEMISMATCH, {}},
      {"bad hex digit", Variant(L"&HG"), VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {"unfinished exponent", Variant(L"1e"), VT_R8, 0, DISP_E_TYPEMISMATCH, {}},
      {"I4 overflow from text", Variant(L"2147483648"), VT_I4, 0, DISP_E_OVERFLOW, {}},
      {"I8 overflow from text", Variant(L"9223372036854775808"), VT_I8, 0, DISP_E_OVERFLOW, {}},
      {"UI1 overflow from text", Variant(L"256"), VT_UI1, 0, DISP_E_OVERFLOW, {}},
      {"negative to unsigned", Variant(L"-1"), VT_UI4, 0, DISP_E_OVERFLOW, {}},
      {"R8 overflow from text", Variant(L"1e400"), VT_R8, 0, DISP_E_OVERFLOW, {}},
      {"hex too wide", Variant(L"&H10000"), VT_I2, 0, DISP_E_OVERFLOW, {}},
      // numbers to numbers
      {"I4 300 -> UI1", Typed(VT_I4, 300), VT_UI1, 0, DISP_E_OVERFLOW, {}},
      {"I4 255 -> UI1", Typed(VT_I4, 255), VT_UI1, 0, S_OK, Typed(VT_UI1, 255)},
      {"I4 -1 -> UI1", Typed(VT_I4, -1), VT_UI1, 0, DISP_E_OVERFLOW, {}},
      {"I4 -129 -> I1", Typed(VT_I4, -129), VT_I1, 0, DISP_E_OVERFLOW, {}},
      {"I4 -128 -> I1", Typed(VT_I4, -128), VT_I1, 0, S_OK, Typed(VT_I1, -128)},
      {"I4 70000 -> I2", Typed(VT_I4, 70000), VT_I2, 0, DISP_E_OVERFLOW, {}},
      // between a signed and an unsigned integer of one size Windows keeps the bits
      {"UI4 max -> I4", Typed(VT_UI4, 0xFFFFFFFFll), VT_I4, 0, S_OK, Typed(VT_I4, -1)},
      {"I4 -1 -> UI4", Typed(VT_I4, -1), VT_UI4, 0, S_OK, Typed(VT_UI4, 0xFFFFFFFFll)},
      {"UINT top bit -> INT", Typed(VT_UINT, 0x80000000ll), VT_INT, 0, S_OK, Typed(VT_INT, -2147483647 - 1)},
      {"I4 -1 -> UINT", Typed(VT_I4, -1), VT_UINT, 0, S_OK, Typed(VT_UINT, 0xFFFFFFFFll)},
      {"UI2 max -> I2", Typed(VT_UI2, 0xFFFF), VT_I2, 0, S_OK, Typed(VT_I2, -1)},
      {"I1 -1 -> UI1", Typed(VT_I1, -1), VT_UI1, 0, S_OK, Typed(VT_UI1, 255)},
      {"UI8 max -> I8", Typed(VT_UI8, -1), VT_I8, 0, S_OK, Typed(VT_I8, -1)},
      {"UI4 max -> I2 is still range-checked", Typed(VT_UI4, 0xFFFFFFFFll), VT_I2, 0, DISP_E_OVERFLOW, {}},
      {"UI4 max -> I8", Typed(VT_UI4, 0xFFFFFFFFll), VT_I8, 0, S_OK, Typed(VT_I8, 0xFFFFFFFFll)},
      {"I8 -> I4 overflow", Typed(VT_I8, 1ll << 40), VT_I4, 0, DISP_E_OVERFLOW, {}},
      {"I2 -> INT", Typed(VT_I2, -3), VT_INT, 0, S_OK, Typed(VT_INT, -3)},
      {"UI2 -> UINT", Typed(VT_UI2, 65535), VT_UINT, 0, S_OK, Typed(VT_UINT, 65535)},
      {"R8 2.5 -> I4", Variant(2.5), VT_I4, 0, S_OK, Typed(VT_I4, 2)},
      {"R8 3.5 -> I4", Variant(3.5), VT_I4, 0, S_OK, Typed(VT_I4, 4)},
      {"R8 -3.5 -> I4", Variant(-3.5), VT_I4, 0, S_OK, Typed(VT_I4, -4)},
      {"R8 2.6 -> I2", Variant(2.6), VT_I2, 0, S_OK, Typed(VT_I2, 3)},
      {"R8 just below I4 max rounds in", Variant(2147483647.4), VT_I4, 0, S_OK, Typed(VT_I4, 2147483647)},
      {"R8 rounding past I4 max", Variant(2147483647.5), VT_I4, 0, DISP_E_OVERFLOW, {}},
      {"R8 -0.4 -> UI1", Variant(-0.4), VT_UI1, 0, S_OK, Typed(VT_UI1, 0)},
      {"R8 huge -> R4", Variant(1e300), VT_R4, 0, DISP_E_OVERFLOW, {}},
      {"I4 -> R8", Typed(VT_I4, -9), VT_R8, 0, S_OK, Variant(-9.0)},
      {"R4 -> R8", Real4(0.5f), VT_R8, 0, S_OK, Variant(0.5)},
      // booleans
      {"BOOL true -> I4", Variant(true), VT_I4, 0, S_OK, Typed(VT_I4, -1)},
      {"BOOL false -> I4", Variant(false), VT_I4, 0, S_OK, Typed(VT_I4, 0)},
      {"BOOL true -> UI1", Variant(true), VT_UI1, 0, S_OK, Typed(VT_UI1, 255)},
      {"BOOL true -> R8", Variant(true), VT_R8, 0, S_OK, Variant(-1.0)},
      {"I4 5 -> BOOL", Typed(VT_I4, 5), VT_BOOL, 0, S_OK, Variant(true)},
      {"I4 0 -> BOOL", Typed(VT_I4, 0), VT_BOOL, 0, S_OK, Variant(false)},
      {"R8 0.1 -> BOOL", Variant(0.1), VT_BOOL, 0, S_OK, Variant(true)},
      {"\"True\" -> BOOL", Variant(L"True"), VT_BOOL, 0, S_OK, Variant(true)},
      {"\"false\" -> BOOL", Variant(L"false"), VT_BOOL, 0, S_OK, Variant(false)},
      {"\"TRUE\" -> BOOL", Variant(L"TRUE"), VT_BOOL, 0, S_OK, Variant(true)},
      {"\"0\" -> BOOL", Variant(L"0"), VT_BOOL, 0, S_OK, Variant(false)},
      {"\"-1\" -> BOOL", Variant(L"-1"), VT_BOOL, 0, S_OK, Variant(true)},
      {"\"0.5\" -> BOOL", Variant(L"0.5"), VT_BOOL, 0, S_OK, Variant(true)},
      {"\"yes\" -> BOOL", Variant(L"yes"), VT_BOOL, 0, DISP_E_TYPEMISMATCH, {}},
      {"BOOL -> text", Variant(true), VT_BSTR, 0, S_OK, Variant(L"-1")},
      {"BOOL false -> text", Variant(false), VT_BSTR, 0, S_OK, Variant(L"0")},
      {"BOOL -> alpha text", Variant(true), VT_BSTR, VARIANT_ALPHABOOL, S_OK, Variant(L"True")},
      {"BOOL false -> alpha text", Variant(false), VT_BSTR, VARIANT_ALPHABOOL, S_OK, Variant(L"False")},
      // numbers to text
      {"I4 -> text", Typed(VT_I4, -42), VT_BSTR, 0, S_OK, Variant(L"-42")},
      {"UI8 max -> text", Typed(VT_UI8, static_cast<LONGLONG>(~0ull)), VT_BSTR, 0, S_OK,
       Variant(L"18446744073709551615")},
      {"I1 -> text", Typed(VT_I1, -5), VT_BSTR, 0, S_OK, Variant(L"-5")},
      {"R8 2.5 -> text", Variant(2.5), VT_BSTR, 0, S_OK, Variant(L"2.5")},
      {"R8 0.1 -> text", Variant(0.1), VT_BSTR, 0, S_OK, Variant(L"0.1")},
      {"R8 third -> text", Variant(1.0 / 3.0), VT_BSTR, 0, S_OK, Variant(L"0.333333333333333")},
      {"R8 large -> text", Variant(1e20), VT_BSTR, 0, S_OK, Variant(L"1E+20")},
      {"R8 whole -> text", Variant(100.0), VT_BSTR, 0, S_OK, Variant(L"100")},
      {"R4 -> text", Real4(0.1f), VT_BSTR, 0, S_OK, Variant(L"0.1")},
      // empty and null
      {"EMPTY -> I4", Variant(), VT_I4, 0, S_OK, Typed(VT_I4, 0)},
      {"EMPTY -> R8", Variant(), VT_R8, 0, S_OK, Variant(0.0)},
      {"EMPTY -> BOOL", Variant(), VT_BOOL, 0, S_OK, Variant(false)},
      {"EMPTY -> text", Variant(), VT_BSTR, 0, S_OK, Variant(L"")},
      {"I4 -> EMPTY", Typed(VT_I4, 3), VT_EMPTY, 0, S_OK, Variant()},
      {"EMPTY -> NULL", Variant(), VT_NULL, 0, S_OK, Null()},
      {"EMPTY -> UNKNOWN", Variant(), VT_UNKNOWN, 0, DISP_E_TYPEMISMATCH, {}},
      {"EMPTY -> DISPATCH", Variant(), VT_DISPATCH, 0, DISP_E_TYPEMISMATCH, {}},
      {"EMPTY -> ERROR", Variant(), VT_ERROR, 0, DISP_E_TYPEMISMATCH, {}},
      {"text -> NULL", Variant(L"x"), VT_NULL, 0, S_OK, Null()},
      {"NULL -> NULL", Null(), VT_NULL, 0, S_OK, Null()},
      {"NULL -> I4", Null(), VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {"NULL -> text", Null(), VT_BSTR, 0, DISP_E_TYPEMISMATCH, {}},
      {"NULL -> BOOL", Null(), VT_BOOL, 0, DISP_E_TYPEMISMATCH, {}},
      {"NULL -> EMPTY", Null(), VT_EMPTY, 0, DISP_E_TYPEMISMATCH, {}},
      // error codes
      {"ERROR -> ERROR", Typed(VT_ERROR, DISP_E_PARAMNOTFOUND), VT_ERROR, 0, S_OK,
       Typed(VT_ERROR, DISP_E_PARAMNOTFOUND)},
      {"ERROR -> I4", Typed(VT_ERROR, DISP_E_PARAMNOTFOUND), VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {"ERROR -> EMPTY", Typed(VT_ERROR, DISP_E_PARAMNOTFOUND), VT_EMPTY, 0, DISP_E_TYPEMISMATCH, {}},
      {"I4 -> ERROR", Typed(VT_I4, 1), VT_ERROR, 0, DISP_E_TYPEMISMATCH, {}},
      // types that are not types, or not ones a scalar converts to
      {"reserved target", Typed(VT_I4, 1), 15, 0, DISP_E_BADVARTYPE, {}},
      {"VOID target", Typed(VT_I4, 1), VT_VOID, 0, DISP_E_BADVARTYPE, {}},
      {"CLSID target", Typed(VT_I4, 1), VT_CLSID, 0, DISP_E_BADVARTYPE, {}},
      {"vector target", Typed(VT_I4, 1), VT_VECTOR | VT_I4, 0, DISP_E_BADVARTYPE, {}},
      {"scalar -> array", Typed(VT_I4, 1), VT_ARRAY | VT_I4, 0, DISP_E_TYPEMISMATCH, {}},
      {"text -> object", Variant(L"x"), VT_DISPATCH, 0, DISP_E_TYPEMISMATCH, {}},
      {"number -> unknown", Typed(VT_I4, 1), VT_UNKNOWN, 0, DISP_E_TYPEMISMATCH, {}},
  };
}

TEST(VariantChangeTypeTest, CoercionTable) {
  for (Coercion& c : CoercionTable()) {
    Variant out;
    const HRESULT hr = VariantChangeType(out.Ptr(), c.from.Ptr(), c.flags, c.to);
    EXPECT_EQ(hr, c.hr) << c.name;
    if (SUCCEEDED(hr) && SUCCEEDED(c.hr)) {
      EXPECT_TRUE(SameValue(out, c.expected)) << c.name;
    } else {
      EXPECT_TRUE(out.IsEmpty()) << c.name << ": a failed conversion wrote its destination";
    }
  }
}

TEST(VariantChangeTypeTest, AnInvalidSourceTypeIsRefused) {
  VARIANT garbage;
  VariantInit(&garbage);
  garbage.vt = 0x0FFF;
  Variant out;
  EXPECT_EQ(VariantChangeType(out.Ptr(), &garbage, 0, VT_I4), DISP_E_BADVARTYPE);
  garbage.vt = VT_BYREF | VT_EMPTY;
  EXPECT_EQ(VariantChangeType(out.Ptr(), &garbage, 0, VT_I4), DISP_E_BADVARTYPE);
  EXPECT_TRUE(out.IsEmpty());
}

TEST(VariantChangeTypeTest, ExWithALocaleUsesTheSameInvariantRules) {
  Variant out;
  ASSERT_EQ(VariantChangeTypeEx(out.Ptr(), Variant(L"1.25").Ptr(), LOCALE_USER_DEFAULT, 0, VT_R8), S_OK);
  EXPECT_EQ(out.dblVal, 1.25);
}

TEST(VariantChangeTypeTest, ReferencesAreFollowed) {
  LONG number = 300;
  VARIANT byRef;
  VariantInit(&byRef);
  byRef.vt = VT_I4 | VT_BYREF;
  byRef.plVal = &number;
  Variant out;
  ASSERT_EQ(VariantChangeType(out.Ptr(), &byRef, 0, VT_BSTR), S_OK);
  EXPECT_EQ(out.ToString(), L"300");
  EXPECT_EQ(VariantChangeType(out.Ptr(), &byRef, 0, VT_UI1), DISP_E_OVERFLOW);

  Variant text(L"7");
  VARIANT refToVariant;
  VariantInit(&refToVariant);
  refToVariant.vt = VT_VARIANT | VT_BYREF;
  refToVariant.pvarVal = text.Ptr();
  ASSERT_EQ(VariantChangeType(out.Ptr(), &refToVariant, 0, VT_I4), S_OK);
  EXPECT_EQ(out.lVal, 7);
  EXPECT_EQ(text.vt(), VT_BSTR) << "the referenced variant is not changed";

  byRef.plVal = nullptr;
  EXPECT_EQ(VariantChangeType(out.Ptr(), &byRef, 0, VT_I4), DISP_E_TYPEMISMATCH);
}

TEST(VariantChangeTypeTest, InPlaceConversionReplacesTheValue) {
  Variant v(L"42");
  ASSERT_EQ(VariantChangeType(v.Ptr(), v.Ptr(), 0, VT_I4), S_OK);
  EXPECT_EQ(v.vt(), VT_I4);
  EXPECT_EQ(v.lVal, 42);
  ASSERT_EQ(VariantChangeType(v.Ptr(), v.Ptr(), VARIANT_ALPHABOOL, VT_BOOL), S_OK);
  ASSERT_EQ(VariantChangeType(v.Ptr(), v.Ptr(), VARIANT_ALPHABOOL, VT_BSTR), S_OK);
  EXPECT_EQ(v.ToString(), L"True");
}

TEST(VariantChangeTypeTest, FailureLeavesTheDestinationUnchanged) {
  Variant dest(L"keep");
  BSTR before = dest.bstrVal;
  EXPECT_EQ(VariantChangeType(dest.Ptr(), Variant(L"abc").Ptr(), 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(dest.vt(), VT_BSTR);
  EXPECT_EQ(dest.bstrVal, before);
  EXPECT_EQ(VariantChangeType(dest.Ptr(), Typed(VT_I4, 1000).Ptr(), 0, VT_UI1), DISP_E_OVERFLOW);
  EXPECT_EQ(dest.ToString(), L"keep");
}

TEST(VariantChangeTypeTest, ObjectsConvertThroughTheirValueProperty) {
  ValueObject answer(Variant(L"42"));
  {
    Variant obj(static_cast<IDispatch*>(&answer));
    struct Case {
      VARTYPE to;
      Variant expected;
    };
    const Case cases[] = {{VT_I4, Typed(VT_I4, 42)}, {VT_BSTR, Variant(L"42")}, {VT_R8, Variant(42.0)},
                          {VT_BOOL, Variant(true)}};
    int invokes = 0;
    for (const Case& c : cases) {
      Variant out;
      ASSERT_EQ(VariantChangeType(out.Ptr(), obj.Ptr(), 0, c.to), S_OK) << c.to;
      EXPECT_TRUE(SameValue(out, c.expected)) << c.to;
      EXPECT_EQ(answer.invokes(), ++invokes);
    }

    Variant out;
    EXPECT_EQ(VariantChangeType(out.Ptr(), obj.Ptr(), VARIANT_NOVALUEPROP, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(answer.invokes(), invokes) << "NOVALUEPROP must not ask the object";
    EXPECT_EQ(VariantChangeType(out.Ptr(), obj.Ptr(), VARIANT_NOVALUEPROP, VT_UNKNOWN), S_OK);
    EXPECT_EQ(out.punkVal, static_cast<IUnknown*>(&answer));
  }
  EXPECT_EQ(answer.refs(), 0u);
}

TEST(VariantChangeTypeTest, ObjectsWithoutAUsableValueAreAMismatch) {
  ValueObject failing(Variant(1));
  failing.FailWith(DISP_E_MEMBERNOTFOUND);
  ValueObject notANumber(Variant(L"abc"));
  ValueObject tooLarge(Variant(1000));
  {
    struct Case {
      const char* name;
      ValueObject* obj;
      VARTYPE to;
      HRESULT hr;
    };
    const Case cases[] = {
        {"Invoke fails", &failing, VT_I4, DISP_E_TYPEMISMATCH},
        {"value does not convert", &notANumber, VT_I4, DISP_E_TYPEMISMATCH},
        {"value too large", &tooLarge, VT_UI1, DISP_E_OVERFLOW},
    };
    for (const Case& c : cases) {
      Variant obj(static_cast<IDispatch*>(c.obj));
      Variant out;
      EXPECT_EQ(VariantChangeType(out.Ptr(), obj.Ptr(), 0, c.to), c.hr) << c.name;
      EXPECT_TRUE(out.IsEmpty()) << c.name;
    }
    Variant nullObject(static_cast<IDispatch*>(nullptr));
    Variant out;
    EXPECT_EQ(VariantChangeType(out.Ptr(), nullObject.Ptr(), 0, VT_I4), DISP_E_BADVARTYPE);
  }
  EXPECT_EQ(failing.refs(), 0u);
  EXPECT_EQ(notANumber.refs(), 0u);
  EXPECT_EQ(tooLarge.refs(), 0u);
}

TEST(VariantChangeTypeTest, InterfacesConvertByQueryInterface) {
  ValueObject disp;
  CountedUnknown unk;
  {
    Variant out;
    ASSERT_EQ(VariantChangeType(out.Ptr(), Variant(static_cast<IDispatch*>(&disp)).Ptr(), 0, VT_UNKNOWN), S_OK);
    EXPECT_EQ(out.vt(), VT_UNKNOWN);
    EXPECT_EQ(out.punkVal, static_cast<IUnknown*>(&disp));

    ASSERT_EQ(VariantChangeType(out.Ptr(), out.Ptr(), 0, VT_DISPATCH), S_OK);
    EXPECT_EQ(out.vt(), VT_DISPATCH);
    EXPECT_EQ(out.pdispVal, static_cast<IDispatch*>(&disp));
    EXPECT_EQ(disp.refs(), 1u);

    Variant plain(static_cast<IUnknown*>(&unk));
    Variant target(L"keep");
    // The object's own refusal is the answer, as on Windows.
    EXPECT_EQ(VariantChangeType(target.Ptr(), plain.Ptr(), 0, VT_DISPATCH), E_NOINTERFACE);
    EXPECT_EQ(target.ToString(), L"keep");
    EXPECT_EQ(VariantChangeType(target.Ptr(), plain.Ptr(), 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VariantChangeType(target.Ptr(), plain.Ptr(), 0, VT_BSTR), DISP_E_TYPEMISMATCH);

    Variant nullUnknown(static_cast<IUnknown*>(nullptr));
    ASSERT_EQ(VariantChangeType(out.Ptr(), nullUnknown.Ptr(), 0, VT_DISPATCH), S_OK);
    EXPECT_EQ(out.vt(), VT_DISPATCH);
    EXPECT_EQ(out.pdispVal, nullptr);
    EXPECT_EQ(unk.refs(), 1u);
  }
  EXPECT_EQ(disp.refs(), 0u);
  EXPECT_EQ(unk.refs(), 0u);
}

}  // namespace
