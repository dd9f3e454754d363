// Late-bound member access by name on the browser's and the HTML document's
// objects (IDispatch), as script would reach them. The document object model
// is far larger than what the library touches, so its interfaces are used
// through IDispatch and their identifiers only serve to ask whether an object
// is of a kind.
//
// Every failure throws com::ComError carrying the object's HRESULT (an unknown
// name gives DISP_E_UNKNOWNNAME) and the description it raised, if any.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/com/ComPtr.h"
#include "platform/com/ComTypes.h"
#include "platform/com/Variant.h"

namespace browser {

// {332C4425-26CB-11D0-B483-00C04FD90119}
inline constexpr IID IID_IHTMLDocument2 = {0x332C4425, 0x26CB, 0x11D0, {0xB4, 0x83, 0x00, 0xC0, 0x4F, 0xD9, 0x01, 0x19}};

// The value of a property.
com::Variant GetProperty(IDispatch* object, std::wstring_view name);

// A property's value as text (converted as automation converts; no value gives an error).
std::wstring GetString(IDispatch* object, std::wstring_view name);

// Writes a property (DISPATCH_PROPERTYPUT with the named DISPID_PROPERTYPUT argument).
void PutProperty(IDispatch* object, std::wstring_view name, const VARIANT& value);

// Calls a method, arguments in their natural order. Members that are both a
// method and an indexed property ("item", "tags") answer either way, so the
// call is made as DISPATCH_METHOD | DISPATCH_PROPERTYGET, as script engines do.
com::Variant CallMethod(IDispatch* object, std::wstring_view name, std::initializer_list<com::Variant> args = {});

// One member of objects of one kind (the elements of one tag, say), looked up
// by name on the first object and reached by its DISPID after that: a walk over
// thousands of elements asks each for the same few members. An object that
// does not know the remembered DISPID (DISP_E_MEMBERNOTFOUND) is asked by name
// again. Errors are those of the functions above.
class Member {
 public:
  explicit Member(std::wstring_view name) : name_(name) {}

  com::Variant Get(IDispatch* object);
  std::wstring GetString(IDispatch* object);
  void Put(IDispatch* object, const VARIANT& value);
  com::Variant Call(IDispatch* object, std::initializer_list<com::Variant> args = {});

 private:
  com::Variant Invoke(IDispatch* object, WORD flags, DISPPARAMS& params, const wchar_t* verb);

  std::wstring name_;
  DISPID id_ = DISPID_UNKNOWN;
  bool known_ = false;
};

// The marker of an omitted optional argument (VT_ERROR, DISP_E_PARAMNOTFOUND).
com::Variant OmittedArgument();

// The object a variant refers to: VT_DISPATCH, VT_UNKNOWN (asked for
// IDispatch) and their VT_BYREF and VT_VARIANT|VT_BYREF forms. An empty, null
// or nil reference, or any other type, throws (E_POINTER / DISP_E_TYPEMISMATCH).
com::ComPtr<IDispatch> DispatchOf(const VARIANT& value);

// A property that holds an object: GetProperty then DispatchOf.
com::ComPtr<IDispatch> GetObjectProperty(IDispatch* object, std::wstring_view name);

// True when the variant holds no object: VT_EMPTY, VT_NULL, or a nil VT_DISPATCH/VT_UNKNOWN.
bool IsNothing(const VARIANT& value);

}  // namespace browser
