// A see-through wrapper around a document of the stand-in that counts the
// property writes made through it, on the document and on every object
// reached from it (collections, elements, styles), so a test can tell a
// restyle that wrote nothing from one that wrote the same values again.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/browser/LateBound.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/InterfaceTraits.h"
#include "platform/com/Variant.h"

namespace page_test {

struct WriteLog {
  std::map<std::wstring, int> writes;  // member name -> property writes
  // The member names behind DISPIDs, by the member that gave the object out
  // ("item", "style"): a caller may look a name up on one element or style
  // and use its DISPID on the others.
  std::map<std::wstring, std::map<DISPID, std::wstring>> names;
  int Total() const {
    int total = 0;
    for (const auto& [name, count] : writes) total += count;
    return total;
  }
};

class CountingDispatch : public com::ComObject<IDispatch> {
  VORN_INTERFACE_TABLE_BEGIN(CountingDispatch)
  VORN_ENTRY(IDispatch)
  VORN_INTERFACE_TABLE_END

 public:
  static com::ComPtr<IDispatch> Wrap(IDispatch* inner, std::shared_ptr<WriteLog> log,
                                     std::wstring kind = L"document") {
    if (!inner) return {};
    return com::ComPtr<IDispatch>(
        static_cast<IDispatch*>(new CountingDispatch(inner, std::move(log), std::move(kind))));
  }

  // The wrapper answers for the document kinds its inner object answers for
  // (but not for the frame container, whose browsers it would not wrap).
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (ppv && IsEqualIID(riid, browser::IID_IHTMLDocument2)) {
      com::ComPtr<IUnknown> probe;
      if (FAILED(inner_->QueryInterface(riid, probe.PutVoid()))) return (*ppv = nullptr), E_NOINTERFACE;
      *ppv = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    return ComObject::QueryInterface(riid, ppv);
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return inner_->GetTypeInfoCount(count); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
    return inner_->GetTypeInfo(index, lcid, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
    const HRESULT hr = inner_->GetIDsOfNames(riid, names, count, lcid, ids);
    if (SUCCEEDED(hr) && count > 0) Names()[ids[0]] = names[0];
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT* argErr) override {
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) ++log_->writes[Names()[id]];
    const HRESULT hr = inner_->Invoke(id, riid, lcid, flags, params, result, info, argErr);
    if (SUCCEEDED(hr) && result && result->vt == VT_DISPATCH && result->pdispVal) {
      com::ComPtr<IDispatch> wrapped = Wrap(result->pdispVal, log_, Names()[id]);
      VariantClear(result);
      result->vt = VT_DISPATCH;
      result->pdispVal = wrapped.Detach();
    }
    return hr;
  }

 private:
  CountingDispatch(IDispatch* inner, std::shared_ptr<WriteLog> log, std::wstring kind)
      : inner_(inner), log_(std::move(log)), kind_(std::move(kind)) {}
  std::map<DISPID, std::wstring>& Names() { return log_->names[kind_]; }

  com::ComPtr<IDispatch> inner_;
  std::shared_ptr<WriteLog> log_;
  std::wstring kind_;
};

}  // namespace page_test
