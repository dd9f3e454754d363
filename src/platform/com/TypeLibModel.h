// An automation type library described in code: the library's attributes and
// its type infos in library order, each interface with its methods (name,
// DISPID, interface-table order, parameters) and, per method, an invoker
// that calls the real C++ method. One model backs the portable ITypeLib and
// ITypeInfo, the class factories' names and descriptions, and the generic
// IDispatch on both builds; on Windows the compiled .idl must say the same.
//
//   com::MethodOf<&IFoo::Bar>(L"Bar", 201, {{L"X", VT_I4}, {L"Name", VT_BSTR}})
//
// checks, when the model is built, that the parameter list fits the C++
// signature (count and sizes), so the table and the interface cannot drift.
#pragma once

#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/com/ComTypes.h"

namespace com {

enum class TypeKind {
  Interface,      // a v-table interface (here: IUnknown-derived, no dispatch)
  DualInterface,  // IDispatch-derived, reachable by v-table and by DISPID
  CoClass,
};

struct ParamModel {
  std::wstring name;
  VARTYPE vt = VT_EMPTY;  // VT_VARIANT, VT_I4, VT_UI4, VT_BOOL, VT_BSTR, VT_UNKNOWN, VT_DISPATCH, ...
};

// Calls one method on itf (a pointer to the interface that declares it) with
// args in declared order, each already holding the parameter's VARTYPE.
using Invoker = HRESULT (*)(void* itf, VARIANT* args);

struct MethodModel {
  std::wstring name;
  DISPID dispid = DISPID_UNKNOWN;
  std::vector<ParamModel> params;
  Invoker invoker = nullptr;
  std::wstring helpString;

  // Position of the parameter called name (case-insensitive), or -1.
  int ParamIndex(std::wstring_view paramName) const;
};

struct TypeInfoModel {
  TypeKind kind = TypeKind::Interface;
  std::wstring name;
  GUID guid{};
  WORD flags = 0;  // TYPEFLAG_*
  std::wstring helpString;
  WORD majorVersion = 1;
  WORD minorVersion = 0;
  GUID base{};              // interfaces: IID_IUnknown or IID_IDispatch
  GUID defaultInterface{};  // coclasses
  std::vector<MethodModel> methods;  // interface-table order

  bool IsInterface() const { return kind != TypeKind::CoClass; }
  const MethodModel* FindMethod(DISPID dispid) const;
  // Case-insensitive, as automation name lookups are.
  const MethodModel* FindMethod(std::wstring_view methodName) const;
  // Interface-table slot of the first own method: after IUnknown's three or IDispatch's seven.
  UINT FirstMethodSlot() const;
};
using InterfaceModel = TypeInfoModel;
using CoClassModel = TypeInfoModel;

struct TypeLibModel {
  std::wstring name;
  GUID libid{};
  WORD majorVersion = 1;
  WORD minorVersion = 0;
  LCID lcid = 0;
  SYSKIND syskind = SYS_WIN32;
  std::wstring helpString;
  std::wstring helpFile;
  std::vector<TypeInfoModel> types;  // library order

