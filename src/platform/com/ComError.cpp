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

}  // namespace

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

ComError::ComError(HRESULT hr, const std::wstring& message)
    : std::runtime_error(WhatText(hr, message)), hr_(hr), message_(message) {}

ComError::ComError(HRESULT hr) : ComError(hr, std::wstring()) {}

HRESULT Check(HRESULT hr, const wchar_t* what) {
  if (FAILED(hr)) throw ComError(hr, what ? std::wstring(what) + L" failed: " + HResultText(hr) : HResultText(hr));
  return hr;
}

std::wstring HResultText(HRESULT hr) {
  char buf[16];
  std::snprintf(buf, sizeof(buf), "0x%08X", static_cast<unsigned>(static_cast<std::uint32_t>(hr)));
  return std::wstring(buf, buf + std::char_traits<char>::length(buf));
}

HRESULT HResultFromCurrentException(std::wstring* message) noexcept {
  // Out of memory while copying the text: the code still gets through.
  auto describe = [message](auto&& text) noexcept {
    if (!message) return;
    try {
      *message = text();
    } catch (...) {
      message->clear();
    }
  };
  describe([] { return std::wstring(); });
  if (!std::current_exception()) return E_UNEXPECTED;
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const ComError& e) {
    describe([&] { return e.message(); });
    return e.hr();
  } catch (const std::exception& e) {
    describe([&] { return FromUtf8(e.what()); });
    return E_UNEXPECTED;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT HResultFromCurrentException(REFIID iid, const wchar_t* source) noexcept {
  std::wstring message;
  const HRESULT hr = HResultFromCurrentException(&message);
  PublishErrorInfo(hr, message, iid, source);
  return hr;
}

}  // namespace com
