// GUIDs as text: the braced, upper-case registry form {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
#include <string>

#include "platform/com/ComTypes.h"
#include "platform/win/RegKey.h"

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

// Windows reads the braced form field by field straight into the caller's GUID,
// so a malformed string leaves the fields read before the error behind; callers
// that look at the GUID after a failure see exactly what Windows leaves there.
bool ReadHexInto(LPCOLESTR s, int from, int digits, std::uint64_t* field) {
  *field = 0;
  for (int i = from; i < from + digits; ++i) {
    const int d = HexDigit(s[i]);
    if (d < 0) return false;
    *field = (*field << 4) | static_cast<std::uint64_t>(d);
  }
  return true;
}

bool ParseGuid(LPCOLESTR s, GUID* id) {
  if (s[0] != L'{') {
    *id = GUID{};
    return false;
  }
  std::uint64_t v = 0;
  // Each field is stored as far as its digits go, as Windows does.
  bool ok = ReadHexInto(s, 1, 8, &v);
  id->Data1 = static_cast<std::uint32_t>(v);
  if (!ok || s[9] != L'-') return false;
  ok = ReadHexInto(s, 10, 4, &v);
  id->Data2 = static_cast<std::uint16_t>(v);
  if (!ok || s[14] != L'-') return false;
  ok = ReadHexInto(s, 15, 4, &v);
  id->Data3 = static_cast<std::uint16_t>(v);
  if (!ok || s[19] != L'-') return false;
  for (int i = 20, byte = 0; byte < 8; ++byte, i += 2) {
    if (byte == 2) {
      if (s[i] != L'-') return false;
      ++i;
    }
    if (!ReadHexInto(s, i, 2, &v)) return false;
    id->Data4[byte] = static_cast<std::uint8_t>(v);
  }
  return s[37] == L'}' && s[38] == 0;
}

// A string that is not a GUID may be a ProgID: its registered CLSID.
HRESULT ClsidOfProgId(LPCOLESTR progId, CLSID* out) {
  win::RegKey key;
  if (key.Open(HKEY_CLASSES_ROOT, std::wstring(progId) + L"\\CLSID") != ERROR_SUCCESS) return CO_E_CLASSSTRING;
  const auto text = key.GetString(L"");
  if (!text) return CO_E_CLASSSTRING;
  CLSID clsid{};
  if (!ParseGuid(text->c_str(), &clsid)) return CO_E_CLASSSTRING;
  *out = clsid;
  return S_OK;
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
  if (!lpsz) {
    *pclsid = GUID_NULL;
    return S_OK;
  }
  if (ParseGuid(lpsz, pclsid)) return S_OK;
  return ClsidOfProgId(lpsz, pclsid);
}

HRESULT IIDFromString(LPCOLESTR lpsz, IID* lpiid) {
  if (!lpiid) return E_INVALIDARG;
  if (!lpsz) {
    *lpiid = IID_NULL;
    return S_OK;
  }
  // A string of the wrong length is refused before anything is written.
  if (std::char_traits<OLECHAR>::length(lpsz) != kGuidChars) return E_INVALIDARG;
  if (lpsz[0] != L'{') return CO_E_IIDSTRING;
  return ParseGuid(lpsz, lpiid) ? S_OK : CO_E_IIDSTRING;
}
