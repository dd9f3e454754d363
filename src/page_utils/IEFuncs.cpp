#include "page_utils/IEFuncs.h"

#include <array>

#include "platform/browser/LateBound.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Variant.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Strings.h"
#include "platform/win/System.h"

namespace vorn {

namespace {

constexpr DWORD kPathBufferChars = 261;

std::wstring UpperCase(const std::wstring& text) {
  std::wstring result(text);
  if (!result.empty())
    win::LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, text.data(), static_cast<int>(text.size()),
                      result.data(), static_cast<int>(result.size()));
  return result;
}

// Holds the clipboard open for one reading.
class OpenedClipboard {
 public:
  OpenedClipboard() : open_(win::OpenClipboard(nullptr) != FALSE) {}
  ~OpenedClipboard() {
    if (open_) win::CloseClipboard();
  }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;
  bool IsOpen() const { return open_; }

 private:
  bool open_;
};

// The clipboard's text, read as Unicode whatever format it was put there in;
// empty when there is none or it cannot be read.
std::wstring ClipboardText() {
  OpenedClipboard clipboard;
  if (!clipboard.IsOpen()) return {};
  HANDLE data = win::GetClipboardData(CF_UNICODETEXT);
  if (!data) return {};
  const auto* chars = static_cast<const wchar_t*>(win::GlobalLock(data));
  if (!chars) return {};
  // Never past the block, whether or not the text ends in a zero.
  const std::size_t limit = win::GlobalSize(data) / sizeof(wchar_t);
  std::size_t length = 0;
  while (length < limit && chars[length] != L'\0') ++length;
  std::wstring text(chars, length);
  win::GlobalUnlock(data);
  return text;
}

// Copy does nothing without a selection, and the clipboard would still hold
// whatever the person copied before. A document that cannot say is copied from.
bool NothingSelected(IDispatch* document) {
  try {
    com::ComPtr<IDispatch> selection = browser::GetObjectProperty(document, L"selection");
    return selection && browser::GetProperty(selection.Get(), L"type").ToString() == L"None";
  } catch (...) {
    return false;
  }
}

}  // namespace

void GetSelectionText(IUnknown* Document, std::wstring& Text) {
  Text.clear();
  if (!Document) return;
  com::ComPtr<IUnknown> html;
  if (FAILED(Document->QueryInterface(browser::IID_IHTMLDocument2, html.PutVoid())) || !html) return;
  com::ComPtr<IDispatch> document;
  if (FAILED(html->QueryInterface(IID_IDispatch, document.PutVoid())) || !document) return;
  if (NothingSelected(document.Get())) return;
  browser::CallMethod(document.Get(), L"execCommand", {com::Variant(L"Copy"), com::Variant(false), com::Variant()});
  try {
    Text = ClipboardText();
  } catch (...) {
    Text.clear();  // the selection is lost, not the caller's command
  }
}

bool IsHostIExplore() {
  std::array<wchar_t, kPathBufferChars> buffer{};
  const DWORD length = win::GetModuleFileNameW(nullptr, buffer.data(), kPathBufferChars - 1);
  // The name may fill the buffer without a terminating zero (older systems): take the length given.
  const std::wstring path(buffer.data(), length);
  return UpperCase(path).find(UpperCase(L"IExplore.exe")) != std::wstring::npos;
}

}  // namespace vorn
