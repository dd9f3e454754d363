// The IDispatch half of a dual interface, driven by the interface's model:
// names to DISPIDs, late-bound calls with the arguments converted to the
// declared types, and the interface's type information. It behaves as the
// platform's standard dispatch over type information (DispInvoke) does, so
// callers see the same codes on both builds.
#pragma once

#include "platform/com/TypeLibModel.h"

namespace com {

class Dispatcher {
 public:
  // itf must be a dual interface of lib; both outlive the dispatcher.
  Dispatcher(const TypeLibModel& lib, const InterfaceModel& itf) : lib_(&lib), itf_(&itf) {}

  const InterfaceModel& Interface() const { return *itf_; }

  // Always one type info: the interface's.
  HRESULT GetTypeInfoCount(UINT* pctinfo) const;
  // Index 0 only (DISP_E_BADINDEX otherwise); the interface's dispatch view.
  HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) const;
  // First name: a method (case-insensitive); further names: that method's
  // parameters, answered with their 0-based positions. Unresolved names get
  // DISPID_UNKNOWN and the call DISP_E_UNKNOWNNAME.
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) const;
  // Calls the method through its invoker on self, a pointer to the interface
  // the model describes. A failing method gives DISP_E_EXCEPTION with
  // pExcepInfo filled (scode = its HRESULT, texts from the thread's error
  // information), or its own HRESULT when pExcepInfo is null.
  HRESULT Invoke(void* self, DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) const;

 private:
  const TypeLibModel* lib_;
  const InterfaceModel* itf_;
};

}  // namespace com
