// SAFEARRAY: a descriptor with the bounds stored rightmost dimension first, and
// a hidden header just before it that remembers the element type (or, for
// interface arrays, the interface's IID) as Windows keeps them.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/com/ComTypes.h"
#include "platform/portable/com/VariantTypes.h"

namespace {

constexpr std::size_t kHiddenHeader = 16;  // room for an IID; the VARTYPE sits in its last four bytes
constexpr ULONG kMaxLocks = 0xFFFF;

std::size_t DescriptorBytes(UINT cDims) {
  return sizeof(SAFEARRAY) + (cDims - 1) * sizeof(SAFEARRAYBOUND);
}

ULONG ElementSize(VARTYPE vt) {
  switch (vt) {
    case VT_BSTR:
      return sizeof(BSTR);
    case VT_UNKNOWN:
    case VT_DISPATCH:
      return sizeof(IUnknown*);
    case VT_VARIANT:
      return sizeof(VARIANT);
    default:
      return static_cast<ULONG>(com::portable::ScalarSize(vt));
  }
}

DWORD* HiddenVartype(SAFEARRAY* psa) {
  return reinterpret_cast<DWORD*>(psa) - 1;
}

GUID* HiddenIid(SAFEARRAY* psa) {
  return reinterpret_cast<GUID*>(reinterpret_cast<char*>(psa) - kHiddenHeader);
}

// Descriptors made here carry the hidden header; ones a caller built in its own
// memory say so with these flags and are never freed here.
bool OwnsDescriptor(const SAFEARRAY* psa) {
  return !(psa->fFeatures & (FADF_AUTO | FADF_STATIC | FADF_EMBEDDED));
}

SAFEARRAY* AllocateDescriptor(UINT cDims) {
  char* block = static_cast<char*>(std::calloc(1, kHiddenHeader + DescriptorBytes(cDims)));
  return block ? reinterpret_cast<SAFEARRAY*>(block + kHiddenHeader) : nullptr;
}

void FreeDescriptor(SAFEARRAY* psa) {
  std::free(reinterpret_cast<char*>(psa) - kHiddenHeader);
}

// Total element count; false on overflow of the addressable size.
bool ElementCount(const SAFEARRAY* psa, std::size_t* count) {
  std::size_t n = 1;
  for (USHORT d = 0; d < psa->cDims; ++d) {
    const std::size_t c = psa->rgsabound[d].cElements;
    if (c != 0 && n > std::numeric_limits<std::size_t>::max() / c) return false;
    n *= c;
  }
  if (psa->cbElements != 0 && n > std::numeric_limits<std::size_t>::max() / psa->cbElements) return false;
  *count = n;
  return true;
}

// Releases what each element owns; the element memory itself stays.
void ReleaseElements(SAFEARRAY* psa) {
  std::size_t count = 0;
  if (!psa->pvData || !ElementCount(psa, &count)) return;
  char* data = static_cast<char*>(psa->pvData);
  for (std::size_t i = 0; i < count; ++i) {
    void* cell = data + i * psa->cbElements;
    if (psa->fFeatures & FADF_BSTR) {
      SysFreeString(*static_cast<BSTR*>(cell));
      *static_cast<BSTR*>(cell) = nullptr;
    } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
      IUnknown*& unk = *static_cast<IUnknown**>(cell);
      if (unk) unk->Release();
      unk = nullptr;
    } else if (psa->fFeatures & FADF_VARIANT) {
      VariantClear(static_cast<VARIANT*>(cell));
    }
  }
}

// Copies one element into raw (zeroed) storage, taking new ownership.
HRESULT CopyElementInto(const SAFEARRAY* psa, void* dest, const void* src) {
  if (psa->fFeatures & FADF_BSTR) {
    BSTR s = *static_cast<const BSTR*>(src);
    BSTR copy = s ? SysAllocStringByteLen(reinterpret_cast<LPCSTR>(s), SysStringByteLen(s)) : nullptr;
    if (s && !copy) return E_OUTOFMEMORY;
    *static_cast<BSTR*>(dest) = copy;
  } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
    IUnknown* unk = *static_cast<IUnknown* const*>(src);
    if (unk) unk->AddRef();
    *static_cast<IUnknown**>(dest) = unk;
  } else if (psa->fFeatures & FADF_VARIANT) {
    return VariantCopy(static_cast<VARIANT*>(dest), const_cast<VARIANT*>(static_cast<const VARIANT*>(src)));
  } else {
    std::memcpy(dest, src, psa->cbElements);
  }
  return S_OK;
}

