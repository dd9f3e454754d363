#include "platform/browser/LateBound.h"

#include <iterator>

#include <vector>

#include "platform/com/Bstr.h"
#include "platform/com/ComError.h"

namespace browser {

namespace {

DISPID MemberId(IDispatch* object, std::wstring_view name) {
  // Names are short: most calls need no heap for the terminated copy.
  wchar_t small[64];
  std::wstring large;
  LPOLESTR terminated = small;
  if (name.size() < std::size(small)) {
    name.copy(small, name.size());
    small[name.size()] = L'\0';
  } else {
    large.assign(name);
    terminated = large.data();
  }
  LPOLESTR names[] = {terminated};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) throw com::ComError(hr, L"no member \"" + std::wstring(name) + L"\"");
  return id;
}

// Turns a failed Invoke into an error carrying the object's own explanation.
[[noreturn]] void InvokeFailed(HRESULT hr, EXCEPINFO& info, std::wstring_view name, const wchar_t* verb) {
  if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
  com::Bstr description = com::Bstr::Adopt(info.bstrDescription);
  com::Bstr source = com::Bstr::Adopt(info.bstrSource);
  com::Bstr help = com::Bstr::Adopt(info.bstrHelpFile);
  if (hr == DISP_E_EXCEPTION && FAILED(info.scode)) hr = info.scode;
  std::wstring message = description.str();
  if (message.empty()) message = std::wstring(verb) + L" \"" + std::wstring(name) + L"\" failed";
  throw com::ComError(hr, message);
}

void RequireObject(IDispatch* object, std::wstring_view name) {
  if (!object) throw com::ComError(E_POINTER, L"no object for \"" + std::wstring(name) + L"\"");
}

// result null: a property put, which answers nothing.
HRESULT TryInvoke(IDispatch* object, DISPID id, WORD flags, DISPPARAMS& params, com::Variant* result,
                  EXCEPINFO& info) {
  UINT argErr = 0;
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                        result ? result->ReleaseAndGetAddressOf() : nullptr, &info, &argErr);
}

// The one argument of a property put, named DISPID_PROPERTYPUT as automation requires.
class PutArgument {
 public:
  explicit PutArgument(const VARIANT& value) : value_(value) {
    params_.rgvarg = value_.Ptr();
    params_.cArgs = 1;
    params_.rgdispidNamedArgs = &named_;
    params_.cNamedArgs = 1;
  }
  PutArgument(const PutArgument&) = delete;
  PutArgument& operator=(const PutArgument&) = delete;
  DISPPARAMS& Params() { return params_; }

 private:
  com::Variant value_;
  DISPID named_ = DISPID_PROPERTYPUT;
  DISPPARAMS params_{};
};

// DISPPARAMS carries the arguments last first. The callee only reads them, so
// shallow copies of the caller's variants do (they outlive the call). A few
// arguments need no heap.
class Arguments {
 public:
  explicit Arguments(std::initializer_list<com::Variant> args) {
    VARIANT* slots = few_;
    if (args.size() > std::size(few_)) {
      many_.resize(args.size());
      slots = many_.data();
    }
    std::size_t i = args.size();
    for (const com::Variant& arg : args) slots[--i] = *arg.Ptr();
    params_.rgvarg = args.size() ? slots : nullptr;
    params_.cArgs = static_cast<UINT>(args.size());
  }
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;
  DISPPARAMS& Params() { return params_; }

 private:
  VARIANT few_[4];
  std::vector<VARIANT> many_;
  DISPPARAMS params_{};
};

constexpr WORD kCallFlags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

std::wstring TextOf(com::Variant value) {
  if (value.vt() == VT_BSTR) return value.bstrVal ? std::wstring(value.bstrVal, SysStringLen(value.bstrVal)) : L"";
  return value.ToString();
}

}  // namespace

com::Variant GetProperty(IDispatch* object, std::wstring_view name) {
  RequireObject(object, name);
  const DISPID id = MemberId(object, name);
  DISPPARAMS none{};
  com::Variant result;
  EXCEPINFO info{};
  const HRESULT hr = TryInvoke(object, id, DISPATCH_PROPERTYGET, none, &result, info);
  if (FAILED(hr)) InvokeFailed(hr, info, name, L"reading");
  return result;
}

void PutProperty(IDispatch* object, std::wstring_view name, const VARIANT& value) {
  RequireObject(object, name);
  const DISPID id = MemberId(object, name);
  PutArgument argument(value);
  EXCEPINFO info{};
  const HRESULT hr = TryInvoke(object, id, DISPATCH_PROPERTYPUT, argument.Params(), nullptr, info);
  if (FAILED(hr)) InvokeFailed(hr, info, name, L"writing");
}

