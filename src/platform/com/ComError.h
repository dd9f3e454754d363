// Errors inside the library are exceptions carrying an HRESULT and a message.
// Every COM method and exported function is a boundary that catches them
// (Boundary.h) and turns them into a code by the one classification below.
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

// Raises ComError when hr is a failure code; returns hr otherwise. `what`
// names the call in the message.
HRESULT Check(HRESULT hr, const wchar_t* what = nullptr);

// Text of an HRESULT for messages ("0x80004005").
std::wstring HResultText(HRESULT hr);

// The code of the exception in flight at a boundary: std::bad_alloc gives
// E_OUTOFMEMORY, a ComError its own code, anything else E_UNEXPECTED; its
// text goes to *message when asked for. Call only from a catch block
// (with nothing in flight the answer is E_UNEXPECTED).
HRESULT HResultFromCurrentException(std::wstring* message = nullptr) noexcept;

// Publishes a failure as the thread's error information (source = progId,
// interface iid), as automation callers expect; the code's text stands in
// for an empty message.
void PublishErrorInfo(HRESULT hr, const std::wstring& message, REFIID iid, const wchar_t* source) noexcept;

// Classifies what is in flight and publishes it as error information.
HRESULT HResultFromCurrentException(REFIID iid, const wchar_t* source) noexcept;

}  // namespace com
