// BSTR: the string is preceded by a 32-bit byte length and followed by a zero
// OLECHAR. The length, not the terminator, is authoritative, so embedded zeros
// and odd byte lengths survive copies.
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "platform/com/ComTypes.h"

namespace {

constexpr std::size_t kPrefix = sizeof(std::uint32_t);
// Larger requests could not be described by the 32-bit byte-length prefix.
constexpr std::size_t kMaxBytes = 0x7FFFFFF0u;

std::uint32_t* PrefixOf(BSTR s) {
  return reinterpret_cast<std::uint32_t*>(reinterpret_cast<char*>(s) - kPrefix);
}

// Allocates `bytes` bytes of payload plus a whole zero OLECHAR after them, so
// s[SysStringLen(s)] is readable even when the byte length is odd.
BSTR AllocateBytes(const void* src, std::size_t bytes) {
  if (bytes > kMaxBytes) return nullptr;
  const std::size_t rounded = (bytes + sizeof(OLECHAR) - 1) / sizeof(OLECHAR) * sizeof(OLECHAR);
  char* block = static_cast<char*>(std::malloc(kPrefix + rounded + sizeof(OLECHAR)));
  if (!block) return nullptr;
  const std::uint32_t prefix = static_cast<std::uint32_t>(bytes);
  std::memcpy(block, &prefix, kPrefix);
  char* payload = block + kPrefix;
  if (src) std::memcpy(payload, src, bytes);
  std::memset(payload + bytes, 0, rounded - bytes + sizeof(OLECHAR));
  return reinterpret_cast<BSTR>(payload);
}

}  // namespace

BSTR SysAllocString(const OLECHAR* psz) {
  if (!psz) return nullptr;
  return SysAllocStringLen(psz, static_cast<UINT>(std::wcslen(psz)));
}

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
  if (ui > kMaxBytes / sizeof(OLECHAR)) return nullptr;
  return AllocateBytes(strIn, static_cast<std::size_t>(ui) * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(LPCSTR psz, UINT len) {
  return AllocateBytes(psz, len);
}

INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz) {
  if (!pbstr) return FALSE;
  // The new string may be a part of the old one: copy before freeing.
  BSTR fresh = SysAllocString(psz);
  if (psz && !fresh) return FALSE;
  SysFreeString(*pbstr);
  *pbstr = fresh;
  return TRUE;
}

INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len) {
  if (!pbstr) return FALSE;
  BSTR fresh = SysAllocStringLen(psz, len);
  if (!fresh) return FALSE;
  SysFreeString(*pbstr);
  *pbstr = fresh;
  return TRUE;
}

void SysFreeString(BSTR bstrString) {
  if (bstrString) std::free(PrefixOf(bstrString));
}

UINT SysStringLen(BSTR pbstr) {
  return pbstr ? *PrefixOf(pbstr) / sizeof(OLECHAR) : 0;
}

UINT SysStringByteLen(BSTR bstr) {
  return bstr ? *PrefixOf(bstr) : 0;
}
