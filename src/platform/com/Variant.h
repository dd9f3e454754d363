// An owning VARIANT. It is a VARIANT (so `&v` or `v.Ptr()` goes wherever a
// VARIANT* is expected) that frees its content on destruction. Copies are deep
// (VariantCopy); moves hand the content over and leave VT_EMPTY behind.
#pragma once

#include <concepts>
#include <type_traits>
#include <string>
#include <string_view>

#include "platform/com/ComPtr.h"
#include "platform/com/ComTypes.h"

namespace com {

class Variant : public VARIANT {
 public:
  Variant() noexcept { VariantInit(this); }
  // Booleans only from bool itself, so a stray pointer never becomes VT_BOOL.
  template <class B>
    requires std::same_as<B, bool>
  Variant(B value) noexcept : Variant() {
    Raw().vt = VT_BOOL;
    boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  }
  // Integers up to 32 bits are VT_I4 (an automation "long"); wider ones VT_I8/VT_UI8.
  template <std::integral T>
    requires(!std::same_as<T, bool>)
  Variant(T value) noexcept : Variant() {
    if constexpr (sizeof(T) < 4 || (sizeof(T) == 4 && std::is_signed_v<T>)) {
      Raw().vt = VT_I4;
      lVal = static_cast<LONG>(value);
    } else if constexpr (sizeof(T) == 4) {
      Raw().vt = VT_UI4;
      ulVal = static_cast<ULONG>(value);
    } else if constexpr (std::is_signed_v<T>) {
      Raw().vt = VT_I8;
      llVal = static_cast<LONGLONG>(value);
    } else {
      Raw().vt = VT_UI8;
      ullVal = static_cast<ULONGLONG>(value);
    }
  }
  Variant(double value) noexcept : Variant() {
    Raw().vt = VT_R8;
    dblVal = value;
  }
  // VT_BSTR; a null pointer gives a null BSTR. Throw ComError(E_OUTOFMEMORY).
  Variant(const wchar_t* text);
  Variant(std::wstring_view text);
  Variant(const std::wstring& text) : Variant(std::wstring_view(text)) {}
  // Interface pointers are held with a new reference; null is allowed.
  Variant(IUnknown* unk) noexcept;
  Variant(IDispatch* disp) noexcept;
  // Deep copies; throw ComError when the source cannot be copied (bad type, no memory).
  explicit Variant(const VARIANT& other);
  Variant(const Variant& other) : Variant(static_cast<const VARIANT&>(other)) {}
  Variant(Variant&& other) noexcept;
  ~Variant() { Clear(); }

  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept;

  // Takes over the content of v, which is left VT_EMPTY.
  static Variant Adopt(VARIANT& v) noexcept;
  // VT_ERROR/DISP_E_PARAMNOTFOUND: how automation marks an omitted optional argument.
  static Variant Missing() noexcept;

  VARIANT* Ptr() noexcept { return this; }
  const VARIANT* Ptr() const noexcept { return this; }
  VARTYPE vt() const noexcept { return Raw().vt; }
  bool IsEmpty() const noexcept { return vt() == VT_EMPTY; }
  bool IsMissing() const noexcept { return vt() == VT_ERROR && scode == DISP_E_PARAMNOTFOUND; }

  void Clear() noexcept;
  // For out parameters: clears first.
  VARIANT* ReleaseAndGetAddressOf() noexcept;
  // Moves the content into *out (an initialised variant, cleared first) and leaves this VT_EMPTY.
  HRESULT Detach(VARIANT* out) noexcept;
  // Copies the content into *out (an initialised variant, cleared first).
  HRESULT CopyTo(VARIANT* out) const noexcept;
  // Converts in place with VariantChangeType; on failure the value is unchanged.
  HRESULT ChangeType(VARTYPE type, USHORT flags = 0) noexcept;

  // The value converted as automation converts arguments (VariantChangeType, so
  // references are followed and objects give their value property). Throw
  // ComError with the conversion's HRESULT when it does not convert.
  LONG ToLong() const;
  bool ToBool() const;
  double ToDouble() const;
  std::wstring ToString() const;
  ComPtr<IDispatch> ToDispatch() const;
  ComPtr<IUnknown> ToUnknown() const;

 private:
  VARIANT& Raw() noexcept { return *this; }
  const VARIANT& Raw() const noexcept { return *this; }
  Variant Converted(VARTYPE type) const;
};

}  // namespace com
