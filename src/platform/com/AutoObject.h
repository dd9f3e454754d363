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
//       return Boundary(com::MayFail, [&] { ...; return S_OK; });
//     }
//   };
//   HRESULT CreateFoo(REFIID riid, void** ppv) { return com::CreateObject<TFoo>(riid, ppv); }
#pragma once

#include <span>
#include <string>
#include <utility>

#include "platform/com/Boundary.h"
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
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override {
    return Boundary(MayFail, [&] { return dispatcher_.GetTypeInfoCount(pctinfo); });
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override {
    return Boundary(MayFail, [&] { return dispatcher_.GetTypeInfo(iTInfo, lcid, ppTInfo); });
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                          DISPID* rgDispId) override {
    return Boundary(MayFail, [&] { return dispatcher_.GetIDsOfNames(riid, rgszNames, cNames, lcid, rgDispId); });
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override {
    return Boundary(MayFail, [&] {
      return dispatcher_.Invoke(static_cast<Itf*>(this), dispIdMember, riid, lcid, wFlags, pDispParams, pVarResult,
                                pExcepInfo, puArgErr);
    });
  }

  // ISupportErrorInfo: every interface the object answers reports its errors.
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
    return Boundary(MustAnswer(S_FALSE), [&] { return SupportsErrorInfo(this->HasInterface(riid)); });
  }

  // IProvideClassInfo
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** ppTI) override {
    return Boundary(MayFail, [&] { return GetCoClassTypeInfo(*library_, clsid_, ppTI); });
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

  // The MayFail policy of an automation object: the failure's classified
  // code, and its message as the thread's error information (source: the
  // ProgID; interface: Itf), as automation callers expect.
  template <class F>
  HRESULT Boundary(MayFailPolicy, F&& body) noexcept {
    try {
      return detail::RunBody(body);
    } catch (...) {
      return HResultFromCurrentException(IidOf<Itf>(), progId_.c_str());
    }
  }
  template <class F>
  HRESULT Boundary(MustAnswer policy, F&& body) noexcept {
    return com::Boundary(policy, std::forward<F>(body));
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

}  // namespace com
