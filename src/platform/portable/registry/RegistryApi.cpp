// The win:: registry functions over the SQLite store: predefined roots, key
// handles, access rights and the Windows error conventions.
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <new>
#include <stdexcept>
#include <unordered_map>

#include "platform/portable/registry/RegistryControl.h"
#include "platform/portable/registry/RegistryStore.h"
#include "platform/win/Registry.h"
#include "platform/win/RegKey.h"

namespace win {
namespace {

using regstore::KeyId;
using regstore::RegistryStore;
using regstore::StoreError;

constexpr size_t kMaxKeyNameChars = 255;
constexpr size_t kMaxValueNameChars = 16383;

// Access bits (SDK names in comments) that only writing needs.
constexpr REGSAM kDelete = 0x00010000;         // DELETE
constexpr REGSAM kWriteDac = 0x00040000;       // WRITE_DAC
constexpr REGSAM kWriteOwner = 0x00080000;     // WRITE_OWNER
constexpr REGSAM kCreateLink = 0x00000020;     // KEY_CREATE_LINK
constexpr REGSAM kMaximumAllowed = 0x02000000;  // MAXIMUM_ALLOWED
constexpr REGSAM kGenericRead = 0x80000000;
constexpr REGSAM kGenericWrite = 0x40000000;
constexpr REGSAM kGenericExecute = 0x20000000;
constexpr REGSAM kGenericAll = 0x10000000;
constexpr REGSAM kWriteAccess =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | kCreateLink | kDelete | kWriteDac | kWriteOwner | kGenericWrite | kGenericAll;

constexpr DWORD kOptionVolatile = 0x1;  // REG_OPTION_VOLATILE

enum class Hive { User, Machine };

// Where a walk over a key stands, as a real handle remembers it.
struct Cursors {
  regstore::EnumCursor keys;
  regstore::EnumCursor values;
};

struct KeyHandle {
  KeyId id;
  Hive hive;
  REGSAM access;
  Cursors cursors;
};

struct State {
  std::mutex mu;
  std::unique_ptr<RegistryStore> store;
  std::string lastError;
  bool machineWritable = true;
  std::unordered_map<std::uintptr_t, KeyHandle> handles;
  std::unordered_map<std::uintptr_t, Cursors> rootCursors;  // of the predefined handles
  std::optional<unsigned> failAfter;  // registry calls before an injected failure
  // Never reused, so a handle closed by a store switch cannot come back as someone else's key.
  std::uintptr_t nextHandle = 0x1000;
};

State& GlobalState() {
  // Left alive at exit: static destructors elsewhere may still close keys.
  static State* state = new State;
  return *state;
}

std::uintptr_t HandleValue(HKEY h) { return reinterpret_cast<std::uintptr_t>(h); }

bool IsPredefined(HKEY h) {
  const std::uintptr_t v = HandleValue(h);
  return v >= HandleValue(HKEY_CLASSES_ROOT) && v <= HandleValue(HKEY_CLASSES_ROOT) + 7;
}

std::string DefaultPath(bool& isDefault) {
  isDefault = false;
  if (const char* env = std::getenv("VORNIE_REGISTRY"); env && *env) return env;
  isDefault = true;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')  // relative ones are to be ignored
    return std::string(xdg) + "/vornie/registry.db";
  std::string home;
  if (const char* env = std::getenv("HOME"); env && *env) {
    home = env;
  } else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) {
    home = pw->pw_dir;
  }
  return home + "/.local/share/vornie/registry.db";
}

// Closing the database at exit lets the last process fold the write-ahead log
// back into the file and remove it; a call after this simply opens it again.
void CloseStoreAtExit() {
  State& s = GlobalState();
  std::lock_guard lock(s.mu);
  s.store.reset();
}

void CloseStoreAtExitOnce() {
  static std::once_flag once;
  std::call_once(once, [] { std::atexit(CloseStoreAtExit); });
}

// What a registry call needs of the store: reading and deleting never bring one into being.
enum class Use { Read, Create };

// Forgets every handle and walk of the store that was in use.
void ForgetHandles(State& s) {
  s.handles.clear();
  s.rootCursors.clear();
}

// The store, opened on first use; null when `use` only reads and no store exists
// yet, which reads as an empty registry. Throws StoreError.
RegistryStore* Store(State& s, Use use) {
  CloseStoreAtExitOnce();
  if (s.failAfter && (*s.failAfter)-- == 0) {
    s.failAfter.reset();
    const std::string path = s.store ? s.store->Path() : registry::DefaultStorePath();
    throw StoreError{ERROR_REGISTRY_IO_FAILED, "registry store " + path + ": disk I/O error (injected)"};
  }
  if (!s.store) {
    bool isDefault = false;
    const std::string path = DefaultPath(isDefault);
    const std::filesystem::path file(path);
    std::error_code error;
    if (path != ":memory:" && !std::filesystem::exists(file, error) && !error) {
      // A store in a folder that does not exist is a mistake worth reporting,
      // unless it is the default folder that the first write makes.
      const bool folderThere = std::filesystem::is_directory(file.parent_path(), error);
      if (use == Use::Read && (folderThere || isDefault)) return nullptr;
      if (isDefault) std::filesystem::create_directories(file.parent_path(), error);  // opening reports failure
    }
    s.store = RegistryStore::Open(path);
  }
  return s.store.get();
}

// The answer to a read before any store exists: the key asked for is not there.
LSTATUS NothingStored(const State& s, HKEY h, LSTATUS notThere = ERROR_FILE_NOT_FOUND) {
  return IsPredefined(h) || s.handles.count(HandleValue(h)) ? notThere : ERROR_INVALID_HANDLE;
}

Cursors& CursorsOf(State& s, HKEY h) {
  const auto it = s.handles.find(HandleValue(h));
  return it != s.handles.end() ? it->second.cursors : s.rootCursors[HandleValue(h)];
}

// Runs a registry call under the process lock, turning store failures into its status.
template <typename F>
LSTATUS Guarded(F&& body) {
  State& s = GlobalState();
  std::lock_guard lock(s.mu);
  try {
    return body(s);
  } catch (const StoreError& e) {
    s.lastError = e.message;
    return e.status;
  } catch (const std::bad_alloc&) {
    return ERROR_OUTOFMEMORY;
  } catch (const std::exception& e) {
    s.lastError = e.what();
    return ERROR_REGISTRY_IO_FAILED;
  }
}

// Splits a path relative to a key; null or empty names the key itself. As on
// Windows, a run of separators counts as one, but a relative path cannot start
// with one.
LSTATUS SplitPath(LPCWSTR path, std::vector<std::wstring_view>& parts) {
  parts.clear();
  if (!path || !*path) return ERROR_SUCCESS;
  std::wstring_view rest(path);
  if (rest.front() == L'\\') return ERROR_BAD_PATHNAME;
  while (!rest.empty()) {
    const size_t cut = rest.find(L'\\');
    const std::wstring_view part = rest.substr(0, cut);
    if (part.size() > kMaxKeyNameChars) return ERROR_INVALID_PARAMETER;
    if (!part.empty()) parts.push_back(part);
    if (cut == std::wstring_view::npos) break;
    rest.remove_prefix(cut + 1);
  }
  return ERROR_SUCCESS;
}

bool Writable(const State& s, Hive hive) { return hive == Hive::User || s.machineWritable; }

bool WantsWrite(REGSAM sam) { return (sam & kWriteAccess) != 0; }

REGSAM Granted(REGSAM sam, bool writable) {
  if (sam & (kGenericRead | kGenericExecute)) sam |= KEY_READ;
  if (sam & kGenericWrite) sam |= KEY_WRITE;
  if (sam & kGenericAll) sam |= KEY_ALL_ACCESS;
  if (sam & kMaximumAllowed) sam |= writable ? KEY_ALL_ACCESS : KEY_READ;
  return sam & ~(KEY_WOW64_32KEY | KEY_WOW64_64KEY);
}

// What a key handle argument stands for.
struct Base {
  std::optional<KeyId> id;  // empty: HKEY_CLASSES_ROOT before anything was ever written to it
  Hive hive = Hive::User;
  REGSAM access = KEY_ALL_ACCESS;
  bool classesRoot = false;
};

// HKEY_CLASSES_ROOT is HKEY_CURRENT_USER\Software\Classes; writers bring it into being.
std::optional<KeyId> ClassesRoot(RegistryStore& store, bool create) {
  KeyId id = regstore::kUserRoot;
  for (const wchar_t* part : {L"Software", L"Classes"}) {
    if (auto child = store.FindChild(id, part)) {
      id = *child;
    } else if (create) {
      id = store.CreateChild(id, part);
    } else {
      return std::nullopt;
    }
  }
  return id;
}

LSTATUS ResolveBase(State& s, RegistryStore& store, HKEY h, bool write, Base& out) {
  out = Base{};
  if (h == HKEY_CURRENT_USER) {
    out.id = regstore::kUserRoot;
  } else if (h == HKEY_LOCAL_MACHINE) {
    out.id = regstore::kMachineRoot;
    out.hive = Hive::Machine;
  } else if (h == HKEY_CLASSES_ROOT) {
    out.id = ClassesRoot(store, write);
    out.classesRoot = true;
  } else {
    const auto it = s.handles.find(HandleValue(h));
    if (it == s.handles.end()) return ERROR_INVALID_HANDLE;
    if (!store.KeyExists(it->second.id)) return ERROR_KEY_DELETED;
    out.id = it->second.id;
    out.hive = it->second.hive;
    out.access = it->second.access;
  }
  return ERROR_SUCCESS;
}

// Follows `parts` down from `from`; empty when a key on the way is missing.
std::optional<KeyId> Walk(RegistryStore& store, KeyId from, const std::vector<std::wstring_view>& parts) {
  KeyId id = from;
  for (const auto part : parts) {
    const auto child = store.FindChild(id, part);
    if (!child) return std::nullopt;
    id = *child;
  }
  return id;
}

HKEY NewHandle(State& s, const KeyHandle& key) {
  const std::uintptr_t value = s.nextHandle;
  s.handles.emplace(value, key);
  s.nextHandle += 4;
  return reinterpret_cast<HKEY>(value);
}

// Hands data out the Windows way: size only without a buffer, ERROR_MORE_DATA
// with the size needed when the buffer is short.
LSTATUS CopyData(const std::vector<BYTE>& data, BYTE* out, DWORD* size) {
  const DWORD needed = static_cast<DWORD>(data.size());
  if (!out) {
    if (size) *size = needed;
    return ERROR_SUCCESS;
  }
  if (*size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (needed) std::memcpy(out, data.data(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

std::wstring_view ValueName(LPCWSTR name) { return name ? std::wstring_view(name) : std::wstring_view(); }

}  // namespace

LSTATUS RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass, DWORD dwOptions,
                        REGSAM samDesired, const SECURITY_ATTRIBUTES* lpSecurityAttributes, PHKEY phkResult,
                        DWORD* lpdwDisposition) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  // Volatile keys are kept like any other: nothing here outlives a reboot differently.
  if (Reserved || (dwOptions & ~kOptionVolatile)) return ERROR_INVALID_PARAMETER;
  std::vector<std::wstring_view> parts;
  if (LSTATUS status = SplitPath(lpSubKey, parts)) return status;
  return Guarded([&](State& s) -> LSTATUS {
    RegistryStore& store = *Store(s, Use::Create);
    RegistryStore::Transaction txn(store, true);
    Base base;
    if (LSTATUS status = ResolveBase(s, store, hKey, true, base)) return status;
    const bool writable = Writable(s, base.hive);
    KeyId id = *base.id;
    bool created = false;
    for (const auto part : parts) {
      if (const auto child = store.FindChild(id, part)) {
        id = *child;
        continue;
      }
      if (!writable) return ERROR_ACCESS_DENIED;
      id = store.CreateChild(id, part);
      created = true;
    }
    if (!writable && WantsWrite(samDesired)) return ERROR_ACCESS_DENIED;
    txn.Commit();
    *phkResult = NewHandle(s, {id, base.hive, Granted(samDesired, writable), {}});
    if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
  });
}

LSTATUS RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  // Windows lets old programs open "\\CLSID\\..." below the classes root: one
  // leading backslash is skipped there, for opening only.
  if (hKey == HKEY_CLASSES_ROOT && lpSubKey && *lpSubKey == L'\\') ++lpSubKey;
  std::vector<std::wstring_view> parts;
  if (LSTATUS status = SplitPath(lpSubKey, parts)) return status;
  return Guarded([&](State& s) -> LSTATUS {
    RegistryStore* stored = Store(s, Use::Read);
    if (!stored) {
      const bool hive = hKey == HKEY_CURRENT_USER || hKey == HKEY_LOCAL_MACHINE;
      if (!hive || !parts.empty()) return NothingStored(s, hKey);
      // The hives' top keys exist in every store, even one not yet written.
      const Hive which = hKey == HKEY_CURRENT_USER ? Hive::User : Hive::Machine;
      const bool writable = Writable(s, which);
      if (!writable && WantsWrite(samDesired)) return ERROR_ACCESS_DENIED;
      *phkResult = NewHandle(s, {which == Hive::User ? regstore::kUserRoot : regstore::kMachineRoot, which,
                                 Granted(samDesired, writable), {}});
      return ERROR_SUCCESS;
    }
    RegistryStore& store = *stored;
    RegistryStore::Transaction txn(store, false);
    Base base;
    if (LSTATUS status = ResolveBase(s, store, hKey, false, base)) return status;
    if (!base.id) return ERROR_FILE_NOT_FOUND;
    const auto id = Walk(store, *base.id, parts);
    if (!id) return ERROR_FILE_NOT_FOUND;
    const bool writable = Writable(s, base.hive);
    if (!writable && WantsWrite(samDesired)) return ERROR_ACCESS_DENIED;
    txn.Commit();
    *phkResult = NewHandle(s, {*id, base.hive, Granted(samDesired, writable), {}});
    return ERROR_SUCCESS;
  });
}

LSTATUS RegCloseKey(HKEY hKey) {
  if (IsPredefined(hKey)) return ERROR_SUCCESS;
  State& s = GlobalState();
  std::lock_guard lock(s.mu);
  return s.handles.erase(HandleValue(hKey)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  std::vector<std::wstring_view> parts;
  if (LSTATUS status = SplitPath(lpSubKey, parts)) return status;
  return Guarded([&](State& s) -> LSTATUS {
    RegistryStore* stored = Store(s, Use::Read);
    if (!stored) return NothingStored(s, hKey);
    RegistryStore& store = *stored;
    RegistryStore::Transaction txn(store, true);
    Base base;
    if (LSTATUS status = ResolveBase(s, store, hKey, true, base)) return status;
    const auto id = Walk(store, *base.id, parts);
    if (!id) return ERROR_FILE_NOT_FOUND;
    const bool isRoot = *id == regstore::kUserRoot || *id == regstore::kMachineRoot;
    if (isRoot || (parts.empty() && base.classesRoot)) return ERROR_ACCESS_DENIED;
    if (!Writable(s, base.hive) || store.HasChildren(*id)) return ERROR_ACCESS_DENIED;
    store.DeleteKey(*id);
    txn.Commit();
    return ERROR_SUCCESS;
  });
}

LSTATUS RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey) {
  std::vector<std::wstring_view> parts;
  if (LSTATUS status = SplitPath(lpSubKey, parts)) return status;
  return Guarded([&](State& s) -> LSTATUS {
    RegistryStore* stored = Store(s, Use::Read);
    if (!stored) return NothingStored(s, hKey, parts.empty() ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
    RegistryStore& store = *stored;
    RegistryStore::Transaction txn(store, true);
    Base base;
    if (LSTATUS status = ResolveBase(s, store, hKey, true, base)) return status;
    const auto id = Walk(store, *base.id, parts);
    if (!id) return ERROR_FILE_NOT_FOUND;
    if (!Writable(s, base.hive)) return ERROR_ACCESS_DENIED;
    if (!parts.empty()) {
      // A named subtree is opened afresh for deleting, whatever `hKey` allows.
      store.DeleteSubkeys(*id);
      store.DeleteKey(*id);
      txn.Commit();
      return ERROR_SUCCESS;
    }
    // The key's own contents go through `hKey`, as Windows does it: list it,
    // delete the subkeys, then the values one by one, which needs the right to
    // change them. Subkeys deleted before that check stay deleted.
    if (!(base.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    if (store.HasChildren(*id) && !(base.access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
    store.DeleteSubkeys(*id);
    LSTATUS status = ERROR_SUCCESS;
    if (store.HasValues(*id)) {
      if (base.access & KEY_SET_VALUE)
        store.DeleteValues(*id);
      else
        status = ERROR_ACCESS_DENIED;
    }
    txn.Commit();
    return status;
  });
}

LSTATUS RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
  return Guarded([&](State& s) -> LSTATUS {
    RegistryStore* stored = Store(s, Use::Read);
    if (!stored) return NothingStored(s, hKey);
    RegistryStore& store = *stored;
    RegistryStore::Transaction txn(store, true);
    Base base;
    if (LSTATUS status = ResolveBase(s, store, hKey, true, base)) return status;
    if (!(base.access & KEY_SET_VALUE) || !Writable(s, base.hive)) return ERROR_ACCESS_DENIED;
    if (!store.DeleteValue(*base.id, ValueName(lpValueName))) return ERROR_FILE_NOT_FOUND;
    txn.Commit();
    return ERROR_SUCCESS;
  });
}

LSTATUS RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                       DWORD cbData) {
  // The type is a label only: Windows keeps a REG_DWORD of any size, and so do we.
  if (!lpData && cbData) return ERROR_NOACCESS;
  const std::wstring_view name = ValueName(lpValueName);
  if (name.size() > kMaxValueNameChars) return ERROR_INVALID_PARAMETER;
  return Guarded([&](State& s) -> LSTATUS {
    RegistryStore& store = *Store(s, Use::Create);
    RegistryStore::Transaction txn(store, true);
    Base base;
    if (LSTATUS status = ResolveBase(s, store, hKey, true, base)) return status;
    if (!(base.access & KEY_SET_VALUE) || !Writable(s, base.hive)) return ERROR_ACCESS_DENIED;
    store.SetValue(*base.id, name, dwType, lpData, cbData);
    txn.Commit();
    return ERROR_SUCCESS;
  });
}

LSTATUS RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD* lpReserved, DWORD* lpType, BYTE* lpData,
                         DWORD* lpcbData) {
  if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  return Guarded([&](State& s) -> LSTATUS {
    RegistryStore* stored = Store(s, Use::Read);
    if (!stored) return NothingStored(s, hKey);
    RegistryStore& store = *stored;
    RegistryStore::Transaction txn(store, false);
    Base base;
    if (LSTATUS status = ResolveBase(s, store, hKey, false, base)) return status;
    if (!(base.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    if (!base.id) return ERROR_FILE_NOT_FOUND;
    const auto value = store.GetValue(*base.id, ValueName(lpValueName));
    if (!value) return ERROR_FILE_NOT_FOUND;
    if (lpType) *lpType = value->type;
    return CopyData(value->data, lpData, lpcbData);
  });
}

LSTATUS RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, DWORD* lpcchName, DWORD* lpReserved, LPWSTR lpClass,
                      DWORD* lpcchClass, FILETIME* lpftLastWriteTime) {
  if (!lpName || !lpcchName || lpReserved) return ERROR_INVALID_PARAMETER;
  return Guarded([&](State& s) -> LSTATUS {
    RegistryStore* stored = Store(s, Use::Read);
    if (!stored) return NothingStored(s, hKey, ERROR_NO_MORE_ITEMS);
    RegistryStore& store = *stored;
    RegistryStore::Transaction txn(store, false);
    Base base;
    if (LSTATUS status = ResolveBase(s, store, hKey, false, base)) return status;
    if (!(base.access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
    if (!base.id) return ERROR_NO_MORE_ITEMS;
    const auto key = store.EnumKey(*base.id, dwIndex, CursorsOf(s, hKey).keys);
    if (!key) return ERROR_NO_MORE_ITEMS;
    // Keys carry no class string, so a class buffer only needs room for the terminator.
    if (key->name.size() >= *lpcchName || (lpClass && lpcchClass && *lpcchClass < 1)) return ERROR_MORE_DATA;
    std::memcpy(lpName, key->name.c_str(), (key->name.size() + 1) * sizeof(wchar_t));
    *lpcchName = static_cast<DWORD>(key->name.size());
    if (lpClass && lpcchClass) lpClass[0] = L'\0';
    if (lpcchClass) *lpcchClass = 0;
    if (lpftLastWriteTime) {
      lpftLastWriteTime->dwLowDateTime = static_cast<DWORD>(key->lastWrite);
      lpftLastWriteTime->dwHighDateTime = static_cast<DWORD>(key->lastWrite >> 32);
    }
    return ERROR_SUCCESS;
  });
}

LSTATUS RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, DWORD* lpcchValueName, DWORD* lpReserved,
                      DWORD* lpType, BYTE* lpData, DWORD* lpcbData) {
  if (!lpValueName || !lpcchValueName || lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  return Guarded([&](State& s) -> LSTATUS {
    RegistryStore* stored = Store(s, Use::Read);
    if (!stored) return NothingStored(s, hKey, ERROR_NO_MORE_ITEMS);
    RegistryStore& store = *stored;
    RegistryStore::Transaction txn(store, false);
    Base base;
    if (LSTATUS status = ResolveBase(s, store, hKey, false, base)) return status;
    if (!(base.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    if (!base.id) return ERROR_NO_MORE_ITEMS;
    const auto value = store.EnumValue(*base.id, dwIndex, CursorsOf(s, hKey).values);
    if (!value) return ERROR_NO_MORE_ITEMS;
    if (lpType) *lpType = value->type;
    if (value->name.size() >= *lpcchValueName) {
      if (lpcbData) *lpcbData = static_cast<DWORD>(value->data.size());
      return ERROR_MORE_DATA;
    }
    std::memcpy(lpValueName, value->name.c_str(), (value->name.size() + 1) * sizeof(wchar_t));
    *lpcchValueName = static_cast<DWORD>(value->name.size());
    return CopyData(value->data, lpData, lpcbData);
  });
}

namespace registry {

void UseMemoryStore() {
  State& s = GlobalState();
  std::lock_guard lock(s.mu);
  try {
    s.store = RegistryStore::Open(":memory:");
  } catch (const StoreError& e) {
    throw std::runtime_error(e.message);
  }
  ForgetHandles(s);
}

LSTATUS UseFileStore(const std::string& path) {
  CloseStoreAtExitOnce();
  State& s = GlobalState();
  std::lock_guard lock(s.mu);
  try {
    s.store = RegistryStore::Open(path);
  } catch (const StoreError& e) {
    s.lastError = e.message;
    return e.status;
  } catch (const std::bad_alloc&) {
    return ERROR_OUTOFMEMORY;
  }
  ForgetHandles(s);
  return ERROR_SUCCESS;
}

void SetMachineWritable(bool writable) {
  State& s = GlobalState();
  std::lock_guard lock(s.mu);
  s.machineWritable = writable;
}

bool IsMachineWritable() {
  State& s = GlobalState();
  std::lock_guard lock(s.mu);
  return s.machineWritable;
}

void Reset() {
  State& s = GlobalState();
  std::lock_guard lock(s.mu);
  s.store.reset();
  ForgetHandles(s);
  s.machineWritable = true;
  s.lastError.clear();
  s.failAfter.reset();
}

std::string StorePath() {
  State& s = GlobalState();
  std::lock_guard lock(s.mu);
  return s.store ? s.store->Path() : std::string();
}

std::string DefaultStorePath() {
  bool isDefault = false;
  return DefaultPath(isDefault);
}

void FailStoreCallAfter(unsigned calls) {
  State& s = GlobalState();
  std::lock_guard lock(s.mu);
  s.failAfter = calls;
}

void ClearLastStoreError() {
  State& s = GlobalState();
  std::lock_guard lock(s.mu);
  s.lastError.clear();
}

std::int64_t StoreWorkDone() {
  State& s = GlobalState();
  std::lock_guard lock(s.mu);
  return s.store ? s.store->WorkDone() : 0;
}

std::string LastStoreError() {
  State& s = GlobalState();
  std::lock_guard lock(s.mu);
  return s.lastError;
}

}  // namespace registry
}  // namespace win

namespace win {

// Declared with the registry seam (platform/win/RegKey.h): the reason the store recorded last.
std::string LastRegistryFailure() { return registry::LastStoreError(); }

}  // namespace win