// The element at rgIndices (rgIndices[0] is the leftmost dimension, which varies fastest).
HRESULT CellOf(SAFEARRAY* psa, const LONG* rgIndices, void** cell) {
  if (!psa->pvData) return E_INVALIDARG;
  std::size_t offset = 0, stride = 1;
  for (USHORT d = 0; d < psa->cDims; ++d) {
    const SAFEARRAYBOUND& b = psa->rgsabound[psa->cDims - 1 - d];
    const long long rel = static_cast<long long>(rgIndices[d]) - b.lLbound;
    if (rel < 0 || rel >= static_cast<long long>(b.cElements)) return DISP_E_BADINDEX;
    offset += static_cast<std::size_t>(rel) * stride;
    stride *= b.cElements;
  }
  *cell = static_cast<char*>(psa->pvData) + offset * psa->cbElements;
  return S_OK;
}

void SetFeatures(SAFEARRAY* psa, VARTYPE vt) {
  if (vt == VT_DISPATCH) {
    psa->fFeatures = FADF_HAVEIID | FADF_DISPATCH;
    *HiddenIid(psa) = IID_IDispatch;
  } else if (vt == VT_UNKNOWN) {
    psa->fFeatures = FADF_HAVEIID | FADF_UNKNOWN;
    *HiddenIid(psa) = IID_IUnknown;
  } else {
    psa->fFeatures = FADF_HAVEVARTYPE;
    *HiddenVartype(psa) = vt;
    if (vt == VT_BSTR) psa->fFeatures |= FADF_BSTR;
    if (vt == VT_VARIANT) psa->fFeatures |= FADF_VARIANT;
  }
}

std::atomic_ref<ULONG> LockCount(SAFEARRAY* psa) {
  return std::atomic_ref<ULONG>(psa->cLocks);
}

}  // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) {
  const ULONG cb = ElementSize(vt);
  if (cb == 0 || cDims == 0 || cDims > 0xFFFF || !rgsabound) return nullptr;
  SAFEARRAY* psa = AllocateDescriptor(cDims);
  if (!psa) return nullptr;
  psa->cDims = static_cast<USHORT>(cDims);
  psa->cbElements = cb;
  for (UINT i = 0; i < cDims; ++i) psa->rgsabound[i] = rgsabound[cDims - 1 - i];
  SetFeatures(psa, vt);
  std::size_t count = 0;
  if (!ElementCount(psa, &count)) {
    FreeDescriptor(psa);
    return nullptr;
  }
  if (count != 0) {
    // Zeroed memory is already a valid array of null BSTRs, null pointers and VT_EMPTY variants.
    psa->pvData = std::calloc(count, cb);
    if (!psa->pvData) {
      FreeDescriptor(psa);
      return nullptr;
    }
  }
  return psa;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
  SAFEARRAYBOUND bound = {cElements, lLbound};
  return SafeArrayCreate(vt, 1, &bound);
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
  if (!psa) return S_OK;
  if (LockCount(psa).load() > 0) return DISP_E_ARRAYISLOCKED;
  ReleaseElements(psa);
  if (OwnsDescriptor(psa)) {
    std::free(psa->pvData);
    FreeDescriptor(psa);
  }
  return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut) {
  if (!ppsaOut) return E_INVALIDARG;
  *ppsaOut = nullptr;
  if (!psa) return S_OK;
  if (psa->cDims == 0 || psa->cbElements == 0) return E_INVALIDARG;
  std::size_t count = 0;
  if (!ElementCount(psa, &count)) return E_OUTOFMEMORY;
  if (count != 0 && !psa->pvData) return E_INVALIDARG;

  SAFEARRAY* copy = AllocateDescriptor(psa->cDims);
  if (!copy) return E_OUTOFMEMORY;
  std::memcpy(copy, psa, DescriptorBytes(psa->cDims));
  // The copy is a plain heap array whatever the original was.
  copy->fFeatures &= static_cast<USHORT>(~(FADF_AUTO | FADF_STATIC | FADF_EMBEDDED | FADF_FIXEDSIZE));
  copy->cLocks = 0;
  copy->pvData = nullptr;
  if (OwnsDescriptor(psa)) std::memcpy(HiddenIid(copy), HiddenIid(psa), kHiddenHeader);
  if (count != 0) {
    copy->pvData = std::calloc(count, copy->cbElements);
    if (!copy->pvData) {
      FreeDescriptor(copy);
      return E_OUTOFMEMORY;
    }
    const char* from = static_cast<const char*>(psa->pvData);
    char* to = static_cast<char*>(copy->pvData);
    for (std::size_t i = 0; i < count; ++i) {
      HRESULT hr = CopyElementInto(copy, to + i * copy->cbElements, from + i * copy->cbElements);
      if (FAILED(hr)) {
        SafeArrayDestroy(copy);
        return hr;
      }
    }
  }
  *ppsaOut = copy;
  return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* psa) {
  return psa ? psa->cDims : 0;
}

