// The per-user registry database: a tree of keys with typed values in SQLite.
//
// Several processes may share one database file: it runs in WAL mode with a
// busy timeout, and every change happens inside BEGIN IMMEDIATE so that writers
// queue instead of failing, while readers only ever take read transactions and
// so never wait for a writer. The file carries the store's own application id:
// a database of another program is refused without being changed. The store
// knows nothing of handles, roots or access rights; it answers questions about
// key ids. Callers serialise use of one store object.
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

// Where a walk over a key's subkeys or values stands, so that the next index
// costs one index lookup instead of a scan from the start. Owned by whoever
// walks (a key handle); any change to the store makes it start afresh.
struct EnumCursor {
  KeyId key = 0;
  std::uint64_t generation = 0;  // 0: no position
  DWORD index = 0;
  std::int64_t seq = 0;  // values: the seq of entry `index`
  std::string fold;      // subkeys: the folded name of entry `index`
};

class RegistryStore {
 public:
  // Opens (creating if needed) the database at `path`, or a private one for ":memory:".
  // Throws StoreError; ERROR_REGISTRY_CORRUPT for a file that is not a registry
  // store, which is then left exactly as it was.
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
  // With the cursor of a walk, index n + 1 right after index n (or n again)
  // is found from where the walk stands.
  std::optional<SubKey> EnumKey(KeyId key, DWORD index);
  std::optional<Value> EnumValue(KeyId key, DWORD index);
  std::optional<SubKey> EnumKey(KeyId key, DWORD index, EnumCursor& cursor);
  std::optional<Value> EnumValue(KeyId key, DWORD index, EnumCursor& cursor);

  // The work SQLite has done for this store so far (virtual machine steps of
  // its statements), for tests that check how queries scale.
  std::int64_t WorkDone() const;

 private:
  explicit RegistryStore(sqlite3* db, std::string path);
  struct Layout;
  Layout Inspect();
  void Initialise();
  void CreateSchema(std::int64_t fromVersion);
  // Changes whenever this or another connection changed the database.
  std::uint64_t Generation();
  void Changed();
  void Exec(const char* sql);
  sqlite3_stmt* Prepare(const char* sql);
  void Touch(KeyId key);
  [[noreturn]] void Fail(int rc, const char* what);

  class Statement;
  sqlite3* db_;
  std::string path_;
  std::vector<std::pair<const char*, sqlite3_stmt*>> cache_;
  std::uint64_t generation_;
  std::int64_t dataVersion_ = -1;
};

// The application id that marks a registry store's database file.
inline constexpr std::int32_t kApplicationId = 0x566F5247;  // "VoRG"

// Whether values of this type are kept as text.
bool IsStringType(DWORD type);

}  // namespace win::regstore
