#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/com/ComError.h"
#include "platform/com/FakeComObjects.h"
#include "platform/com/SafeArray.h"

namespace {

using com::SafeArray;
using com::Variant;
using com_test::CountedUnknown;

std::wstring BstrText(BSTR s) { return s ? std::wstring(s, SysStringLen(s)) : std::wstring(); }

TEST(SafeArrayRuntimeTest, ElementTypesSizesAndFeatures) {
  struct Case {
    VARTYPE vt;
    UINT size;
    USHORT features;  // the type-describing flags Windows sets
  };
  const Case cases[] = {
      {VT_UI1, 1, FADF_HAVEVARTYPE},
      {VT_I2, 2, FADF_HAVEVARTYPE},
      {VT_I4, 4, FADF_HAVEVARTYPE},
      {VT_UI4, 4, FADF_HAVEVARTYPE},
      {VT_R8, 8, FADF_HAVEVARTYPE},
      {VT_BOOL, 2, FADF_HAVEVARTYPE},
      {VT_BSTR, sizeof(BSTR), FADF_HAVEVARTYPE | FADF_BSTR},
      {VT_VARIANT, sizeof(VARIANT), FADF_HAVEVARTYPE | FADF_VARIANT},
      {VT_UNKNOWN, sizeof(IUnknown*), FADF_HAVEIID | FADF_UNKNOWN},
      {VT_DISPATCH, sizeof(IDispatch*), FADF_HAVEIID | FADF_DISPATCH},
  };
  const USHORT typeFlags = FADF_HAVEVARTYPE | FADF_HAVEIID | FADF_BSTR | FADF_VARIANT | FADF_UNKNOWN | FADF_DISPATCH |
                           FADF_RECORD;
  for (const Case& c : cases) {
    SAFEARRAY* psa = SafeArrayCreateVector(c.vt, 0, 3);
    ASSERT_NE(psa, nullptr) << c.vt;
    EXPECT_EQ(SafeArrayGetElemsize(psa), c.size) << c.vt;
    EXPECT_EQ(psa->fFeatures & typeFlags, c.features) << c.vt;
    VARTYPE vt = VT_EMPTY;
    ASSERT_EQ(SafeArrayGetVartype(psa, &vt), S_OK) << c.vt;
    EXPECT_EQ(vt, c.vt);
    EXPECT_EQ(SafeArrayGetDim(psa), 1u);
    EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
  }
}

TEST(SafeArrayRuntimeTest, TypesAnArrayCannotHoldAreRefused) {
  SAFEARRAYBOUND bound = {1, 0};
  for (VARTYPE vt : std::initializer_list<VARTYPE>{VT_EMPTY, VT_NULL, VT_VOID, 15})
    EXPECT_EQ(SafeArrayCreate(vt, 1, &bound), nullptr) << vt;
  EXPECT_EQ(SafeArrayCreate(VT_I4, 0, &bound), nullptr);
  EXPECT_EQ(SafeArrayCreate(VT_I4, 1, nullptr), nullptr);
}

TEST(SafeArrayRuntimeTest, BoundsAreReportedLeftmostDimensionFirst) {
  SAFEARRAYBOUND bounds[2] = {{2, 1}, {3, 10}};  // (1 To 2, 10 To 12)
  SAFEARRAY* psa = SafeArrayCreate(VT_I4, 2, bounds);
  ASSERT_NE(psa, nullptr);
  EXPECT_EQ(SafeArrayGetDim(psa), 2u);
  // Stored the Windows way round: rgsabound[0] is the rightmost dimension.
  EXPECT_EQ(psa->rgsabound[0].cElements, 3u);
  EXPECT_EQ(psa->rgsabound[0].lLbound, 10);
  LONG lo = 0, hi = 0;
  ASSERT_EQ(SafeArrayGetLBound(psa, 1, &lo), S_OK);
  ASSERT_EQ(SafeArrayGetUBound(psa, 1, &hi), S_OK);
  EXPECT_EQ(lo, 1);
  EXPECT_EQ(hi, 2);
  ASSERT_EQ(SafeArrayGetLBound(psa, 2, &lo), S_OK);
  ASSERT_EQ(SafeArrayGetUBound(psa, 2, &hi), S_OK);
  EXPECT_EQ(lo, 10);
  EXPECT_EQ(hi, 12);
  EXPECT_EQ(SafeArrayGetLBound(psa, 0, &lo), DISP_E_BADINDEX);
  EXPECT_EQ(SafeArrayGetUBound(psa, 3, &hi), DISP_E_BADINDEX);

  // Indices go leftmost first and the leftmost dimension varies fastest in memory.
  LONG at[2] = {2, 10};
  LONG value = 77;
  ASSERT_EQ(SafeArrayPutElement(psa, at, &value), S_OK);
  LONG* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(psa, reinterpret_cast<void**>(&data)), S_OK);
  EXPECT_EQ(data[1], 77);
  ASSERT_EQ(SafeArrayUnaccessData(psa), S_OK);
  LONG read = 0;
  ASSERT_EQ(SafeArrayGetElement(psa, at, &read), S_OK);
  EXPECT_EQ(read, 77);

