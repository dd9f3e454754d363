// VARIANT lifetime: initialise, clear (free what the variant owns), copy deep
// and copy with one level of VT_BYREF removed.
#include <cstring>

#include "platform/com/ComTypes.h"
#include "platform/portable/com/VariantTypes.h"

using com::portable::IsValidVariantType;
using com::portable::ScalarSize;

namespace {

void MakeEmpty(VARIANT* v) {
  std::memset(v, 0, sizeof(VARIANT));
  v->vt = VT_EMPTY;
}

// Deep-copies the owned payload of a non-reference variant whose bits are
// already in dest. On failure dest is left VT_EMPTY.
HRESULT DeepenCopy(VARIANT* dest) {
  HRESULT hr = S_OK;
  if (dest->vt & VT_ARRAY) {
    SAFEARRAY* copy = nullptr;
    hr = SafeArrayCopy(dest->parray, &copy);
    dest->parray = copy;
  } else if (dest->vt == VT_BSTR) {
    if (BSTR src = dest->bstrVal) {
      dest->bstrVal = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(src), SysStringByteLen(src));
      if (!dest->bstrVal) hr = E_OUTOFMEMORY;
    }
  } else if (dest->vt == VT_UNKNOWN || dest->vt == VT_DISPATCH) {
    if (dest->punkVal) dest->punkVal->AddRef();
  }
  if (FAILED(hr)) MakeEmpty(dest);
  return hr;
}

// Reads through a VT_BYREF into a fresh variant (deep copy of the referenced value).
HRESULT CopyReferenced(VARIANT* out, const VARIANT& src) {
  const VARTYPE base = src.vt & ~VT_BYREF;
  if (!src.byref) return E_INVALIDARG;
  if (base & VT_ARRAY) {
    out->vt = base;
    return SafeArrayCopy(*src.pparray, &out->parray);
  }
  switch (base) {
    case VT_BSTR:
      out->vt = VT_BSTR;
      out->bstrVal = *src.pbstrVal;
      return DeepenCopy(out);
    case VT_UNKNOWN:
    case VT_DISPATCH:
      out->vt = base;
      out->punkVal = *src.ppunkVal;
      return DeepenCopy(out);
    default:
      break;
  }
  const std::size_t size = ScalarSize(base);
  if (size == 0) return DISP_E_BADVARTYPE;
  out->vt = base;
  std::memcpy(&out->llVal, src.byref, size);
  return S_OK;
}

}  // namespace

void VariantInit(VARIANTARG* pvarg) {
  if (!pvarg) return;
  pvarg->vt = VT_EMPTY;
  pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
}

HRESULT VariantClear(VARIANTARG* pvarg) {
  if (!pvarg) return E_INVALIDARG;
  if (!IsValidVariantType(pvarg->vt)) return DISP_E_BADVARTYPE;
  HRESULT hr = S_OK;
  if (!(pvarg->vt & VT_BYREF)) {
    if (pvarg->vt & VT_ARRAY) {
      // A locked array cannot be destroyed; Windows reports that and empties
      // the variant all the same, leaving the array to whoever locked it.
      hr = SafeArrayDestroy(pvarg->parray);
    } else if (pvarg->vt == VT_BSTR) {
      SysFreeString(pvarg->bstrVal);
    } else if (pvarg->vt == VT_UNKNOWN || pvarg->vt == VT_DISPATCH) {
      if (pvarg->punkVal) pvarg->punkVal->Release();
    }
  }
  // Only the type changes: Windows leaves the value bits as they were.
  pvarg->vt = VT_EMPTY;
  return hr;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, VARIANTARG* pvargSrc) {
  if (!pvargDest || !pvargSrc) return E_INVALIDARG;
  if (!IsValidVariantType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
  if (pvargDest == pvargSrc) return S_OK;
  HRESULT hr = VariantClear(pvargDest);
  if (FAILED(hr)) return hr;
  std::memcpy(pvargDest, pvargSrc, sizeof(VARIANT));
  // References are copied as references: the referenced storage is not owned.
  if (pvargDest->vt & VT_BYREF) return S_OK;
  return DeepenCopy(pvargDest);
}

HRESULT VariantCopyInd(VARIANT* pvarDest, VARIANTARG* pvargSrc) {
  if (!pvarDest || !pvargSrc) return E_INVALIDARG;
  if (!IsValidVariantType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
  if (!(pvargSrc->vt & VT_BYREF)) return VariantCopy(pvarDest, pvargSrc);
  // The destination is freed first, as Windows documents: it is empty even when the copy then fails.
  if (pvarDest != pvargSrc) {
    if (HRESULT hr = VariantClear(pvarDest); FAILED(hr)) return hr;
  }

  const VARIANT* src = pvargSrc;
  if (src->vt == (VT_VARIANT | VT_BYREF)) {
    if (!src->pvarVal) return E_INVALIDARG;
    src = src->pvarVal;
    // A reference to a reference to a variant is not a value anyone can own.
    if (src->vt == (VT_VARIANT | VT_BYREF)) return E_INVALIDARG;
    if (!IsValidVariantType(src->vt)) return DISP_E_BADVARTYPE;
  }
  VARIANT tmp;
  MakeEmpty(&tmp);
  HRESULT hr = (src->vt & VT_BYREF) ? CopyReferenced(&tmp, *src) : VariantCopy(&tmp, const_cast<VARIANT*>(src));
  if (FAILED(hr)) {
    VariantClear(&tmp);
    return hr;
  }
  // The source may be the destination itself; a reference owns nothing, so overwriting it leaks nothing.
  std::memcpy(pvarDest, &tmp, sizeof(VARIANT));
  return S_OK;
}
