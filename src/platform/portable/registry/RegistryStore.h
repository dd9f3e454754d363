// The per-user registry database: a tree of keys with typed values in SQLite.
//
// Several processes may share one database file: it runs in WAL mode with a
// busy timeout, and every change happens inside BEGIN IMMEDIATE so that writers
// queue instead of failing. The store knows nothing of handles, roots or access
// rights; it answers questions about key ids. Callers serialise use of one
// store object.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win/WinTypes.h"

struct sqlite3;
struct sqlite3_stmt;

namespace win::regstore {

using KeyId = std::int64_t;

// The two hives' top keys; they exist in every store and cannot be deleted.
inline constexpr KeyId kUserRoot = 1;     // HKEY_CURRENT_USER
inline constexpr KeyId kMachineRoot = 2;  // HKEY_LOCAL_MACHINE

// A failure of the database itself, carrying the status the registry call returns.
struct StoreError {
  LSTATUS status;
  std::string message;
};

// A value as the registry functions hand it out: exactly the bytes it was given.
struct Value {
  std::wstring name;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

struct SubKey {
  std::wstring name;
  std::uint64_t lastWrite = 0;  // FILETIME units
};

class RegistryStore {
 public:
  // Opens (creating if needed) the database at `path`, or a private one for ":memory:".
  // Throws StoreError.
  static std::unique_ptr<RegistryStore> Open(const std::string& path);
  ~RegistryStore();
  RegistryStore(const RegistryStore&) = delete;
  RegistryStore& operator=(const RegistryStore&) = delete;

  const std::string& Path() const { return path_; }

  // Groups calls into one transaction; without one each call stands alone.
  // A transaction that is not committed rolls back when it goes out of scope.
  class Transaction {
   public:
    Transaction(RegistryStore& store, bool write);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

   private:
    RegistryStore& store_;
    bool open_ = false;
  };

  bool KeyExists(KeyId key);
  std::optional<KeyId> FindChild(KeyId parent, std::wstring_view name);
  KeyId CreateChild(KeyId parent, std::wstring_view name);
  bool HasChildren(KeyId key);
  bool HasValues(KeyId key);
  // Removes the key and its values; the caller has made sure it has no subkeys.
  void DeleteKey(KeyId key);
  // Removes every key below `key` with their values; `key` keeps its own values.
  void DeleteSubkeys(KeyId key);
  void DeleteValues(KeyId key);

  // `data`/`size` in the registry functions' form (wide characters for string types).
  // String data ending in one terminator is kept as readable text; any other
  // string data (unterminated, a stray byte, not valid text) as the bytes given.
  void SetValue(KeyId key, std::wstring_view name, DWORD type, const BYTE* data, DWORD size);
  std::optional<Value> GetValue(KeyId key, std::wstring_view name);
  bool DeleteValue(KeyId key, std::wstring_view name);

  // Subkeys in the order of their upper-cased names, values in creation order.
  std::optional<SubKey> EnumKey(KeyId key, DWORD index);
  std::optional<Value> EnumValue(KeyId key, DWORD index);

 private:
  explicit RegistryStore(sqlite3* db, std::string path);
  void Initialise();
  void Exec(const char* sql);
  sqlite3_stmt* Prepare(const char* sql);
  void Touch(KeyId key);
  [[noreturn]] void Fail(int rc, const char* what);

  class Statement;
  sqlite3* db_;
  std::string path_;
  std::vector<std::pair<const char*, sqlite3_stmt*>> cache_;
};

// Whether values of this type are kept as text.
bool IsStringType(DWORD type);

}  // namespace win::regstore
