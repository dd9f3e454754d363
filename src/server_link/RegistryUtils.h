// The registry helpers of the settings store: read a switch or a string under
// a key, creating what is missing with its default, and write a string. Each
// call opens its own key and closes it on every path.
#pragma once

#include <string>

#include "platform/win/WinTypes.h"

namespace vorn {

// root\key\name as a REG_DWORD, non-zero = true. A key that cannot be opened
// (nor created) reads as false, whatever the default. A value that is missing
// or not a REG_DWORD is written as default (1 or 0) and reads as default;
// false when that write fails too. Never raises.
bool RegReadBool(HKEY root, const std::wstring& key, const std::wstring& name, bool defaultValue) noexcept;

// root\key\name as a string (REG_SZ or REG_EXPAND_SZ, not expanded). A key that
// cannot be opened reads as default; a missing value reads as "" and is not
// written; a value of another type is overwritten with default as a REG_SZ
// and reads as default (written or not). Never raises.
std::wstring RegReadString(HKEY root, const std::wstring& key, const std::wstring& name,
                           const std::wstring& defaultValue) noexcept;

// Writes value as a REG_SZ under root\key, creating the key. Nothing happens
// when the key cannot be opened; a refused write raises win::RegistryError.
void RegWriteString(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& value);

}  // namespace vorn
