#include "platform/com/SafeArray.h"

#include <cstring>
#include <limits>

#include "platform/com/ComError.h"

namespace com {
namespace {

// Element sizes as the system lays them out; an array reporting another size was not made by it.
ULONG ExpectedElementSize(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
      return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
      return 8;
    case VT_BSTR:
      return sizeof(BSTR);
    case VT_UNKNOWN:
    case VT_DISPATCH:
      return sizeof(IUnknown*);
    case VT_VARIANT:
      return sizeof(VARIANT);
    default:
      return 0;
  }
}

}  // namespace

SafeArray::SafeArray(const SafeArray& o) {
  HRESULT hr = SafeArrayCopy(o.a_, &a_);
  if (FAILED(hr)) throw ComError(hr);
}

SafeArray& SafeArray::operator=(const SafeArray& o) {
  if (this != &o) *this = SafeArray(o);
  return *this;
}

SafeArray& SafeArray::operator=(SafeArray&& o) noexcept {
  if (this != &o) Reset(o.Detach());
  return *this;
}

SafeArray SafeArray::Adopt(SAFEARRAY* psa) noexcept {
  SafeArray r;
  r.a_ = psa;
  return r;
}

SafeArray SafeArray::CreateVector(VARTYPE vt, LONG lbound, ULONG count) {
  if (ExpectedElementSize(vt) == 0) throw ComError(E_INVALIDARG);
  // The upper bound must be representable as a LONG.
  if (count > 0 && static_cast<long long>(lbound) + count - 1 > std::numeric_limits<LONG>::max())
    throw ComError(E_INVALIDARG);
  SAFEARRAY* psa = SafeArrayCreateVector(vt, lbound, count);
  if (!psa) throw ComError(E_OUTOFMEMORY);
  return Adopt(psa);
}

SafeArray SafeArray::FromStrings(const std::vector<std::wstring>& items) {
  if (items.size() > std::numeric_limits<LONG>::max()) throw ComError(E_INVALIDARG);
  SafeArray arr = CreateVector(VT_VARIANT, 0, static_cast<ULONG>(items.size()));
  for (size_t i = 0; i < items.size(); ++i) {
    Variant item(items[i]);
    HRESULT hr = arr.PutVariant(static_cast<LONG>(i), item);
    if (FAILED(hr)) throw ComError(hr);
  }
  return arr;
}

SafeArray SafeArray::FromBytes(std::span<const BYTE> bytes) {
  if (bytes.size() > std::numeric_limits<LONG>::max()) throw ComError(E_INVALIDARG);
  SafeArray arr = CreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
  if (!bytes.empty()) {
    void* data = nullptr;
    HRESULT hr = SafeArrayAccessData(arr.a_, &data);
    if (FAILED(hr)) throw ComError(hr);
    std::memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(arr.a_);
  }
  return arr;
}

HRESULT SafeArray::FromVariant(const VARIANT& v, SafeArray* out) {
  if (!out) return E_POINTER;
  out->Reset();
  const VARIANT* src = &v;
  if (src->vt == (VT_VARIANT | VT_BYREF)) {
    if (!src->pvarVal) return E_INVALIDARG;
    src = src->pvarVal;
  }
  if (!(src->vt & VT_ARRAY)) return DISP_E_TYPEMISMATCH;
  SAFEARRAY* psa = nullptr;
  if (src->vt & VT_BYREF) {
    if (!src->pparray) return E_INVALIDARG;
    psa = *src->pparray;
  } else {
    psa = src->parray;
  }
  if (!psa) return E_INVALIDARG;
  return SafeArrayCopy(psa, out->ReleaseAndGetAddressOf());
}

void SafeArray::Reset(SAFEARRAY* psa) noexcept {
  if (psa == a_) return;
  if (a_) SafeArrayDestroy(a_);
  a_ = psa;
}

SAFEARRAY** SafeArray::ReleaseAndGetAddressOf() noexcept {
  Reset();
  return &a_;
}

VARTYPE SafeArray::Vartype() const noexcept {
  VARTYPE vt = VT_EMPTY;
  if (!a_ || FAILED(SafeArrayGetVartype(a_, &vt))) return VT_EMPTY;
  return vt;
}

HRESULT SafeArray::GetVectorBounds(LONG* lbound, ULONG* count) const noexcept {
  return CheckVector(VT_EMPTY, lbound, count);
}

HRESULT SafeArray::CheckVector(VARTYPE vt, LONG* lbound, ULONG* count) const noexcept {
  if (!lbound || !count) return E_POINTER;
  if (!a_ || SafeArrayGetDim(a_) != 1) return E_INVALIDARG;
  const VARTYPE actual = Vartype();
  if (vt != VT_EMPTY && actual != vt) return DISP_E_TYPEMISMATCH;
  const ULONG size = ExpectedElementSize(actual);
  if (size == 0 || SafeArrayGetElemsize(a_) != size) return DISP_E_BADVARTYPE;
  *lbound = a_->rgsabound[0].lLbound;
  *count = a_->rgsabound[0].cElements;
  if (*count > 0 && (!a_->pvData || static_cast<long long>(*lbound) + *count - 1 > std::numeric_limits<LONG>::max()))
    return E_INVALIDARG;
  return S_OK;
}

