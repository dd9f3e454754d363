// The base of the library's automation objects: a creatable class that
// implements one dual interface described by the module's type library.
// It supplies the IDispatch half of that interface from the model (see
// Dispatch.h), ISupportErrorInfo and IProvideClassInfo (the coclass's type
// information); the descendant implements the interface's own methods.
//
//   class TFoo : public com::AutoObject<IFoo> {
//    public:
//     TFoo() : AutoObject(LibraryModel(), CLSID_Foo) {}
//     HRESULT STDMETHODCALLTYPE Bar(LONG x) override {
//       return AutomationCall([&] { ...; return S_OK; });
//     }
//   };
//   HRESULT CreateFoo(REFIID riid, void** ppv) { return com::CreateAutoObject<TFoo>(riid, ppv); }
#pragma once

#include <new>
#include <span>
#include <string>

#include "platform/com/ClassInfo.h"
#include "platform/com/ComError.h"
#include "platform/com/ComObject.h"
#include "platform/com/Dispatch.h"
#include "platform/com/TypeLibrary.h"

namespace com {

template <class Itf>
class AutoObject : public ComObject<Itf, ISupportErrorInfo, IProvideClassInfo> {
 public:
  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override { return dispatcher_.GetTypeInfoCount(pctinfo); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override {
    return dispatcher_.GetTypeInfo(iTInfo, lcid, ppTInfo);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                          DISPID* rgDispId) override {
    return dispatcher_.GetIDsOfNames(riid, rgszNames, cNames, lcid, rgDispId);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override {
    return dispatcher_.Invoke(static_cast<Itf*>(this), dispIdMember, riid, lcid, wFlags, pDispParams, pVarResult,
                              pExcepInfo, puArgErr);
  }

  // ISupportErrorInfo: every interface the object answers reports its errors.
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
    return SupportsErrorInfo(this->HasInterface(riid));
  }

  // IProvideClassInfo
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** ppTI) override {
    return GetCoClassTypeInfo(*library_, clsid_, ppTI);
  }

  const TypeLibModel& Library() const { return *library_; }
  const CLSID& ClassId() const { return clsid_; }
  // "<library>.<coclass>": the source named in the error information of failed calls.
  const std::wstring& ProgId() const { return progId_; }

 protected:
  // Raises ComError when the library lacks the coclass or Itf as a dual interface.
  AutoObject(const TypeLibModel& library, REFCLSID clsid)
      : library_(&library), clsid_(clsid), progId_(ProgIdFor(library, clsid)),
        dispatcher_(library, DualInterfaceOf(library)) {}

  // Runs one interface method's work: an exception escaping body becomes the
  // method's HRESULT (a ComError's own code, otherwise E_UNEXPECTED) and its
  // message the thread's error information, as automation callers expect.
  template <class F>
  HRESULT AutomationCall(F&& body) noexcept {
    try {
      return body();
    } catch (...) {
      return HResultFromCurrentException(IidOf<Itf>(), progId_.c_str());
    }
  }

  std::span<const InterfaceEntry> InterfaceTable() const override {
    static const InterfaceEntry kTable[] = {
        VORN_INTERFACE_ENTRY(AutoObject, Itf),
        VORN_INTERFACE_ENTRY(AutoObject, IDispatch),
        VORN_INTERFACE_ENTRY(AutoObject, ISupportErrorInfo),
        VORN_INTERFACE_ENTRY(AutoObject, IProvideClassInfo),
    };
    return kTable;
  }

 private:
  static std::wstring ProgIdFor(const TypeLibModel& library, REFCLSID clsid) {
    const CoClassModel* coclass = library.FindCoClass(clsid);
    if (!coclass) throw ComError(TYPE_E_ELEMENTNOTFOUND, L"coclass missing from the type library");
    return library.ProgIdOf(*coclass);
  }
  static const InterfaceModel& DualInterfaceOf(const TypeLibModel& library) {
    const InterfaceModel* itf = library.FindInterface(IidOf<Itf>());
    if (!itf || itf->kind != TypeKind::DualInterface)
      throw ComError(TYPE_E_ELEMENTNOTFOUND, L"dual interface missing from the type library");
    return *itf;
  }

  const TypeLibModel* library_;
  CLSID clsid_;
  std::wstring progId_;
  Dispatcher dispatcher_;
};

// Creates an object of an automation class T and queries it for riid: the
// creator a class factory calls. A failing construction gives its HRESULT.
template <class T>
HRESULT CreateAutoObject(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  T* object = nullptr;
  try {
    object = new T();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return HResultFromCurrentException();
  }
  object->InternalAddRef();
  HRESULT hr = object->InternalQueryInterface(riid, ppv);
  object->InternalRelease();
  return hr;
}

}  // namespace com
