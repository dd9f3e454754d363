// An owning SAFEARRAY and the one-dimensional arrays automation passes around:
// a vector of strings (as VARIANTs holding BSTRs) and a vector of bytes.
// Readers check dimensions, element type, element size and bounds and answer
// with an HRESULT, so an array from an outside component is never read out of range.
#pragma once

#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/ComTypes.h"
#include "platform/com/Variant.h"

namespace com {

class SafeArray {
 public:
  SafeArray() = default;
  // Deep copy (SafeArrayCopy); throws ComError when it fails.
  SafeArray(const SafeArray& o);
  SafeArray(SafeArray&& o) noexcept : a_(std::exchange(o.a_, nullptr)) {}
  ~SafeArray() { Reset(); }
  SafeArray& operator=(const SafeArray& o);
  SafeArray& operator=(SafeArray&& o) noexcept;

  // Takes ownership of psa.
  static SafeArray Adopt(SAFEARRAY* psa) noexcept;
  // A one-dimensional array of count zeroed elements (null BSTRs, VT_EMPTY variants).
  // Throws ComError(E_INVALIDARG) for an element type arrays cannot hold, E_OUTOFMEMORY otherwise.
  static SafeArray CreateVector(VARTYPE vt, LONG lbound, ULONG count);
  // A VT_VARIANT vector (lower bound 0) whose elements are VT_BSTR.
  static SafeArray FromStrings(const std::vector<std::wstring>& items);
  // A VT_UI1 vector (lower bound 0).
  static SafeArray FromBytes(std::span<const BYTE> bytes);
  // Copies the array a VT_ARRAY variant holds (also through VT_BYREF); DISP_E_TYPEMISMATCH otherwise.
  static HRESULT FromVariant(const VARIANT& v, SafeArray* out);

  SAFEARRAY* Get() const noexcept { return a_; }
  explicit operator bool() const noexcept { return a_ != nullptr; }
  SAFEARRAY* Detach() noexcept { return std::exchange(a_, nullptr); }
  // Destroys what is held and takes ownership of psa.
  void Reset(SAFEARRAY* psa = nullptr) noexcept;
  SAFEARRAY** ReleaseAndGetAddressOf() noexcept;

  // VT_EMPTY when there is no array or its element type is not recorded.
  VARTYPE Vartype() const noexcept;
  UINT Dims() const noexcept { return SafeArrayGetDim(a_); }
  // Bounds of a one-dimensional array; E_INVALIDARG for anything else.
  HRESULT GetVectorBounds(LONG* lbound, ULONG* count) const noexcept;

  // Element `index` of a one-dimensional array as a VARIANT of the element type
  // (a VT_VARIANT array gives the stored variant). DISP_E_BADINDEX outside the bounds.
  HRESULT GetVariant(LONG index, Variant* out) const;
  // Stores v at `index`, converted to the element type unless the array holds variants.
  HRESULT PutVariant(LONG index, const VARIANT& v);

  // Readers of whole one-dimensional arrays. On failure *out is left empty.
  HRESULT ToVariants(std::vector<Variant>* out) const;
  // Accepts VT_BSTR arrays and VT_VARIANT arrays whose elements convert to strings.
  HRESULT ToStrings(std::vector<std::wstring>* out) const;
  // Accepts VT_UI1 arrays only.
  HRESULT ToBytes(std::vector<BYTE>* out) const;

  // Moves the array into a VT_ARRAY|vt variant; this is left empty.
  Variant IntoVariant() &&;

 private:
  // Checks that the array is a well-formed vector of `vt` (any when VT_EMPTY).
  HRESULT CheckVector(VARTYPE vt, LONG* lbound, ULONG* count) const noexcept;

  SAFEARRAY* a_ = nullptr;
};

}  // namespace com
