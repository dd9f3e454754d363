// Maps an interface type to its IID so that typed helpers (ComPtr::As,
// ComObject interface tables) need no IID argument. Every interface used that
// way is declared once with VORN_DECLARE_IID next to its declaration.
#pragma once

#include "platform/com/ComTypes.h"

namespace com {

template <class T>
struct InterfaceTraits;  // no definition: an undeclared interface fails to compile

template <class T>
inline const IID& IidOf() {
  return InterfaceTraits<T>::iid();
}

}  // namespace com

#define VORN_DECLARE_IID(Itf, iidConst)             \
  template <>                                       \
  struct com::InterfaceTraits<Itf> {                \
    static const IID& iid() { return iidConst; }    \
  }

VORN_DECLARE_IID(IUnknown, IID_IUnknown);
VORN_DECLARE_IID(IClassFactory, IID_IClassFactory);
VORN_DECLARE_IID(IDispatch, IID_IDispatch);
VORN_DECLARE_IID(IErrorInfo, IID_IErrorInfo);
VORN_DECLARE_IID(ICreateErrorInfo, IID_ICreateErrorInfo);
VORN_DECLARE_IID(ISupportErrorInfo, IID_ISupportErrorInfo);
VORN_DECLARE_IID(IProvideClassInfo, IID_IProvideClassInfo);
VORN_DECLARE_IID(IConnectionPointContainer, IID_IConnectionPointContainer);
VORN_DECLARE_IID(IConnectionPoint, IID_IConnectionPoint);
VORN_DECLARE_IID(IEnumConnections, IID_IEnumConnections);
VORN_DECLARE_IID(IEnumConnectionPoints, IID_IEnumConnectionPoints);
VORN_DECLARE_IID(IEnumUnknown, IID_IEnumUnknown);
VORN_DECLARE_IID(IParseDisplayName, IID_IParseDisplayName);
VORN_DECLARE_IID(IOleContainer, IID_IOleContainer);