com::Variant CallMethod(IDispatch* object, std::wstring_view name, std::initializer_list<com::Variant> args) {
  RequireObject(object, name);
  const DISPID id = MemberId(object, name);
  Arguments arguments(args);
  com::Variant result;
  EXCEPINFO info{};
  const HRESULT hr = TryInvoke(object, id, kCallFlags, arguments.Params(), &result, info);
  if (FAILED(hr)) InvokeFailed(hr, info, name, L"calling");
  return result;
}

std::wstring GetString(IDispatch* object, std::wstring_view name) { return TextOf(GetProperty(object, name)); }

com::Variant Member::Invoke(IDispatch* object, WORD flags, DISPPARAMS& params, const wchar_t* verb) {
  const bool put = flags == DISPATCH_PROPERTYPUT;
  RequireObject(object, name_);
  const bool remembered = known_;
  if (!known_) {
    id_ = MemberId(object, name_);
    known_ = true;
  }
  com::Variant result;
  EXCEPINFO info{};
  HRESULT hr = TryInvoke(object, id_, flags, params, put ? nullptr : &result, info);
  if (hr == DISP_E_MEMBERNOTFOUND && remembered) {
    // Another kind of object after all: its own DISPID, if it has the member.
    const DISPID id = MemberId(object, name_);
    if (id != id_) {
      id_ = id;
      com::Bstr::Adopt(info.bstrDescription);
      com::Bstr::Adopt(info.bstrSource);
      com::Bstr::Adopt(info.bstrHelpFile);
      info = EXCEPINFO{};
      hr = TryInvoke(object, id_, flags, params, put ? nullptr : &result, info);
    }
  }
  if (FAILED(hr)) InvokeFailed(hr, info, name_, verb);
  return result;
}

com::Variant Member::Get(IDispatch* object) {
  DISPPARAMS none{};
  return Invoke(object, DISPATCH_PROPERTYGET, none, L"reading");
}

std::wstring Member::GetString(IDispatch* object) { return TextOf(Get(object)); }

void Member::Put(IDispatch* object, const VARIANT& value) {
  PutArgument argument(value);
  Invoke(object, DISPATCH_PROPERTYPUT, argument.Params(), L"writing");
}

com::Variant Member::Call(IDispatch* object, std::initializer_list<com::Variant> args) {
  Arguments arguments(args);
  return Invoke(object, kCallFlags, arguments.Params(), L"calling");
}

com::Variant OmittedArgument() { return com::Variant::Missing(); }

bool IsNothing(const VARIANT& value) {
  VARTYPE vt = value.vt;
  const VARIANT* v = &value;
  if (vt == (VT_VARIANT | VT_BYREF)) {
    if (!value.pvarVal) return true;
    v = value.pvarVal;
    vt = v->vt;
  }
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
      return true;
    case VT_DISPATCH:
      return v->pdispVal == nullptr;
    case VT_UNKNOWN:
      return v->punkVal == nullptr;
    case VT_DISPATCH | VT_BYREF:
      return !v->ppdispVal || !*v->ppdispVal;
    case VT_UNKNOWN | VT_BYREF:
      return !v->ppunkVal || !*v->ppunkVal;
    default:
      return false;
  }
}

com::ComPtr<IDispatch> DispatchOf(const VARIANT& value) {
  const VARIANT* v = &value;
  if (v->vt == (VT_VARIANT | VT_BYREF)) {
    if (!v->pvarVal) throw com::ComError(E_POINTER, L"no object");
    v = v->pvarVal;
  }
  IUnknown* unknown = nullptr;
  switch (v->vt) {
    case VT_DISPATCH:
      unknown = v->pdispVal;
      break;
    case VT_UNKNOWN:
      unknown = v->punkVal;
      break;
    case VT_DISPATCH | VT_BYREF:
      unknown = v->ppdispVal ? *v->ppdispVal : nullptr;
      break;
    case VT_UNKNOWN | VT_BYREF:
      unknown = v->ppunkVal ? *v->ppunkVal : nullptr;
      break;
    case VT_EMPTY:
    case VT_NULL:
      throw com::ComError(E_POINTER, L"no object");
    default:
      throw com::ComError(DISP_E_TYPEMISMATCH, L"not an object");
  }
  if (!unknown) throw com::ComError(E_POINTER, L"no object");
  com::ComPtr<IDispatch> result;
  const HRESULT hr = unknown->QueryInterface(IID_IDispatch, result.PutVoid());
  if (FAILED(hr) || !result) throw com::ComError(FAILED(hr) ? hr : E_NOINTERFACE, L"object without IDispatch");
  return result;
}

com::ComPtr<IDispatch> GetObjectProperty(IDispatch* object, std::wstring_view name) {
  com::Variant value = GetProperty(object, name);
  return DispatchOf(value);
}

}  // namespace browser
