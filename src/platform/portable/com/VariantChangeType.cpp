// The coercions automation relies on: late-bound callers hand over whatever
// VARIANT they hold and the callee asks for the type it needs.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/com/ComTypes.h"
#include "platform/com/Text.h"
#include "platform/portable/com/NumberText.h"
#include "platform/portable/com/VariantTypes.h"

namespace com::portable {
namespace {

// An object whose value property returns itself (or a chain of objects) must not recurse forever.
constexpr int kMaxValuePropertyDepth = 8;

HRESULT ChangeType(VARIANT* dest, const VARIANT* src, LCID lcid, USHORT flags, VARTYPE vt, int depth);

void MakeEmpty(VARIANT* v) {
  std::memset(v, 0, sizeof(VARIANT));
}

// A numeric source value. Booleans keep their VARIANT_BOOL bits (-1/0).
struct Scalar {
  enum Kind { Signed, Unsigned, Real } kind;
  std::int64_t s = 0;
  std::uint64_t u = 0;
  double d = 0.0;
};

bool ReadScalar(const VARIANT& v, Scalar* out) {
  switch (v.vt) {
    case VT_I1: *out = {Scalar::Signed, v.cVal}; return true;
    case VT_I2: *out = {Scalar::Signed, v.iVal}; return true;
    case VT_BOOL: *out = {Scalar::Signed, v.boolVal}; return true;
    case VT_I4: *out = {Scalar::Signed, v.lVal}; return true;
    case VT_INT: *out = {Scalar::Signed, v.intVal}; return true;
    case VT_I8: *out = {Scalar::Signed, v.llVal}; return true;
    case VT_UI1: *out = {Scalar::Unsigned, 0, v.bVal}; return true;
    case VT_UI2: *out = {Scalar::Unsigned, 0, v.uiVal}; return true;
    case VT_UI4: *out = {Scalar::Unsigned, 0, v.ulVal}; return true;
    case VT_UINT: *out = {Scalar::Unsigned, 0, v.uintVal}; return true;
    case VT_UI8: *out = {Scalar::Unsigned, 0, v.ullVal}; return true;
    case VT_R4: *out = {Scalar::Real, 0, 0, v.fltVal}; return true;
    case VT_R8: *out = {Scalar::Real, 0, 0, v.dblVal}; return true;
    default: return false;
  }
}

struct IntegerType {
  bool isSigned;
  int bits;
};

bool IntegerTypeOf(VARTYPE vt, IntegerType* out) {
  switch (vt) {
    case VT_I1: *out = {true, 8}; return true;
    case VT_UI1: *out = {false, 8}; return true;
    case VT_I2: *out = {true, 16}; return true;
    case VT_UI2: *out = {false, 16}; return true;
    case VT_I4:
    case VT_INT: *out = {true, 32}; return true;
    case VT_UI4:
    case VT_UINT: *out = {false, 32}; return true;
    case VT_I8: *out = {true, 64}; return true;
    case VT_UI8: *out = {false, 64}; return true;
    default: return false;
  }
}

std::uint64_t MaxMagnitude(IntegerType t, bool negative) {
  if (!t.isSigned) return negative ? 0 : (t.bits == 64 ? UINT64_MAX : (std::uint64_t{1} << t.bits) - 1);
  const std::uint64_t half = std::uint64_t{1} << (t.bits - 1);
  return negative ? half : half - 1;
}

// Range-checks ±magnitude for the target and stores it.
HRESULT StoreInteger(VARIANT* out, VARTYPE vt, IntegerType t, bool negative, std::uint64_t magnitude) {
  if (magnitude == 0) negative = false;
  if (magnitude > MaxMagnitude(t, negative)) return DISP_E_OVERFLOW;
  const std::uint64_t bits = negative ? std::uint64_t{0} - magnitude : magnitude;
  out->vt = vt;
  switch (vt) {
    case VT_I1: out->cVal = static_cast<CHAR>(bits); break;
    case VT_UI1: out->bVal = static_cast<BYTE>(bits); break;
    case VT_I2: out->iVal = static_cast<SHORT>(bits); break;
    case VT_UI2: out->uiVal = static_cast<USHORT>(bits); break;
    case VT_I4: out->lVal = static_cast<LONG>(bits); break;
    case VT_INT: out->intVal = static_cast<INT>(bits); break;
    case VT_UI4: out->ulVal = static_cast<ULONG>(bits); break;
    case VT_UINT: out->uintVal = static_cast<UINT>(bits); break;
    case VT_I8: out->llVal = static_cast<LONGLONG>(bits); break;
    case VT_UI8: out->ullVal = bits; break;
    default: return DISP_E_TYPEMISMATCH;
  }
  return S_OK;
}

HRESULT RealToInteger(VARIANT* out, VARTYPE vt, IntegerType t, double d) {
  if (std::isnan(d)) return DISP_E_OVERFLOW;
  const double r = RoundHalfEven(d);
  if (std::fabs(r) >= 18446744073709551616.0) return DISP_E_OVERFLOW;
  return StoreInteger(out, vt, t, r < 0, static_cast<std::uint64_t>(std::fabs(r)));
}

// Strings are read up to their first zero, as the parsing functions see them.
std::wstring_view TextOf(BSTR s) {
  return s ? std::wstring_view(s) : std::wstring_view();
}

HRESULT ToInteger(VARIANT* out, const VARIANT& v, VARTYPE vt) {
  IntegerType t{};
  IntegerTypeOf(vt, &t);
  if (v.vt == VT_EMPTY) return StoreInteger(out, vt, t, false, 0);
  if (v.vt == VT_BSTR) {
    ParsedNumber n;
    if (!ParseNumber(TextOf(v.bstrVal), &n)) return DISP_E_TYPEMISMATCH;
    std::uint64_t magnitude = 0;
    if (!RoundToInteger(n, &magnitude)) return DISP_E_OVERFLOW;
    if (n.radixLiteral && !n.negative && t.isSigned && t.bits < 64 && magnitude < (std::uint64_t{1} << t.bits) &&
        magnitude > MaxMagnitude(t, false)) {
      // "&HFFFF" as a 16-bit integer is -1: the literal gives the bits.
      return StoreInteger(out, vt, t, true, (std::uint64_t{1} << t.bits) - magnitude);
    }
    if (n.radixLiteral && !n.negative && t.isSigned && t.bits == 64 && magnitude > MaxMagnitude(t, false))
      return StoreInteger(out, vt, t, true, std::uint64_t{0} - magnitude);
    return StoreInteger(out, vt, t, n.negative, magnitude);
  }
  Scalar s{};
  if (!ReadScalar(v, &s)) return DISP_E_TYPEMISMATCH;
  // Between a signed and an unsigned integer of one size Windows keeps the
  // bits: UI4 0xFFFFFFFF becomes I4 -1 without an overflow.
  IntegerType from{};
  if (v.vt != VT_BOOL && IntegerTypeOf(v.vt, &from) && from.bits == t.bits && from.isSigned != t.isSigned) {
    const std::uint64_t mask = t.bits == 64 ? UINT64_MAX : (std::uint64_t{1} << t.bits) - 1;
    const std::uint64_t bits = (s.kind == Scalar::Signed ? static_cast<std::uint64_t>(s.s) : s.u) & mask;
    const bool negative = t.isSigned && (bits >> (t.bits - 1)) != 0;
    return StoreInteger(out, vt, t, negative, negative ? ((std::uint64_t{0} - bits) & mask) : bits);
  }
  // A true VARIANT_BOOL is all bits set, whatever the width.
  if (v.vt == VT_BOOL && !t.isSigned) return StoreInteger(out, vt, t, false, v.boolVal ? MaxMagnitude(t, false) : 0);
  switch (s.kind) {
    case Scalar::Signed:
      return StoreInteger(out, vt, t, s.s < 0, s.s < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(s.s)
                                                         : static_cast<std::uint64_t>(s.s));
    case Scalar::Unsigned:
      return StoreInteger(out, vt, t, false, s.u);
    case Scalar::Real:
      return RealToInteger(out, vt, t, s.d);
  }
  return DISP_E_TYPEMISMATCH;
}

HRESULT StoreReal(VARIANT* out, VARTYPE vt, double d) {
  if (vt == VT_R4) {
    if (std::isfinite(d) && std::fabs(d) > FLT_MAX) return DISP_E_OVERFLOW;
    out->vt = VT_R4;
    out->fltVal = static_cast<FLOAT>(d);
  } else {
    out->vt = VT_R8;
    out->dblVal = d;
  }
  return S_OK;
}

HRESULT ToReal(VARIANT* out, const VARIANT& v, VARTYPE vt) {
  if (v.vt == VT_EMPTY) return StoreReal(out, vt, 0.0);
  if (v.vt == VT_BSTR) {
    ParsedNumber n;
    if (!ParseNumber(TextOf(v.bstrVal), &n)) return DISP_E_TYPEMISMATCH;
    double d = 0.0;
    if (!ToDouble(n, &d)) return DISP_E_OVERFLOW;
    return StoreReal(out, vt, d);
  }
  Scalar s{};
  if (!ReadScalar(v, &s)) return DISP_E_TYPEMISMATCH;
  switch (s.kind) {
    case Scalar::Signed: return StoreReal(out, vt, static_cast<double>(s.s));
    case Scalar::Unsigned: return StoreReal(out, vt, static_cast<double>(s.u));
    case Scalar::Real: return StoreReal(out, vt, s.d);
  }
  return DISP_E_TYPEMISMATCH;
}

HRESULT StoreBool(VARIANT* out, bool value) {
  out->vt = VT_BOOL;
  out->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT ToBool(VARIANT* out, const VARIANT& v) {
  if (v.vt == VT_EMPTY) return StoreBool(out, false);
  if (v.vt == VT_BSTR) {
    std::wstring_view text = TextOf(v.bstrVal);
    while (!text.empty() && (text.front() == L' ' || text.front() == L'\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == L' ' || text.back() == L'\t')) text.remove_suffix(1);
    if (com::EqualsNoCase(text, L"True")) return StoreBool(out, true);
    if (com::EqualsNoCase(text, L"False")) return StoreBool(out, false);
    ParsedNumber n;
    if (!ParseNumber(text, &n)) return DISP_E_TYPEMISMATCH;
    return StoreBool(out, n.radixLiteral ? n.bits != 0 : !n.digits.empty());
  }
  Scalar s{};
  if (!ReadScalar(v, &s)) return DISP_E_TYPEMISMATCH;
  switch (s.kind) {
    case Scalar::Signed: return StoreBool(out, s.s != 0);
    case Scalar::Unsigned: return StoreBool(out, s.u != 0);
    case Scalar::Real: return StoreBool(out, s.d != 0.0);
  }
  return DISP_E_TYPEMISMATCH;
}

HRESULT StoreString(VARIANT* out, const std::wstring& text) {
  BSTR s = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!s) return E_OUTOFMEMORY;
  out->vt = VT_BSTR;
  out->bstrVal = s;
  return S_OK;
}

HRESULT ToString(VARIANT* out, const VARIANT& v, USHORT flags) {
  if (v.vt == VT_EMPTY) return StoreString(out, std::wstring());
  if (v.vt == VT_BOOL) {
    if (flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL)) return StoreString(out, v.boolVal ? L"True" : L"False");
    return StoreString(out, v.boolVal ? L"-1" : L"0");
  }
  Scalar s{};
  if (!ReadScalar(v, &s)) return DISP_E_TYPEMISMATCH;
  switch (s.kind) {
    case Scalar::Signed: return StoreString(out, std::to_wstring(s.s));
    case Scalar::Unsigned: return StoreString(out, std::to_wstring(s.u));
    case Scalar::Real: return StoreString(out, FormatReal(s.d, v.vt == VT_R4 ? 7 : 15));
  }
  return DISP_E_TYPEMISMATCH;
}

// Interface pointers convert by QueryInterface; a null pointer stays null.
// Nothing else becomes an object, not even VT_EMPTY (as on Windows).
HRESULT ToInterface(VARIANT* out, const VARIANT& v, VARTYPE vt) {
  if (v.vt != VT_UNKNOWN && v.vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
  out->vt = vt;
  out->punkVal = nullptr;
  if (!v.punkVal) return S_OK;
  void* itf = nullptr;
  HRESULT hr = v.punkVal->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, &itf);
  if (FAILED(hr) || !itf) {
    out->vt = VT_EMPTY;
    // Windows hands on the object's own answer (E_NOINTERFACE, usually).
    return FAILED(hr) ? hr : E_NOINTERFACE;
  }
  out->punkVal = static_cast<IUnknown*>(itf);
  return S_OK;
}

// An object stands for its value: the DISPID_VALUE property, read without arguments.
HRESULT ValueOf(VARIANT* out, const VARIANT& v, LCID lcid, USHORT flags, VARTYPE vt, int depth) {
  // A null object has no value to read; Windows reports the variant itself as unusable.
  if (!v.pdispVal) return DISP_E_BADVARTYPE;
  if (depth >= kMaxValuePropertyDepth) return DISP_E_TYPEMISMATCH;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT value;
  MakeEmpty(&value);
  HRESULT hr = v.pdispVal->Invoke(DISPID_VALUE, IID_NULL, lcid, DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr);
  if (FAILED(hr)) {
    VariantClear(&value);
    return DISP_E_TYPEMISMATCH;
  }
  hr = ChangeType(out, &value, lcid, flags, vt, depth + 1);
  VariantClear(&value);
  return hr;
}

// Converts a dereferenced, non-array value into an empty `out`.
HRESULT Coerce(VARIANT* out, const VARIANT& v, LCID lcid, USHORT flags, VARTYPE vt, int depth) {
  const VARTYPE from = v.vt;
  if (vt == from) return VariantCopy(out, const_cast<VARIANT*>(&v));
  if ((vt & (VT_ARRAY | VT_BYREF)) || (from & VT_ARRAY)) return DISP_E_TYPEMISMATCH;
  if ((flags & VARIANT_NOVALUEPROP) && from == VT_DISPATCH && vt != VT_UNKNOWN) return DISP_E_TYPEMISMATCH;

  IntegerType integer{};
  const bool isInteger = IntegerTypeOf(vt, &integer);
  const bool wantsValue = isInteger || vt == VT_R4 || vt == VT_R8 || vt == VT_BOOL || vt == VT_BSTR;
  if (from == VT_DISPATCH && wantsValue) return ValueOf(out, v, lcid, flags, vt, depth);

  if (isInteger) return ToInteger(out, v, vt);
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
      // Anything but an error code can be dropped; a null cannot become empty.
      if (from == VT_ERROR || (vt == VT_EMPTY && from == VT_NULL)) return DISP_E_TYPEMISMATCH;
      out->vt = vt;
      return S_OK;
    case VT_R4:
    case VT_R8:
      return ToReal(out, v, vt);
    case VT_BOOL:
      return ToBool(out, v);
    case VT_BSTR:
      return ToString(out, v, flags);
    case VT_UNKNOWN:
    case VT_DISPATCH:
      return ToInterface(out, v, vt);
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

HRESULT ChangeType(VARIANT* dest, const VARIANT* src, LCID lcid, USHORT flags, VARTYPE vt, int depth) {
  if (!dest || !src) return E_INVALIDARG;
  if (vt == VT_CLSID || !IsValidVariantType(vt) || !IsValidVariantType(src->vt)) return DISP_E_BADVARTYPE;
  if ((src->vt & VT_BYREF) && !src->byref) return DISP_E_TYPEMISMATCH;

  VARIANT value;
  MakeEmpty(&value);
  HRESULT hr = VariantCopyInd(&value, const_cast<VARIANT*>(src));
  if (FAILED(hr)) return hr;
  VARIANT result;
  MakeEmpty(&result);
  hr = Coerce(&result, value, lcid, flags, vt, depth);
  VariantClear(&value);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  // Only now is the destination touched, so a failed conversion leaves it as it was.
  hr = VariantClear(dest);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  std::memcpy(dest, &result, sizeof(VARIANT));
  return S_OK;
}

}  // namespace
}  // namespace com::portable

HRESULT VariantChangeType(VARIANTARG* pvargDest, VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt) {
  return com::portable::ChangeType(pvargDest, pvarSrc, LOCALE_USER_DEFAULT, wFlags, vt, 0);
}

HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, VARIANTARG* pvarSrc, LCID lcid, USHORT wFlags, VARTYPE vt) {
  return com::portable::ChangeType(pvargDest, pvarSrc, lcid, wFlags, vt, 0);
}
