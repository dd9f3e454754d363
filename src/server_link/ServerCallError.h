// A failed call on the archive application's server. Its code belongs to the
// server and is passed on unchanged by the page commands, whereas a failure
// of anything else they touch (the page, a frame, the library itself) is
// theirs to report as unexpected. Raise it only for calls on IGUIServer.
#pragma once

#include "platform/com/ComError.h"

namespace vorn {

class EServerCallFailed : public com::ComError {
 public:
  using ComError::ComError;
};

// Raises EServerCallFailed when hr, the answer of the server's method
// `method`, is a failure code; returns hr otherwise.
HRESULT CheckServerCall(HRESULT hr, const wchar_t* method);

}  // namespace vorn
