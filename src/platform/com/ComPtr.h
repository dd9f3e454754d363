// An owning interface pointer: one reference, released on every path.
#pragma once

#include <utility>

#include "platform/com/InterfaceTraits.h"

namespace com {

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes a new reference on p.
  explicit ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U>
  ComPtr(const ComPtr<U>& o) : ComPtr(static_cast<T*>(o.Get())) {}
  ~ComPtr() { Reset(); }

  ComPtr& operator=(const ComPtr& o) {
    ComPtr(o).Swap(*this);
    return *this;
  }
  ComPtr& operator=(ComPtr&& o) noexcept {
    ComPtr(std::move(o)).Swap(*this);
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) {
    Reset();
    return *this;
  }

  // Adopts p without taking a reference.
  static ComPtr Adopt(T* p) {
    ComPtr r;
    r.p_ = p;
    return r;
  }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // For out parameters: releases what is held first.
  T** ReleaseAndGetAddressOf() {
    Reset();
    return &p_;
  }

  void** PutVoid() { return reinterpret_cast<void**>(ReleaseAndGetAddressOf()); }

  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  T* Detach() { return std::exchange(p_, nullptr); }
  void Attach(T* p) {
    Reset();
    p_ = p;
  }
  void Swap(ComPtr& o) noexcept { std::swap(p_, o.p_); }

  // Hands out a new reference (null stays null).
  HRESULT CopyTo(T** out) const {
    if (!out) return E_POINTER;
    *out = p_;
    if (p_) p_->AddRef();
    return S_OK;
  }

  template <class U>
  HRESULT As(ComPtr<U>* out) const {
    if (!p_) {
      out->Reset();
      return E_POINTER;
    }
    return p_->QueryInterface(IidOf<U>(), out->PutVoid());
  }
  template <class U>
  ComPtr<U> As() const {
    ComPtr<U> r;
    As(&r);
    return r;
  }
  HRESULT AsIid(REFIID iid, void** out) const {
    if (!out) return E_POINTER;
    *out = nullptr;
    return p_ ? p_->QueryInterface(iid, out) : E_POINTER;
  }

 private:
  T* p_ = nullptr;
};

template <class T, class U>
bool operator==(const ComPtr<T>& a, const ComPtr<U>& b) {
  return a.Get() == b.Get();
}

// Queries any interface pointer for U; null when p is null or refuses.
template <class U, class T>
ComPtr<U> QueryAs(T* p) {
  ComPtr<U> r;
  if (p) p->QueryInterface(IidOf<U>(), r.PutVoid());
  return r;
}

}  // namespace com
