// Which VARTYPEs a VARIANT may carry, shared by the variant and coercion functions.
#pragma once

#include "platform/com/ComTypes.h"

namespace com::portable {

constexpr VARTYPE kExtraTypeBits = VT_VECTOR | VT_ARRAY | VT_BYREF | VT_RESERVED;

// The base types this runtime keeps in a VARIANT. Records, vectors and the
// reserved bit are refused as Windows refuses them where no record support exists.
inline bool IsValidVariantType(VARTYPE vt) {
  const VARTYPE extra = vt & kExtraTypeBits;
  const VARTYPE base = vt & VT_TYPEMASK;
  if (extra & (VT_VECTOR | VT_RESERVED)) return false;
  if (base >= VT_VOID || base == 15) return false;
  // A reference to, or an array of, nothing is meaningless.
  if ((extra & (VT_BYREF | VT_ARRAY)) && base <= VT_NULL) return false;
  return true;
}

// Bytes a VT_BYREF of this base type points to; 0 when the type has no fixed-size payload.
inline std::size_t ScalarSize(VARTYPE base) {
  switch (base) {
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
    default:
      return 0;
  }
}

}  // namespace com::portable
