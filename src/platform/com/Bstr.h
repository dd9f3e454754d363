// An owning BSTR. Copies are deep and keep the exact length (embedded zeros included).
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "platform/com/ComTypes.h"

namespace com {

class Bstr {
 public:
  Bstr() = default;
  // A null pointer gives a null BSTR, which automation reads as "".
  explicit Bstr(const wchar_t* s);
  explicit Bstr(std::wstring_view s);
  Bstr(const Bstr& o);
  Bstr(Bstr&& o) noexcept : s_(std::exchange(o.s_, nullptr)) {}
  ~Bstr() { Reset(); }

  Bstr& operator=(const Bstr& o);
  Bstr& operator=(Bstr&& o) noexcept;

  // Takes ownership of s.
  static Bstr Adopt(BSTR s) noexcept;

  BSTR Get() const noexcept { return s_; }
  UINT Length() const noexcept { return SysStringLen(s_); }
  bool IsNull() const noexcept { return s_ == nullptr; }
  std::wstring str() const { return std::wstring(view()); }
  std::wstring_view view() const noexcept { return s_ ? std::wstring_view(s_, Length()) : std::wstring_view(); }

  // Hands ownership to the caller.
  BSTR Detach() noexcept { return std::exchange(s_, nullptr); }
  // Frees what is held and takes ownership of s.
  void Attach(BSTR s) noexcept;
  // For out parameters: frees what is held first.
  BSTR* ReleaseAndGetAddressOf() noexcept;
  // Receives a callee's [out] string: what is held is freed, and whatever
  // the callee leaves in the slot (on success or failure) is owned here.
  BSTR* Receive() noexcept { return ReleaseAndGetAddressOf(); }
  void Reset() noexcept;
  // A new copy for an [out] parameter.
  HRESULT CopyTo(BSTR* out) const;

  friend bool operator==(const Bstr& a, const Bstr& b) { return a.view() == b.view(); }
  friend bool operator==(const Bstr& a, std::wstring_view b) { return a.view() == b; }

 private:
  BSTR s_ = nullptr;
};

}  // namespace com
