// Small hand-counted COM objects for the runtime tests: they live on the test's
// stack, so the test can read the reference count at any point and check that
// every reference the runtime took was given back.
#pragma once

#include <atomic>

#include "platform/com/ComTypes.h"
#include "platform/com/Variant.h"

namespace com_test {

// Answers IUnknown only.
class CountedUnknown : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown)) return E_NOINTERFACE;
    *ppv = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
  // References held by others than the test's own stack object.
  ULONG refs() const { return refs_; }

 private:
  std::atomic<ULONG> refs_{0};
};

// An automation object whose default (DISPID_VALUE) property is `value`.
class ValueObject : public IDispatch {
 public:
  ValueObject() = default;
  explicit ValueObject(com::Variant value) : value_(std::move(value)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch)) return E_NOINTERFACE;
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO*, UINT*) override {
    ++invokes_;
    if (failWith_ != S_OK) return failWith_;
    if (id != DISPID_VALUE || !(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (!params || params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
    if (!result) return E_POINTER;
    return value_.CopyTo(result);
  }

  ULONG refs() const { return refs_; }
  int invokes() const { return invokes_; }
  void FailWith(HRESULT hr) { failWith_ = hr; }

 private:
  std::atomic<ULONG> refs_{0};
  com::Variant value_;
  int invokes_ = 0;
  HRESULT failWith_ = S_OK;
};

}  // namespace com_test