  const LONG outside[][2] = {{0, 10}, {3, 10}, {1, 9}, {1, 13}};
  for (const auto& idx : outside) {
    LONG i[2] = {idx[0], idx[1]};
    EXPECT_EQ(SafeArrayGetElement(psa, i, &read), DISP_E_BADINDEX) << idx[0] << "," << idx[1];
    EXPECT_EQ(SafeArrayPutElement(psa, i, &value), DISP_E_BADINDEX) << idx[0] << "," << idx[1];
  }
  EXPECT_EQ(psa->cLocks, 0u) << "a refused access left the array locked";
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArrayRuntimeTest, StringElementsAreCopiedInAndOut) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 5, 2);
  ASSERT_NE(psa, nullptr);
  BSTR mine = SysAllocStringLen(L"a\0b", 3);
  LONG i = 6;
  ASSERT_EQ(SafeArrayPutElement(psa, &i, mine), S_OK);
  EXPECT_NE(static_cast<BSTR*>(psa->pvData)[1], mine) << "the array keeps its own copy";
  SysFreeString(mine);
  BSTR out = nullptr;
  ASSERT_EQ(SafeArrayGetElement(psa, &i, &out), S_OK);
  EXPECT_EQ(BstrText(out), std::wstring(L"a\0b", 3));
  EXPECT_NE(out, static_cast<BSTR*>(psa->pvData)[1]);
  SysFreeString(out);
  ASSERT_EQ(SafeArrayPutElement(psa, &i, nullptr), S_OK);  // a null BSTR is a value too
  EXPECT_EQ(SysStringLen(static_cast<BSTR*>(psa->pvData)[1]), 0u);

  for (LONG bad : {4, 7}) {
    EXPECT_EQ(SafeArrayGetElement(psa, &bad, &out), DISP_E_BADINDEX) << bad;
    EXPECT_EQ(SafeArrayPutElement(psa, &bad, nullptr), DISP_E_BADINDEX) << bad;
  }
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArrayRuntimeTest, VariantAndInterfaceElementsOwnTheirValues) {
  CountedUnknown obj;
  SAFEARRAY* unknowns = SafeArrayCreateVector(VT_UNKNOWN, 0, 2);
  LONG i = 0;
  ASSERT_EQ(SafeArrayPutElement(unknowns, &i, static_cast<IUnknown*>(&obj)), S_OK);
  i = 1;
  ASSERT_EQ(SafeArrayPutElement(unknowns, &i, static_cast<IUnknown*>(&obj)), S_OK);
  EXPECT_EQ(obj.refs(), 2u);
  ASSERT_EQ(SafeArrayPutElement(unknowns, &i, nullptr), S_OK);
  EXPECT_EQ(obj.refs(), 1u) << "the replaced element was released";
  IUnknown* got = nullptr;
  i = 0;
  ASSERT_EQ(SafeArrayGetElement(unknowns, &i, &got), S_OK);
  EXPECT_EQ(got, &obj);
  EXPECT_EQ(obj.refs(), 2u);
  got->Release();

  SAFEARRAY* variants = SafeArrayCreateVector(VT_VARIANT, 0, 1);
  {
    Variant holder(static_cast<IUnknown*>(&obj));
    ASSERT_EQ(SafeArrayPutElement(variants, &i, holder.Ptr()), S_OK);
    Variant back(L"overwritten");
    ASSERT_EQ(SafeArrayGetElement(variants, &i, back.Ptr()), S_OK);
    EXPECT_EQ(back.vt(), VT_UNKNOWN);
    EXPECT_EQ(obj.refs(), 4u);
  }
  EXPECT_EQ(SafeArrayDestroy(unknowns), S_OK);
  EXPECT_EQ(SafeArrayDestroy(variants), S_OK);
  EXPECT_EQ(obj.refs(), 0u);
}

