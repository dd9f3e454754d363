#include "server_link/RegistryUtils.h"

#include "platform/com/Text.h"
#include "platform/win/RegKey.h"

namespace vorn {

bool RegReadBool(HKEY root, const std::wstring& key, const std::wstring& name, bool defaultValue) noexcept {
  try {
    win::RegKey settings;
    if (settings.Create(root, key) != ERROR_SUCCESS) return false;
    if (const auto value = settings.GetDword(name)) return *value != 0;
    // Missing, or not a number: the switch starts over from its default.
    if (settings.SetDword(name, defaultValue ? 1 : 0) != ERROR_SUCCESS) return false;
    return defaultValue;
  } catch (...) {
    return false;
  }
}

std::wstring RegReadString(HKEY root, const std::wstring& key, const std::wstring& name,
                           const std::wstring& defaultValue) noexcept {
  try {
    win::RegKey settings;
    if (settings.Create(root, key) != ERROR_SUCCESS) return defaultValue;
    if (auto text = settings.GetString(name)) return std::move(*text);
    // GetString cannot tell a missing value from one of another type; only
    // the second is replaced. A value that cannot be read at all is left as
    // it is and reads as missing.
    DWORD type = REG_NONE;
    DWORD bytes = 0;
    if (win::RegQueryValueExW(settings.Get(), name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        type == REG_SZ || type == REG_EXPAND_SZ)
      return std::wstring();
    settings.SetString(name, defaultValue);
    return defaultValue;
  } catch (...) {
    return defaultValue;
  }
}

void RegWriteString(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& value) {
  win::RegKey settings;
  if (settings.Create(root, key) != ERROR_SUCCESS) return;
  if (const LSTATUS status = settings.SetString(name, value); status != ERROR_SUCCESS) {
    std::string message = "cannot write the registry value " + com::ToUtf8(name);
    if (const std::string reason = win::RegistryFailureReason(status); !reason.empty()) message += ": " + reason;
    throw win::RegistryError(status, message);
  }
}

}  // namespace vorn
