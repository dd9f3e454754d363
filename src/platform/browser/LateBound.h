// Late-bound member access by name on the browser's and the HTML document's
// objects (IDispatch), as script would reach them. The document object model
// is far larger than what the library touches, so its interfaces are used
// through IDispatch and their identifiers only serve to ask whether an object
// is of a kind.
#pragma once

#include <string>

#include "platform/com/ComTypes.h"
#include "platform/com/Variant.h"

namespace browser {

// {332C4425-26CB-11D0-B483-00C04FD90119}
inline constexpr IID IID_IHTMLDocument2 = {0x332C4425, 0x26CB, 0x11D0, {0xB4, 0x83, 0x00, 0xC0, 0x4F, 0xD9, 0x01, 0x19}};

// The value of a property. com::ComError with the object's HRESULT (an
// unknown name gives DISP_E_UNKNOWNNAME) and its description when it raised one.
com::Variant GetProperty(IDispatch* object, const std::wstring& name);

}  // namespace browser
