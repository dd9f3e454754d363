// The toolkit's errors: misuse of components and controls. Both carry an
// HRESULT like every error inside the library, so a COM boundary turns them
// into a failure code.
#pragma once

#include <string>

#include "platform/com/ComError.h"

namespace forms {

// A component name that is not an identifier or is already taken, an ownership
// cycle, an index out of range.
class EComponentError : public com::ComError {
 public:
  explicit EComponentError(const std::wstring& message) : com::ComError(E_INVALIDARG, message) {}
};

// An operation the control's state does not allow (focusing a hidden control,
// a window without a parent window, a control parented to itself).
class EInvalidOperation : public com::ComError {
 public:
  explicit EInvalidOperation(const std::wstring& message) : com::ComError(E_FAIL, message) {}
};

// A layout that cannot be built: a handler name the form does not provide, a
// handler of the wrong kind for its event, a reference to a component that is
// not declared. Raised while building; what was built stays owned by the form.
class ELayoutError : public com::ComError {
 public:
  explicit ELayoutError(const std::wstring& message) : com::ComError(E_INVALIDARG, message) {}
};

}  // namespace forms