UINT SafeArrayGetElemsize(SAFEARRAY* psa) {
  return psa ? psa->cbElements : 0;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) {
  if (!psa || !pvt) return E_INVALIDARG;
  if (psa->fFeatures & FADF_RECORD) {
    *pvt = VT_RECORD;
  } else if (psa->fFeatures & FADF_HAVEIID) {
    *pvt = (psa->fFeatures & FADF_DISPATCH) ? VT_DISPATCH : VT_UNKNOWN;
  } else if (psa->fFeatures & FADF_HAVEVARTYPE) {
    *pvt = static_cast<VARTYPE>(*HiddenVartype(psa));
  } else {
    return E_INVALIDARG;
  }
  return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
  if (!psa || !plLbound) return E_INVALIDARG;
  if (nDim == 0 || nDim > psa->cDims) return DISP_E_BADINDEX;
  *plLbound = psa->rgsabound[psa->cDims - nDim].lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
  if (!psa || !plUbound) return E_INVALIDARG;
  if (nDim == 0 || nDim > psa->cDims) return DISP_E_BADINDEX;
  const SAFEARRAYBOUND& b = psa->rgsabound[psa->cDims - nDim];
  *plUbound = static_cast<LONG>(static_cast<long long>(b.lLbound) + b.cElements - 1);
  return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
  if (!psa || !rgIndices || !pv) return E_INVALIDARG;
  HRESULT hr = SafeArrayLock(psa);
  if (FAILED(hr)) return hr;
  void* cell = nullptr;
  hr = CellOf(psa, rgIndices, &cell);
  if (SUCCEEDED(hr)) {
    if (psa->fFeatures & FADF_VARIANT) {
      // As on Windows the destination is a live variant: its old value is released.
      hr = VariantCopy(static_cast<VARIANT*>(pv), static_cast<VARIANT*>(cell));
    } else {
      hr = CopyElementInto(psa, pv, cell);
    }
  }
  SafeArrayUnlock(psa);
  return hr;
}

HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
  if (!psa || !rgIndices) return E_INVALIDARG;
  // BSTR and interface elements are passed by value and may be null; everything else by address.
  const bool byValue = psa->fFeatures & (FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH);
  if (!pv && !byValue) return E_INVALIDARG;
  HRESULT hr = SafeArrayLock(psa);
  if (FAILED(hr)) return hr;
  void* cell = nullptr;
  hr = CellOf(psa, rgIndices, &cell);
  if (SUCCEEDED(hr)) {
    if (psa->fFeatures & FADF_BSTR) {
      BSTR s = static_cast<BSTR>(pv);
      BSTR copy = s ? SysAllocStringByteLen(reinterpret_cast<LPCSTR>(s), SysStringByteLen(s)) : nullptr;
      if (s && !copy) {
        hr = E_OUTOFMEMORY;
      } else {
        SysFreeString(*static_cast<BSTR*>(cell));
        *static_cast<BSTR*>(cell) = copy;
      }
    } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
      IUnknown* unk = static_cast<IUnknown*>(pv);
      if (unk) unk->AddRef();
      IUnknown*& slot = *static_cast<IUnknown**>(cell);
      if (slot) slot->Release();
      slot = unk;
    } else if (psa->fFeatures & FADF_VARIANT) {
      hr = VariantCopy(static_cast<VARIANT*>(cell), static_cast<VARIANT*>(pv));
    } else {
      std::memcpy(cell, pv, psa->cbElements);
    }
  }
  SafeArrayUnlock(psa);
  return hr;
}

HRESULT SafeArrayLock(SAFEARRAY* psa) {
  if (!psa) return E_INVALIDARG;
  auto locks = LockCount(psa);
  ULONG n = locks.load();
  do {
    if (n >= kMaxLocks) return E_UNEXPECTED;
  } while (!locks.compare_exchange_weak(n, n + 1));
  return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* psa) {
  if (!psa) return E_INVALIDARG;
  auto locks = LockCount(psa);
  ULONG n = locks.load();
  do {
    if (n == 0) return E_UNEXPECTED;
  } while (!locks.compare_exchange_weak(n, n - 1));
  return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
  if (!psa || !ppvData) return E_INVALIDARG;
  HRESULT hr = SafeArrayLock(psa);
  *ppvData = SUCCEEDED(hr) ? psa->pvData : nullptr;
  return hr;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) {
  return SafeArrayUnlock(psa);
}
