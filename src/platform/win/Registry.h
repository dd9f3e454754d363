// The registry subset the library calls, with the Windows signatures and
// error conventions (LSTATUS codes, byte counts, wide-character names).
//
// On Windows these are the system's functions. The portable backend keeps a
// per-user store in SQLite: the file named by VORNIE_REGISTRY, else
// $XDG_DATA_HOME/vornie/registry.db (~/.local/share/vornie/registry.db);
// VORNIE_REGISTRY=":memory:" keeps it in this process only.
// HKEY_CLASSES_ROOT is the per-user class store (HKEY_CURRENT_USER\Software\Classes).
// Names compare without case and keep the case they were created with; subkeys
// enumerate in the order of their upper-cased names, values in creation order
// (Windows documents neither order; Wine sorts lower-cased names, values too).
// String data sizes are bytes including the terminator. Tests and tools steer
// the portable store through platform/portable/registry/RegistryControl.h.
#pragma once

#include "platform/win/WinTypes.h"

namespace win {

#ifdef _WIN32
using ::RegCloseKey;
using ::RegCreateKeyExW;
using ::RegDeleteKeyW;
using ::RegDeleteTreeW;
using ::RegDeleteValueW;
using ::RegEnumKeyExW;
using ::RegEnumValueW;
using ::RegOpenKeyExW;
using ::RegQueryValueExW;
using ::RegSetValueExW;
#else
// Creates missing keys along the path; *lpdwDisposition tells REG_CREATED_NEW_KEY from REG_OPENED_EXISTING_KEY.
LSTATUS RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass, DWORD dwOptions,
                        REGSAM samDesired, const SECURITY_ATTRIBUTES* lpSecurityAttributes, PHKEY phkResult,
                        DWORD* lpdwDisposition);
LSTATUS RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);
LSTATUS RegCloseKey(HKEY hKey);
// Deletes a key without subkeys; ERROR_ACCESS_DENIED when it has subkeys.
LSTATUS RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey);
// Deletes the subkey and everything below it; with lpSubKey null or empty, everything below hKey
// (its values only if hKey may set values, else ERROR_ACCESS_DENIED after the subkeys went).
LSTATUS RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey);
LSTATUS RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName);
// The data is kept byte for byte whatever the type says: a string without its terminator,
// or a REG_DWORD of 3 bytes, reads back just so.
LSTATUS RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                       DWORD cbData);
// Without lpData only the size; a short buffer gives ERROR_MORE_DATA and the size needed.
LSTATUS RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD* lpReserved, DWORD* lpType, BYTE* lpData,
                         DWORD* lpcbData);
LSTATUS RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, DWORD* lpcchName, DWORD* lpReserved, LPWSTR lpClass,
                      DWORD* lpcchClass, FILETIME* lpftLastWriteTime);
LSTATUS RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, DWORD* lpcchValueName, DWORD* lpReserved,
                      DWORD* lpType, BYTE* lpData, DWORD* lpcbData);
#endif

}  // namespace win
