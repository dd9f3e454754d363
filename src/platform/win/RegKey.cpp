#include "platform/win/RegKey.h"

#include <utility>

namespace win {
namespace {

// Longest names Windows allows, plus the terminator.
constexpr DWORD kKeyNameBuffer = 256;
constexpr DWORD kValueNameBuffer = 16384;

[[noreturn]] void WalkFailed(LSTATUS status, const char* what) {
  std::string message = std::string(what) + " failed with error " + std::to_string(status);
  if (const std::string reason = RegistryFailureReason(status); !reason.empty()) message += ": " + reason;
  throw RegistryError(status, message);
}

}  // namespace

#ifdef _WIN32
// The system's registry keeps no reason beyond the status; the portable store
// defines this beside the reasons it records.
std::string LastRegistryFailure() { return {}; }
#endif

std::string RegistryFailureReason(LSTATUS status) {
  // Only a failure of the store records a reason; any other status would show a stale one.
  const bool fromStore = status == ERROR_REGISTRY_IO_FAILED || status == ERROR_REGISTRY_CORRUPT ||
                         status == ERROR_CANTWRITE;
  return fromStore ? LastRegistryFailure() : std::string();
}

RegKey::RegKey(RegKey&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}

RegKey& RegKey::operator=(RegKey&& o) noexcept {
  if (this != &o) {
    Close();
    h_ = std::exchange(o.h_, nullptr);
  }
  return *this;
}

RegKey::~RegKey() { Close(); }

LSTATUS RegKey::Create(HKEY parent, const std::wstring& subKey, REGSAM sam) {
  Close();
  HKEY h = nullptr;
  const LSTATUS status =
      RegCreateKeyExW(parent, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, sam, nullptr, &h, nullptr);
  if (status == ERROR_SUCCESS) h_ = h;
  return status;
}

LSTATUS RegKey::Open(HKEY parent, const std::wstring& subKey, REGSAM sam) {
  Close();
  HKEY h = nullptr;
  const LSTATUS status = RegOpenKeyExW(parent, subKey.c_str(), 0, sam, &h);
  if (status == ERROR_SUCCESS) h_ = h;
  return status;
}

void RegKey::Close() {
  if (h_) RegCloseKey(std::exchange(h_, nullptr));
}

LSTATUS RegKey::SetString(const std::wstring& name, const std::wstring& value, DWORD type) {
  const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(h_, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(value.c_str()), bytes);
}

LSTATUS RegKey::SetDword(const std::wstring& name, DWORD value) {
  return RegSetValueExW(h_, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

std::optional<std::wstring> RegKey::GetString(const std::wstring& name) const {
  // The value may grow between asking for its size and reading it; ask again then.
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD type = REG_NONE;
    DWORD bytes = 0;
    if (RegQueryValueExW(h_, name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD got = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    const LSTATUS status =
        RegQueryValueExW(h_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &got);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    // Windows keeps whatever bytes were stored: the terminator may be missing,
    // or the data may end in several; the string stops at the first.
    text.resize(got / sizeof(wchar_t));
    if (const auto end = text.find(L'\0'); end != std::wstring::npos) text.resize(end);
    return text;
  }
  return std::nullopt;
}

std::optional<DWORD> RegKey::GetDword(const std::wstring& name) const {
  DWORD type = REG_NONE;
  DWORD value = 0;
  DWORD bytes = sizeof(value);
  if (RegQueryValueExW(h_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes) != ERROR_SUCCESS)
    return std::nullopt;
  if (type != REG_DWORD || bytes != sizeof(value)) return std::nullopt;
  return value;
}

LSTATUS RegKey::DeleteValue(const std::wstring& name) { return RegDeleteValueW(h_, name.c_str()); }

std::vector<std::wstring> RegKey::SubKeyNames() const {
  std::vector<std::wstring> names;
  if (!h_) return names;
  wchar_t buffer[kKeyNameBuffer];
  for (DWORD index = 0;; ++index) {
    DWORD chars = kKeyNameBuffer;
    const LSTATUS status = RegEnumKeyExW(h_, index, buffer, &chars, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) WalkFailed(status, "listing the subkeys of a key");
    names.emplace_back(buffer, chars);
  }
  return names;
}

std::vector<std::wstring> RegKey::ValueNames() const {
  std::vector<std::wstring> names;
  if (!h_) return names;
  std::wstring buffer(kValueNameBuffer, L'\0');
  for (DWORD index = 0;; ++index) {
    DWORD chars = static_cast<DWORD>(buffer.size());
    const LSTATUS status =
        RegEnumValueW(h_, index, buffer.data(), &chars, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) WalkFailed(status, "listing the values of a key");
    names.emplace_back(buffer.data(), chars);
  }
  return names;
}

}  // namespace win
