#include "platform/com/Bstr.h"

#include <limits>

#include "platform/com/ComError.h"

namespace com {
namespace {

BSTR Duplicate(BSTR s) {
  if (!s) return nullptr;
  BSTR copy = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(s), SysStringByteLen(s));
  if (!copy) throw ComError(E_OUTOFMEMORY);
  return copy;
}

}  // namespace

Bstr::Bstr(const wchar_t* s) {
  if (!s) return;
  s_ = SysAllocString(s);
  if (!s_) throw ComError(E_OUTOFMEMORY);
}

Bstr::Bstr(std::wstring_view s) {
  if (s.size() > std::numeric_limits<UINT>::max() / sizeof(OLECHAR)) throw ComError(E_OUTOFMEMORY);
  s_ = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
  if (!s_) throw ComError(E_OUTOFMEMORY);
}

Bstr::Bstr(const Bstr& o) : s_(Duplicate(o.s_)) {}

Bstr& Bstr::operator=(const Bstr& o) {
  if (this != &o) Attach(Duplicate(o.s_));
  return *this;
}

Bstr& Bstr::operator=(Bstr&& o) noexcept {
  if (this != &o) Attach(o.Detach());
  return *this;
}

Bstr Bstr::Adopt(BSTR s) noexcept {
  Bstr b;
  b.s_ = s;
  return b;
}

void Bstr::Attach(BSTR s) noexcept {
  if (s == s_) return;
  Reset();
  s_ = s;
}

BSTR* Bstr::ReleaseAndGetAddressOf() noexcept {
  Reset();
  return &s_;
}

void Bstr::Reset() noexcept {
  SysFreeString(std::exchange(s_, nullptr));
}

HRESULT Bstr::CopyTo(BSTR* out) const {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!s_) return S_OK;
  *out = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(s_), SysStringByteLen(s_));
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace com