TEST(SafeArrayRuntimeTest, LockedArraysCannotBeDestroyed) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_UI1, 0, 4);
  void* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(psa, &data), S_OK);
  EXPECT_EQ(data, psa->pvData);
  ASSERT_EQ(SafeArrayLock(psa), S_OK);
  EXPECT_EQ(psa->cLocks, 2u);
  EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
  ASSERT_EQ(SafeArrayUnlock(psa), S_OK);
  EXPECT_EQ(SafeArrayDestroy(psa), DISP_E_ARRAYISLOCKED);
  ASSERT_EQ(SafeArrayUnaccessData(psa), S_OK);
  EXPECT_EQ(SafeArrayUnlock(psa), E_UNEXPECTED) << "unlocking an unlocked array";
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArrayRuntimeTest, NullArgumentsAreRefused) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_I4, 0, 1);
  LONG i = 0, v = 0;
  VARTYPE vt = 0;
  void* data = nullptr;
  struct Case {
    const char* name;
    HRESULT hr;
  };
  const Case cases[] = {
      {"GetElement(null array)", SafeArrayGetElement(nullptr, &i, &v)},
      {"GetElement(null indices)", SafeArrayGetElement(psa, nullptr, &v)},
      {"GetElement(null out)", SafeArrayGetElement(psa, &i, nullptr)},
      {"PutElement(null array)", SafeArrayPutElement(nullptr, &i, &v)},
      {"PutElement(null indices)", SafeArrayPutElement(psa, nullptr, &v)},
      {"GetLBound(null array)", SafeArrayGetLBound(nullptr, 1, &v)},
      {"GetUBound(null out)", SafeArrayGetUBound(psa, 1, nullptr)},
      {"GetVartype(null array)", SafeArrayGetVartype(nullptr, &vt)},
      {"GetVartype(null out)", SafeArrayGetVartype(psa, nullptr)},
      {"Lock(null)", SafeArrayLock(nullptr)},
      {"Unlock(null)", SafeArrayUnlock(nullptr)},
      {"AccessData(null array)", SafeArrayAccessData(nullptr, &data)},
      {"AccessData(null out)", SafeArrayAccessData(psa, nullptr)},
      {"Copy(null out)", SafeArrayCopy(psa, nullptr)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.hr, E_INVALIDARG) << c.name;
  EXPECT_EQ(psa->cLocks, 0u);
  EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
  EXPECT_EQ(SafeArrayGetDim(nullptr), 0u);
  EXPECT_EQ(SafeArrayGetElemsize(nullptr), 0u);
  SAFEARRAY* copy = psa;
  EXPECT_EQ(SafeArrayCopy(nullptr, &copy), S_OK);
  EXPECT_EQ(copy, nullptr);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
}

TEST(SafeArrayRuntimeTest, CopyIsDeep) {
  SAFEARRAY* psa = SafeArrayCreateVector(VT_BSTR, 1, 1);
  LONG i = 1;
  BSTR s = SysAllocString(L"deep");
  ASSERT_EQ(SafeArrayPutElement(psa, &i, s), S_OK);
  SysFreeString(s);
  SAFEARRAY* copy = nullptr;
  ASSERT_EQ(SafeArrayCopy(psa, &copy), S_OK);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(static_cast<BSTR*>(copy->pvData)[0], static_cast<BSTR*>(psa->pvData)[0]);
  VARTYPE vt = VT_EMPTY;
  ASSERT_EQ(SafeArrayGetVartype(copy, &vt), S_OK);
  EXPECT_EQ(vt, VT_BSTR);
  LONG lo = 0;
  ASSERT_EQ(SafeArrayGetLBound(copy, 1, &lo), S_OK);
  EXPECT_EQ(lo, 1);
  EXPECT_EQ(SafeArrayDestroy(psa), S_OK);
  BSTR out = nullptr;
  ASSERT_EQ(SafeArrayGetElement(copy, &i, &out), S_OK);
  EXPECT_EQ(BstrText(out), L"deep");
  SysFreeString(out);
  EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
}

