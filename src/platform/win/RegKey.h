// RAII and convenience over the win:: registry subset: one owned key handle,
// string and DWORD values as std::wstring / DWORD, errors as LSTATUS.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/win/Registry.h"

namespace win {

// A registry call that failed where the caller cannot return its status.
class RegistryError : public std::runtime_error {
 public:
  RegistryError(LSTATUS status, const std::string& message) : std::runtime_error(message), status_(status) {}
  LSTATUS status() const { return status_; }

 private:
  LSTATUS status_;
};

// The registry's own account of why a call last failed, where it keeps one
// (the portable store: which file, and what the database said); empty when it
// does not, or when nothing failed in this process.
std::string LastRegistryFailure();
// The same for a call that answered `status`: only statuses that tell of the
// store itself (cannot be read, written or opened) carry a reason.
std::string RegistryFailureReason(LSTATUS status);

class RegKey {
 public:
  RegKey() = default;
  explicit RegKey(HKEY h) : h_(h) {}
  RegKey(RegKey&& o) noexcept;
  RegKey& operator=(RegKey&& o) noexcept;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  ~RegKey();

  // Creates (or opens) parent\subKey for reading and writing.
  LSTATUS Create(HKEY parent, const std::wstring& subKey, REGSAM sam = KEY_READ | KEY_WRITE);
  LSTATUS Open(HKEY parent, const std::wstring& subKey, REGSAM sam = KEY_READ);
  void Close();

  HKEY Get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

  // An empty name is the key's default value.
  LSTATUS SetString(const std::wstring& name, const std::wstring& value, DWORD type = REG_SZ);
  LSTATUS SetDword(const std::wstring& name, DWORD value);
  // Strings of type REG_SZ or REG_EXPAND_SZ (not expanded); nullopt for a
  // missing value or one of another type.
  std::optional<std::wstring> GetString(const std::wstring& name) const;
  std::optional<DWORD> GetDword(const std::wstring& name) const;
  LSTATUS DeleteValue(const std::wstring& name);

  // Every name, or RegistryError: a walk that fails part way must not pass
  // for a shorter list. An empty RegKey has nothing to list.
  std::vector<std::wstring> SubKeyNames() const;
  std::vector<std::wstring> ValueNames() const;

 private:
  HKEY h_ = nullptr;
};

}  // namespace win
