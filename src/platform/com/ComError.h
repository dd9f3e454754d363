// Errors inside the library are exceptions carrying an HRESULT and a message.
// Every COM method and exported function is a boundary that catches them.
#pragma once

#include <stdexcept>
#include <string>

#include "platform/com/ComTypes.h"

namespace com {

class ComError : public std::runtime_error {
 public:
  ComError(HRESULT hr, const std::wstring& message);
  explicit ComError(HRESULT hr);
  HRESULT hr() const { return hr_; }
  const std::wstring& message() const { return message_; }

 private:
  HRESULT hr_;
  std::wstring message_;
};

// A failed call on an outside component: carries that component's own code.
class CallFailed : public ComError {
 public:
  using ComError::ComError;
};

// Raises CallFailed when hr is a failure code; returns hr otherwise.
HRESULT Check(HRESULT hr, const wchar_t* what = nullptr);

// Text of an HRESULT for messages ("0x80004005").
std::wstring HResultText(HRESULT hr);

// Converts whatever is in flight at a COM boundary into an HRESULT: a ComError
// gives its own code, anything else E_UNEXPECTED. Call only from a catch block.
HRESULT HResultFromCurrentException();

// Same, and also publishes the message as the thread's error information
// (source = progId, interface iid) as automation callers expect.
HRESULT HResultFromCurrentException(REFIID iid, const wchar_t* source);

}  // namespace com

// Wraps a COM method body: `VORN_COM_BOUNDARY({ ... return S_OK; })`.
#define VORN_COM_BOUNDARY(body)                   \
  try body catch (...) {                          \
    return ::com::HResultFromCurrentException();  \
  }