TEST(SafeArrayWrapperTest, StringsRoundTripThroughAVectorOfVariants) {
  const std::vector<std::wstring> items = {L"first", L"", std::wstring(L"nul\0inside", 10), L"last"};
  SafeArray arr = SafeArray::FromStrings(items);
  EXPECT_EQ(arr.Vartype(), VT_VARIANT);
  LONG lbound = -1;
  ULONG count = 0;
  ASSERT_EQ(arr.GetVectorBounds(&lbound, &count), S_OK);
  EXPECT_EQ(lbound, 0);
  EXPECT_EQ(count, 4u);
  Variant second;
  ASSERT_EQ(arr.GetVariant(1, &second), S_OK);
  EXPECT_EQ(second.vt(), VT_BSTR);
  std::vector<std::wstring> back;
  ASSERT_EQ(arr.ToStrings(&back), S_OK);
  EXPECT_EQ(back, items);
}

TEST(SafeArrayWrapperTest, ToStringsConvertsVariantElementsAndReadsBstrArrays) {
  SafeArray mixed = SafeArray::CreateVector(VT_VARIANT, 0, 3);
  ASSERT_EQ(mixed.PutVariant(0, Variant(1)), S_OK);
  ASSERT_EQ(mixed.PutVariant(1, Variant(2.5)), S_OK);
  ASSERT_EQ(mixed.PutVariant(2, Variant(L"x")), S_OK);
  std::vector<std::wstring> out;
  ASSERT_EQ(mixed.ToStrings(&out), S_OK);
  EXPECT_EQ(out, (std::vector<std::wstring>{L"1", L"2.5", L"x"}));

  SafeArray bstrs = SafeArray::CreateVector(VT_BSTR, 3, 2);
  ASSERT_EQ(bstrs.PutVariant(3, Variant(L"a")), S_OK);
  ASSERT_EQ(bstrs.PutVariant(4, Variant(7)), S_OK);  // converted to the element type
  ASSERT_EQ(bstrs.ToStrings(&out), S_OK);
  EXPECT_EQ(out, (std::vector<std::wstring>{L"a", L"7"}));

  CountedUnknown obj;
  SafeArray objects = SafeArray::CreateVector(VT_VARIANT, 0, 1);
  ASSERT_EQ(objects.PutVariant(0, Variant(static_cast<IUnknown*>(&obj))), S_OK);
  EXPECT_EQ(objects.ToStrings(&out), DISP_E_TYPEMISMATCH);
  EXPECT_TRUE(out.empty());
  objects.Reset();
  EXPECT_EQ(obj.refs(), 0u);
}

TEST(SafeArrayWrapperTest, BytesRoundTrip) {
  const std::vector<BYTE> bytes = {0, 1, 2, 0xFE, 0xFF};
  SafeArray arr = SafeArray::FromBytes(bytes);
  EXPECT_EQ(arr.Vartype(), VT_UI1);
  std::vector<BYTE> back;
  ASSERT_EQ(arr.ToBytes(&back), S_OK);
  EXPECT_EQ(back, bytes);
  ASSERT_EQ(SafeArray::FromBytes({}).ToBytes(&back), S_OK);
  EXPECT_TRUE(back.empty());
  EXPECT_EQ(arr.Get()->cLocks, 0u);
}

