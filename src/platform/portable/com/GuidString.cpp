// GUIDs as text: the braced, upper-case registry form {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
#include "platform/com/ComTypes.h"

namespace {

constexpr int kGuidChars = 38;

void PutHex(LPOLESTR& out, std::uint64_t value, int digits) {
  static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
  for (int i = digits - 1; i >= 0; --i) *out++ = kHex[(value >> (4 * i)) & 0xF];
}

int HexDigit(OLECHAR c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

bool ReadHex(LPCOLESTR& in, int digits, std::uint64_t* value) {
  std::uint64_t v = 0;
  for (int i = 0; i < digits; ++i) {
    const int d = HexDigit(in[i]);
    if (d < 0) return false;
    v = (v << 4) | static_cast<std::uint64_t>(d);
  }
  in += digits;
  *value = v;
  return true;
}

bool Expect(LPCOLESTR& in, OLECHAR c) {
  if (*in != c) return false;
  ++in;
  return true;
}

// Reads exactly the braced form followed by the end of the string.
bool ParseGuid(LPCOLESTR s, GUID* out) {
  GUID g{};
  std::uint64_t v = 0;
  if (!Expect(s, L'{') || !ReadHex(s, 8, &v)) return false;
  g.Data1 = static_cast<std::uint32_t>(v);
  if (!Expect(s, L'-') || !ReadHex(s, 4, &v)) return false;
  g.Data2 = static_cast<std::uint16_t>(v);
  if (!Expect(s, L'-') || !ReadHex(s, 4, &v)) return false;
  g.Data3 = static_cast<std::uint16_t>(v);
  if (!Expect(s, L'-')) return false;
  for (int i = 0; i < 8; ++i) {
    if (i == 2 && !Expect(s, L'-')) return false;
    if (!ReadHex(s, 2, &v)) return false;
    g.Data4[i] = static_cast<std::uint8_t>(v);
  }
  if (!Expect(s, L'}') || *s != 0) return false;
  *out = g;
  return true;
}

}  // namespace

int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
  if (!lpsz || cchMax < kGuidChars + 1) return 0;
  LPOLESTR p = lpsz;
  *p++ = L'{';
  PutHex(p, rguid.Data1, 8);
  *p++ = L'-';
  PutHex(p, rguid.Data2, 4);
  *p++ = L'-';
  PutHex(p, rguid.Data3, 4);
  *p++ = L'-';
  for (int i = 0; i < 8; ++i) {
    if (i == 2) *p++ = L'-';
    PutHex(p, rguid.Data4[i], 2);
  }
  *p++ = L'}';
  *p = 0;
  return kGuidChars + 1;
}

HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) {
  if (!pclsid) return E_INVALIDARG;
  // No string at all names no class, as on Windows.
  if (!lpsz || !*lpsz) {
    *pclsid = GUID_NULL;
    return S_OK;
  }
  return ParseGuid(lpsz, pclsid) ? S_OK : CO_E_CLASSSTRING;
}

HRESULT IIDFromString(LPCOLESTR lpsz, IID* lpiid) {
  if (!lpiid) return E_INVALIDARG;
  if (!lpsz) {
    *lpiid = IID_NULL;
    return S_OK;
  }
  return ParseGuid(lpsz, lpiid) ? S_OK : E_INVALIDARG;
}