HRESULT SafeArray::GetVariant(LONG index, Variant* out) const {
  if (!out) return E_POINTER;
  LONG lbound = 0;
  ULONG count = 0;
  HRESULT hr = CheckVector(VT_EMPTY, &lbound, &count);
  if (FAILED(hr)) return hr;
  if (index < lbound || static_cast<long long>(index) - lbound >= static_cast<long long>(count)) return DISP_E_BADINDEX;

  const VARTYPE vt = Vartype();
  Variant value;
  if (vt == VT_VARIANT) {
    hr = SafeArrayGetElement(a_, &index, value.Ptr());
  } else {
    // The element's bytes land in the variant's value field; the runtime copies what it owns.
    VARIANT raw;
    VariantInit(&raw);
    raw.llVal = 0;
    hr = SafeArrayGetElement(a_, &index, &raw.llVal);
    if (SUCCEEDED(hr)) {
      raw.vt = vt;
      value = Variant::Adopt(raw);
    }
  }
  if (FAILED(hr)) return hr;
  *out = std::move(value);
  return S_OK;
}

HRESULT SafeArray::PutVariant(LONG index, const VARIANT& v) {
  LONG lbound = 0;
  ULONG count = 0;
  HRESULT hr = CheckVector(VT_EMPTY, &lbound, &count);
  if (FAILED(hr)) return hr;
  if (index < lbound || static_cast<long long>(index) - lbound >= static_cast<long long>(count)) return DISP_E_BADINDEX;
  const VARTYPE vt = Vartype();
  if (vt == VT_VARIANT) return SafeArrayPutElement(a_, &index, const_cast<VARIANT*>(&v));
  Variant value;
  hr = VariantChangeType(value.Ptr(), const_cast<VARIANT*>(&v), 0, vt);
  if (FAILED(hr)) return hr;
  // BSTR and interface elements are passed as the pointer itself, the rest by address.
  void* pv = &value.llVal;
  if (vt == VT_BSTR) pv = value.bstrVal;
  if (vt == VT_UNKNOWN || vt == VT_DISPATCH) pv = value.punkVal;
  return SafeArrayPutElement(a_, &index, pv);
}

HRESULT SafeArray::ToVariants(std::vector<Variant>* out) const {
  if (!out) return E_POINTER;
  out->clear();
  LONG lbound = 0;
  ULONG count = 0;
  HRESULT hr = CheckVector(VT_EMPTY, &lbound, &count);
  if (FAILED(hr)) return hr;
  std::vector<Variant> items(count);
  for (ULONG i = 0; i < count; ++i) {
    hr = GetVariant(static_cast<LONG>(lbound + static_cast<long long>(i)), &items[i]);
    if (FAILED(hr)) return hr;
  }
  *out = std::move(items);
  return S_OK;
}

HRESULT SafeArray::ToStrings(std::vector<std::wstring>* out) const {
  if (!out) return E_POINTER;
  out->clear();
  const VARTYPE vt = Vartype();
  if (a_ && vt != VT_BSTR && vt != VT_VARIANT) return DISP_E_TYPEMISMATCH;
  std::vector<Variant> items;
  HRESULT hr = ToVariants(&items);
  if (FAILED(hr)) return hr;
  std::vector<std::wstring> strings;
  strings.reserve(items.size());
  for (Variant& item : items) {
    hr = item.ChangeType(VT_BSTR);
    if (FAILED(hr)) return hr;
    strings.emplace_back(item.bstrVal ? std::wstring(item.bstrVal, SysStringLen(item.bstrVal)) : std::wstring());
  }
  *out = std::move(strings);
  return S_OK;
}

HRESULT SafeArray::ToBytes(std::vector<BYTE>* out) const {
  if (!out) return E_POINTER;
  out->clear();
  LONG lbound = 0;
  ULONG count = 0;
  HRESULT hr = CheckVector(VT_UI1, &lbound, &count);
  if (FAILED(hr)) return hr;
  if (count == 0) return S_OK;
  std::vector<BYTE> bytes(count);  // allocated before the lock is taken, so nothing throws while it is held
  void* data = nullptr;
  hr = SafeArrayAccessData(a_, &data);
  if (FAILED(hr)) return hr;
  std::memcpy(bytes.data(), data, count);
  SafeArrayUnaccessData(a_);
  *out = std::move(bytes);
  return S_OK;
}

Variant SafeArray::IntoVariant() && {
  Variant v;
  if (!a_) return v;
  const VARTYPE vt = Vartype();
  if (vt == VT_EMPTY) throw ComError(DISP_E_BADVARTYPE);
  VARIANT raw;
  VariantInit(&raw);
  raw.vt = static_cast<VARTYPE>(VT_ARRAY | vt);
  raw.parray = Detach();
  return Variant::Adopt(raw);
}

}  // namespace com
