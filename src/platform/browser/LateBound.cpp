#include "platform/browser/LateBound.h"

#include "platform/com/Bstr.h"
#include "platform/com/ComError.h"

namespace browser {

namespace {

DISPID MemberId(IDispatch* object, const std::wstring& name) {
  std::wstring copy = name;
  LPOLESTR names[] = {copy.data()};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) throw com::ComError(hr, L"no member \"" + name + L"\"");
  return id;
}

// Turns a failed Invoke into an error carrying the object's own explanation.
[[noreturn]] void InvokeFailed(HRESULT hr, EXCEPINFO& info, const std::wstring& name) {
  if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
  com::Bstr description = com::Bstr::Adopt(info.bstrDescription);
  com::Bstr source = com::Bstr::Adopt(info.bstrSource);
  com::Bstr help = com::Bstr::Adopt(info.bstrHelpFile);
  if (hr == DISP_E_EXCEPTION && FAILED(info.scode)) hr = info.scode;
  std::wstring message = description.str();
  if (message.empty()) message = L"reading \"" + name + L"\" failed";
  throw com::ComError(hr, message);
}

}  // namespace

com::Variant GetProperty(IDispatch* object, const std::wstring& name) {
  if (!object) throw com::ComError(E_POINTER, L"no object to read \"" + name + L"\" from");
  const DISPID id = MemberId(object, name);
  DISPPARAMS none{};
  com::Variant result;
  EXCEPINFO info{};
  UINT argErr = 0;
  HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                              result.ReleaseAndGetAddressOf(), &info, &argErr);
  if (FAILED(hr)) InvokeFailed(hr, info, name);
  return result;
}

}  // namespace browser
