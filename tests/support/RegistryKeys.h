// Key handles and value helpers for tests that call the registry functions
// directly. Handles opened here stay open until CloseKeys.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win/Registry.h"

namespace testing_support {

class RegistryKeys {
 protected:
  void CloseKeys() {
    for (HKEY h : open_) win::RegCloseKey(h);
    open_.clear();
  }

  // Drops the handles without closing them: they went with their store.
  void ForgetKeys() { open_.clear(); }

  // Closes h with the others (a handle the test opened itself).
  void Keep(HKEY h) { open_.push_back(h); }

  // Creates root\path and keeps the handle until CloseKeys.
  HKEY Create(HKEY root, const wchar_t* path, REGSAM sam = KEY_ALL_ACCESS, DWORD* disposition = nullptr) {
    HKEY h = nullptr;
    EXPECT_EQ(win::RegCreateKeyExW(root, path, 0, nullptr, 0, sam, nullptr, &h, disposition), ERROR_SUCCESS) << path;
    open_.push_back(h);
    return h;
  }
  LSTATUS Open(HKEY root, const wchar_t* path, HKEY* out, REGSAM sam = KEY_READ) {
    const LSTATUS status = win::RegOpenKeyExW(root, path, 0, sam, out);
    if (status == ERROR_SUCCESS) open_.push_back(*out);
    return status;
  }
  bool Exists(HKEY root, const wchar_t* path) {
    HKEY h = nullptr;
    return Open(root, path, &h) == ERROR_SUCCESS;
  }

  static LSTATUS SetString(HKEY key, const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ) {
    return win::RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  static LSTATUS SetDword(HKEY key, const wchar_t* name, DWORD value) {
    return win::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  }
  // The value's type and bytes, or the failure.
  static LSTATUS Query(HKEY key, const wchar_t* name, DWORD& type, std::vector<BYTE>& data) {
    DWORD size = 0;
    if (LSTATUS status = win::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size)) return status;
    data.assign(size, 0xCC);
    const LSTATUS status = win::RegQueryValueExW(key, name, nullptr, &type, data.data(), &size);
    data.resize(size);
    return status;
  }
  static std::wstring AsString(const std::vector<BYTE>& data) {
    std::wstring s(data.size() / sizeof(wchar_t), L'?');
    std::memcpy(s.data(), data.data(), s.size() * sizeof(wchar_t));
    return s;
  }
  static std::vector<std::wstring> SubKeys(HKEY key) { return Enumerate(key, &win::RegEnumKeyExW); }
  static std::vector<std::wstring> ValueNames(HKEY key) { return Enumerate(key, &win::RegEnumValueW); }

 private:
  template <class EnumFn>
  static std::vector<std::wstring> Enumerate(HKEY key, EnumFn fn) {
    std::vector<std::wstring> names;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
      DWORD chars = 256;
      const LSTATUS status = fn(key, index, name, &chars, nullptr, nullptr, nullptr, nullptr);
      if (status == ERROR_NO_MORE_ITEMS) break;
      EXPECT_EQ(status, ERROR_SUCCESS);
      if (status != ERROR_SUCCESS) break;
      names.emplace_back(name, chars);
    }
    return names;
  }

  std::vector<HKEY> open_;
};

}  // namespace testing_support