  const TypeInfoModel* FindType(REFGUID guid) const;
  const CoClassModel* FindCoClass(REFCLSID clsid) const;
  const InterfaceModel* FindInterface(REFIID iid) const;
  // Library index of the type info with that GUID, or -1.
  int IndexOf(REFGUID guid) const;
  // "<library>.<coclass>", the class's ProgID.
  std::wstring ProgIdOf(const CoClassModel& coclass) const { return name + L"." + coclass.name; }
};

// ---------------------------------------------------------------- invokers

namespace detail {

template <class M>
struct MethodTraits;

template <class I, class... A>
struct MethodTraits<HRESULT (STDMETHODCALLTYPE I::*)(A...)> {
  using Interface = I;
  using Args = std::tuple<A...>;
  static constexpr std::size_t arity = sizeof...(A);
};

template <class T>
inline constexpr bool kAlwaysFalse = false;

// The argument as the C++ parameter type; v already holds the declared VARTYPE.
template <class T>
T ArgAs(VARIANT& v) {
  if constexpr (std::is_same_v<T, VARIANT>) {
    return v;  // [in] by value: the caller keeps ownership, as COM's convention is
  } else if constexpr (std::is_same_v<T, BSTR>) {
    return v.bstrVal;
  } else if constexpr (std::is_same_v<T, IUnknown*>) {
    return v.punkVal;
  } else if constexpr (std::is_same_v<T, IDispatch*>) {
    return v.pdispVal;
  } else if constexpr (std::is_same_v<T, DOUBLE>) {
    return v.dblVal;
  } else if constexpr (std::is_same_v<T, FLOAT>) {
    return v.fltVal;
  } else if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) {
    // Integers of one size share their place in the union (VT_I4/VT_UI4/VT_INT, VT_I2/VT_BOOL, ...).
    T r;
    std::memcpy(&r, &v.llVal, sizeof(T));
    return r;
  } else {
    static_assert(kAlwaysFalse<T>, "parameter type not supported by automation invokers");
  }
}

// Whether a parameter declared as vt can be handed to a C++ parameter of type T.
template <class T>
constexpr bool VarTypeFits(VARTYPE vt) {
  if constexpr (std::is_same_v<T, VARIANT>) return vt == VT_VARIANT;
  else if constexpr (std::is_same_v<T, BSTR>) return vt == VT_BSTR;
  else if constexpr (std::is_same_v<T, IUnknown*>) return vt == VT_UNKNOWN;
  else if constexpr (std::is_same_v<T, IDispatch*>) return vt == VT_DISPATCH;
  else if constexpr (std::is_same_v<T, DOUBLE>) return vt == VT_R8 || vt == VT_DATE;
  else if constexpr (std::is_same_v<T, FLOAT>) return vt == VT_R4;
  else if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) {
    switch (sizeof(T)) {
      case 1: return vt == VT_UI1 || vt == VT_I1;
      case 2: return vt == VT_I2 || vt == VT_UI2 || vt == VT_BOOL;
      case 4: return vt == VT_I4 || vt == VT_UI4 || vt == VT_INT || vt == VT_UINT || vt == VT_ERROR;
      case 8: return vt == VT_I8 || vt == VT_UI8;
      default: return false;
    }
  } else {
    return false;
  }
}

template <auto M>
HRESULT InvokeMember(void* itf, VARIANT* args) {
  using Traits = MethodTraits<decltype(M)>;
  using Itf = typename Traits::Interface;
  return [&]<std::size_t... Is>(std::index_sequence<Is...>) {
    return (static_cast<Itf*>(itf)->*M)(ArgAs<std::tuple_element_t<Is, typename Traits::Args>>(args[Is])...);
  }(std::make_index_sequence<Traits::arity>{});
}

template <auto M>
bool ParamsFit(const std::vector<ParamModel>& params) {
  using Traits = MethodTraits<decltype(M)>;
  if (params.size() != Traits::arity) return false;
  return [&]<std::size_t... Is>(std::index_sequence<Is...>) {
    return (true && ... && VarTypeFits<std::tuple_element_t<Is, typename Traits::Args>>(params[Is].vt));
  }(std::make_index_sequence<Traits::arity>{});
}

}  // namespace detail

// The invoker of one interface method, e.g. MakeInvoker<&IVornOffUtils::OpenLinks>().
template <auto M>
constexpr Invoker MakeInvoker() {
  return &detail::InvokeMember<M>;
}

// A method entry whose parameter list is checked against the C++ method;
// a mismatch is a programming error in the model and raises std::logic_error.
template <auto M>
MethodModel MethodOf(std::wstring name, DISPID dispid, std::vector<ParamModel> params) {
  if (!detail::ParamsFit<M>(params))
    throw std::logic_error("type library model: parameters do not fit the C++ method");
  return MethodModel{std::move(name), dispid, std::move(params), MakeInvoker<M>(), {}};
}

}  // namespace com
