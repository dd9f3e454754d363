#include "platform/com/Variant.h"

#include <cstring>
#include <limits>

#include "platform/com/ComError.h"

namespace com {

Variant::Variant(const wchar_t* text) : Variant() {
  BSTR s = nullptr;
  if (text && !(s = SysAllocString(text))) throw ComError(E_OUTOFMEMORY);
  Raw().vt = VT_BSTR;
  bstrVal = s;
}

Variant::Variant(std::wstring_view text) : Variant() {
  if (text.size() > std::numeric_limits<UINT>::max() / sizeof(OLECHAR)) throw ComError(E_OUTOFMEMORY);
  BSTR s = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!s) throw ComError(E_OUTOFMEMORY);
  Raw().vt = VT_BSTR;
  bstrVal = s;
}

Variant::Variant(IUnknown* unk) noexcept : Variant() {
  Raw().vt = VT_UNKNOWN;
  punkVal = unk;
  if (unk) unk->AddRef();
}

Variant::Variant(IDispatch* disp) noexcept : Variant() {
  Raw().vt = VT_DISPATCH;
  pdispVal = disp;
  if (disp) disp->AddRef();
}

Variant::Variant(const VARIANT& other) : Variant() {
  HRESULT hr = VariantCopy(this, const_cast<VARIANT*>(&other));
  if (FAILED(hr)) throw ComError(hr);
}

Variant::Variant(Variant&& other) noexcept : Variant() {
  std::memcpy(static_cast<VARIANT*>(this), static_cast<const VARIANT*>(&other), sizeof(VARIANT));
  VariantInit(&other);
}

Variant& Variant::operator=(const Variant& other) {
  if (this != &other) {
    Variant copy(other);
    *this = std::move(copy);
  }
  return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this != &other) {
    Clear();
    std::memcpy(static_cast<VARIANT*>(this), static_cast<const VARIANT*>(&other), sizeof(VARIANT));
    VariantInit(&other);
  }
  return *this;
}

Variant Variant::Adopt(VARIANT& v) noexcept {
  Variant r;
  std::memcpy(static_cast<VARIANT*>(&r), &v, sizeof(VARIANT));
  VariantInit(&v);
  return r;
}

Variant Variant::Missing() noexcept {
  Variant r;
  r.Raw().vt = VT_ERROR;
  r.scode = DISP_E_PARAMNOTFOUND;
  return r;
}

void Variant::Clear() noexcept {
  // A variant that cannot be cleared (a locked array) is abandoned rather than reused half-freed.
  if (FAILED(VariantClear(this))) VariantInit(this);
}

VARIANT* Variant::ReleaseAndGetAddressOf() noexcept {
  Clear();
  return this;
}

HRESULT Variant::Detach(VARIANT* out) noexcept {
  if (!out) return E_POINTER;
  if (out == this) return S_OK;
  HRESULT hr = VariantClear(out);
  if (FAILED(hr)) return hr;
  std::memcpy(out, static_cast<VARIANT*>(this), sizeof(VARIANT));
  VariantInit(this);
  return S_OK;
}

HRESULT Variant::CopyTo(VARIANT* out) const noexcept {
  if (!out) return E_POINTER;
  return VariantCopy(out, const_cast<Variant*>(this));
}

HRESULT Variant::ChangeType(VARTYPE type, USHORT flags) noexcept {
  return VariantChangeType(this, this, flags, type);
}

Variant Variant::Converted(VARTYPE type) const {
  Variant r;
  HRESULT hr = VariantChangeType(&r, const_cast<Variant*>(this), 0, type);
  if (FAILED(hr)) throw ComError(hr);
  return r;
}

LONG Variant::ToLong() const { return Converted(VT_I4).lVal; }

bool Variant::ToBool() const { return Converted(VT_BOOL).boolVal != VARIANT_FALSE; }

double Variant::ToDouble() const { return Converted(VT_R8).dblVal; }

std::wstring Variant::ToString() const {
  Variant r = Converted(VT_BSTR);
  return r.bstrVal ? std::wstring(r.bstrVal, SysStringLen(r.bstrVal)) : std::wstring();
}

ComPtr<IDispatch> Variant::ToDispatch() const {
  Variant r = Converted(VT_DISPATCH);
  return ComPtr<IDispatch>(r.pdispVal);
}

ComPtr<IUnknown> Variant::ToUnknown() const {
  Variant r = Converted(VT_UNKNOWN);
  return ComPtr<IUnknown>(r.punkVal);
}

}  // namespace com