TEST(SafeArrayWrapperTest, ReadersRefuseArraysOfTheWrongShape) {
  std::vector<BYTE> bytes;
  std::vector<std::wstring> strings;
  SafeArray longs = SafeArray::CreateVector(VT_I4, 0, 2);
  EXPECT_EQ(longs.ToBytes(&bytes), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(longs.ToStrings(&strings), DISP_E_TYPEMISMATCH);

  SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
  SafeArray matrix = SafeArray::Adopt(SafeArrayCreate(VT_UI1, 2, bounds));
  EXPECT_EQ(matrix.ToBytes(&bytes), E_INVALIDARG);
  LONG lbound = 0;
  ULONG count = 0;
  EXPECT_EQ(matrix.GetVectorBounds(&lbound, &count), E_INVALIDARG);

  // An array whose descriptor lies about its element size is not read at all.
  SafeArray liar = SafeArray::CreateVector(VT_VARIANT, 0, 2);
  liar.Get()->cbElements = 1;
  Variant v;
  EXPECT_EQ(liar.GetVariant(0, &v), DISP_E_BADVARTYPE);
  EXPECT_EQ(liar.ToStrings(&strings), DISP_E_BADVARTYPE);
  liar.Get()->cbElements = sizeof(VARIANT);

  SafeArray none;
  EXPECT_EQ(none.ToBytes(&bytes), E_INVALIDARG);
  EXPECT_EQ(none.ToStrings(&strings), E_INVALIDARG);
  EXPECT_EQ(none.ToBytes(nullptr), E_POINTER);
}

TEST(SafeArrayWrapperTest, ElementAccessIsBoundsChecked) {
  SafeArray arr = SafeArray::CreateVector(VT_I4, 10, 2);
  ASSERT_EQ(arr.PutVariant(11, Variant(L"5")), S_OK);
  Variant v;
  ASSERT_EQ(arr.GetVariant(11, &v), S_OK);
  EXPECT_EQ(v.vt(), VT_I4);
  EXPECT_EQ(v.lVal, 5);
  for (LONG bad : {9, 12, -2147483647 - 1, 2147483647}) {
    EXPECT_EQ(arr.GetVariant(bad, &v), DISP_E_BADINDEX) << bad;
    EXPECT_EQ(arr.PutVariant(bad, Variant(1)), DISP_E_BADINDEX) << bad;
  }
  EXPECT_EQ(v.lVal, 5) << "a refused read leaves the output alone";
  EXPECT_EQ(arr.PutVariant(10, Variant(L"x")), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(arr.GetVariant(10, nullptr), E_POINTER);
}

TEST(SafeArrayWrapperTest, CreateVectorRefusesImpossibleRequests) {
  EXPECT_THROW(SafeArray::CreateVector(VT_EMPTY, 0, 1), com::ComError);
  EXPECT_THROW(SafeArray::CreateVector(VT_I4, 2147483647, 2), com::ComError);
}

TEST(SafeArrayWrapperTest, VariantsCarryArraysBothWays) {
  Variant v = SafeArray::FromStrings({L"a", L"b"}).IntoVariant();
  EXPECT_EQ(v.vt(), VT_ARRAY | VT_VARIANT);
  SafeArray back;
  ASSERT_EQ(SafeArray::FromVariant(v, &back), S_OK);
  EXPECT_NE(back.Get(), v.parray) << "the variant keeps its own array";
  std::vector<std::wstring> out;
  ASSERT_EQ(back.ToStrings(&out), S_OK);
  EXPECT_EQ(out, (std::vector<std::wstring>{L"a", L"b"}));

  SAFEARRAY* held = v.parray;
  VARIANT ref;
  VariantInit(&ref);
  ref.vt = VT_ARRAY | VT_VARIANT | VT_BYREF;
  ref.pparray = &held;
  ASSERT_EQ(SafeArray::FromVariant(ref, &back), S_OK);
  ASSERT_EQ(back.ToStrings(&out), S_OK);
  EXPECT_EQ(out.size(), 2u);

  EXPECT_EQ(SafeArray::FromVariant(Variant(1), &back), DISP_E_TYPEMISMATCH);
  EXPECT_FALSE(back);
  EXPECT_EQ(SafeArray::FromVariant(Variant(1), nullptr), E_POINTER);
}

TEST(SafeArrayWrapperTest, OwnershipCopyMoveAndDetach) {
  SafeArray a = SafeArray::FromBytes(std::vector<BYTE>{1, 2, 3});
  SafeArray b = a;
  EXPECT_NE(a.Get(), b.Get());
  std::vector<BYTE> bytes;
  ASSERT_EQ(b.ToBytes(&bytes), S_OK);
  EXPECT_EQ(bytes, (std::vector<BYTE>{1, 2, 3}));
  SAFEARRAY* raw = a.Get();
  SafeArray c = std::move(a);
  EXPECT_EQ(c.Get(), raw);
  EXPECT_FALSE(a);
  SAFEARRAY* detached = c.Detach();
  EXPECT_FALSE(c);
  EXPECT_EQ(SafeArrayDestroy(detached), S_OK);
  auto produce = [](SAFEARRAY** out) {
    *out = SafeArrayCreateVector(VT_I2, 0, 1);
    return S_OK;
  };
  ASSERT_EQ(produce(b.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(b.Vartype(), VT_I2);
}

}  // namespace
