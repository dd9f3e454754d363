#include "platform/com/ComError.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <new>

#include "platform/com/ComPtr.h"
#include "platform/com/Text.h"

namespace com {
namespace {

std::string WhatText(HRESULT hr, const std::wstring& message) {
  return message.empty() ? ToUtf8(HResultText(hr)) : ToUtf8(message);
}

// The code and message of the exception in flight; E_UNEXPECTED for anything
// that is not one of ours.
HRESULT Classify(std::wstring* message) noexcept {
  std::exception_ptr current = std::current_exception();
  if (!current) return E_UNEXPECTED;
  try {
    try {
      std::rethrow_exception(current);
    } catch (const ComError& e) {
      *message = e.message();
      return e.hr();
    } catch (const std::exception& e) {
      *message = FromUtf8(e.what());
      return E_UNEXPECTED;
    } catch (...) {
      return E_UNEXPECTED;
    }
  } catch (...) {
    // Building the message itself failed: the code is all there is.
    message->clear();
    return E_UNEXPECTED;
  }
}

void PublishErrorInfo(HRESULT hr, const std::wstring& message, REFIID iid, const wchar_t* source) noexcept {
  try {
    ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(create.ReleaseAndGetAddressOf())) || !create) return;
    std::wstring description = message.empty() ? HResultText(hr) : message;
    std::wstring sourceText = source ? source : L"";
    create->SetGUID(iid);
    create->SetSource(sourceText.data());
    create->SetDescription(description.data());
    ComPtr<IErrorInfo> info;
    if (FAILED(create->QueryInterface(IID_IErrorInfo, info.PutVoid())) || !info) return;
    SetErrorInfo(0, info.Get());
  } catch (...) {
    // Out of memory while describing an error: the HRESULT still gets through.
  }
}

}  // namespace

ComError::ComError(HRESULT hr, const std::wstring& message)
    : std::runtime_error(WhatText(hr, message)), hr_(hr), message_(message) {}

ComError::ComError(HRESULT hr) : ComError(hr, std::wstring()) {}

HRESULT Check(HRESULT hr, const wchar_t* what) {
  if (FAILED(hr)) {
    throw CallFailed(hr, what ? std::wstring(what) + L" failed: " + HResultText(hr) : HResultText(hr));
  }
  return hr;
}

std::wstring HResultText(HRESULT hr) {
  char buf[16];
  std::snprintf(buf, sizeof(buf), "0x%08X", static_cast<unsigned>(static_cast<std::uint32_t>(hr)));
  return std::wstring(buf, buf + std::char_traits<char>::length(buf));
}

HRESULT HResultFromCurrentException() {
  std::wstring message;
  return Classify(&message);
}

HRESULT HResultFromCurrentException(REFIID iid, const wchar_t* source) {
  std::wstring message;
  const HRESULT hr = Classify(&message);
  PublishErrorInfo(hr, message, iid, source);
  return hr;
}

}  // namespace com
