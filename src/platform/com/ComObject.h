// One base for the library's COM objects: a table-driven QueryInterface, an
// interlocked reference count and the module's live-object count.
//
//   class TFoo : public com::ComObject<IFoo, IBar> {
//     VORN_INTERFACE_TABLE_BEGIN(TFoo) VORN_ENTRY(IFoo) VORN_ENTRY(IBar) VORN_INTERFACE_TABLE_END
//   };
//
// The table lists exactly what QueryInterface answers; IUnknown is always
// answered with the first entry, which is the object's identity.
#pragma once

#include <atomic>
#include <span>
#include <utility>

#include "platform/com/Boundary.h"
#include "platform/com/InterfaceTraits.h"
#include "platform/com/ModuleCounters.h"

namespace com {

class ComObjectRoot;

struct InterfaceEntry {
  const IID& (*iid)();
  IUnknown* (*cast)(ComObjectRoot* self);
};

class ComObjectRoot {
 public:
  ComObjectRoot(const ComObjectRoot&) = delete;
  ComObjectRoot& operator=(const ComObjectRoot&) = delete;

  HRESULT InternalQueryInterface(REFIID riid, void** ppv);
  ULONG InternalAddRef() { return refs_.fetch_add(1) + 1; }
  ULONG InternalRelease();
  // The object's identity (its IUnknown), without a new reference.
  IUnknown* Identity();
  // True when QueryInterface would answer riid.
  bool HasInterface(REFIID riid);

 protected:
  ComObjectRoot() { ModuleCounters::ObjectCreated(); }
  virtual ~ComObjectRoot() { ModuleCounters::ObjectDestroyed(); }
  virtual std::span<const InterfaceEntry> InterfaceTable() const = 0;

 private:
  std::atomic<ULONG> refs_{0};
};

template <class... Interfaces>
class ComObject : public ComObjectRoot, public Interfaces... {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    return InternalQueryInterface(riid, ppv);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InternalAddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return InternalRelease(); }
};

// The one creator of the library's objects: makes a T from args and queries
// it for riid (a class factory's creator is CreateObject<T>). A construction
// that throws answers by the MayFail policy (Boundary.h); the object is gone
// again when riid is refused.
template <class T, class... Args>
HRESULT CreateObject(REFIID riid, void** ppv, Args&&... args) noexcept;

// The same, typed: the first reference as interface I.
template <class T, class I = IUnknown, class... Args>
HRESULT CreateComObject(I** out, Args&&... args) noexcept {
  return CreateObject<T>(IidOf<I>(), reinterpret_cast<void**>(out), std::forward<Args>(args)...);
}

template <class Class, class Itf>
IUnknown* CastToInterface(ComObjectRoot* self) {
  return static_cast<Itf*>(static_cast<Class*>(self));
}

}  // namespace com

#define VORN_INTERFACE_ENTRY(Class, Itf) \
  ::com::InterfaceEntry { &::com::IidOf<Itf>, &::com::CastToInterface<Class, Itf> }

#define VORN_INTERFACE_TABLE_BEGIN(Class)                                           \
 protected:                                                                         \
  std::span<const ::com::InterfaceEntry> InterfaceTable() const override {          \
    using ThisClass_ = Class;                                                       \
    static const ::com::InterfaceEntry kTable[] = {
#define VORN_ENTRY(Itf) VORN_INTERFACE_ENTRY(ThisClass_, Itf),
#define VORN_INTERFACE_TABLE_END \
  }                              \
  ;                              \
  return kTable;                 \
  }                              \
                                 \
 private:

// A class that adds an interface to a ComObject base must route that
// interface's IUnknown methods to the same object.
#define VORN_FORWARD_IUNKNOWN                                                                          \
 public:                                                                                               \
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {                         \
    return InternalQueryInterface(riid, ppv);                                                          \
  }                                                                                                    \
  ULONG STDMETHODCALLTYPE AddRef() override { return InternalAddRef(); }                               \
  ULONG STDMETHODCALLTYPE Release() override { return InternalRelease(); }

template <class T, class... Args>
HRESULT com::CreateObject(REFIID riid, void** ppv, Args&&... args) noexcept {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  return Boundary(MayFail, [&] {
    T* object = new T(std::forward<Args>(args)...);
    object->InternalAddRef();
    const HRESULT hr = object->InternalQueryInterface(riid, ppv);
    object->InternalRelease();
    return hr;
  });
}
