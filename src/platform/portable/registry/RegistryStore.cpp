#include "platform/portable/registry/RegistryStore.h"

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/com/Text.h"
#include "platform/portable/registry/RegistryText.h"

namespace win::regstore {
namespace {

constexpr int kBusyTimeoutMs = 5000;
constexpr int kSchemaVersion = 2;

LSTATUS StatusFor(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return ERROR_CANTWRITE;
    case SQLITE_NOMEM:
      return ERROR_OUTOFMEMORY;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
      return ERROR_REGISTRY_CORRUPT;
    default:
      return ERROR_REGISTRY_IO_FAILED;
  }
}

// Generations are unique in the process, so that a cursor can never match a
// store object other than the one it was made on.
std::uint64_t NextGeneration() {
  static std::atomic<std::uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

std::uint64_t NowFileTime() {
  // FILETIME counts 100 ns intervals since 1601-01-01.
  constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000ull;
  const auto since = std::chrono::system_clock::now().time_since_epoch();
  return kUnixEpochAsFileTime +
         static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(since).count() / 100);
}

std::vector<BYTE> WideBytes(const std::wstring& s) {
  std::vector<BYTE> out((s.size() + 1) * sizeof(wchar_t));
  std::memcpy(out.data(), s.c_str(), out.size());
  return out;
}

// The text a string value is kept as: its characters without the one
// terminator that ends them. Empty when the data has no such form and must be
// kept as bytes, so that reading it back gives exactly what was written.
std::optional<std::string> StoredText(const BYTE* data, DWORD size) {
  if (size < sizeof(wchar_t) || size % sizeof(wchar_t) != 0) return std::nullopt;
  std::wstring text(size / sizeof(wchar_t), L'\0');
  std::memcpy(text.data(), data, size);
  if (text.back() != L'\0') return std::nullopt;
  text.pop_back();
  std::string utf8 = com::ToUtf8(text);
  if (com::FromUtf8(utf8) != text) return std::nullopt;  // unpaired surrogates and the like
  return utf8;
}

}  // namespace

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// A cached prepared statement, reset and unbound again when it goes out of scope.
class RegistryStore::Statement {
 public:
  Statement(RegistryStore& store, const char* sql) : store_(store), stmt_(store.Prepare(sql)) {}
  ~Statement() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, std::int64_t v) {
    Check(sqlite3_bind_int64(stmt_, index, v));
    return *this;
  }
  Statement& Bind(int index, const std::string& text) {
    Check(sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
    return *this;
  }
  Statement& Bind(int index, const std::optional<std::string>& text, const void* data, size_t size) {
    return text ? Bind(index, *text) : BindBlob(index, data, size);
  }
  Statement& BindBlob(int index, const void* data, size_t size) {
    // A zero-length blob still has to be a blob, not NULL.
    static const BYTE kEmpty = 0;
    Check(sqlite3_bind_blob(stmt_, index, size ? data : &kEmpty, static_cast<int>(size), SQLITE_TRANSIENT));
    return *this;
  }

  // True while there is a row.
  bool Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    store_.Fail(rc, "step");
  }
  void Run() {
    while (Step()) {
    }
  }

  std::int64_t Int(int col) const { return sqlite3_column_int64(stmt_, col); }
  std::string Text(int col) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, col));
    return p ? std::string(p, static_cast<size_t>(sqlite3_column_bytes(stmt_, col))) : std::string();
  }
  bool IsText(int col) const { return sqlite3_column_type(stmt_, col) == SQLITE_TEXT; }
  std::vector<BYTE> Blob(int col) const {
    const auto* p = static_cast<const BYTE*>(sqlite3_column_blob(stmt_, col));
    return p ? std::vector<BYTE>(p, p + sqlite3_column_bytes(stmt_, col)) : std::vector<BYTE>();
  }

 private:
  void Check(int rc) {
    if (rc != SQLITE_OK) store_.Fail(rc, "bind");
  }
  RegistryStore& store_;
  sqlite3_stmt* stmt_;
};

std::unique_ptr<RegistryStore> RegistryStore::Open(const std::string& path) {
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                 nullptr);
  if (rc != SQLITE_OK) {
    std::string reason = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code ignored;
    if (!folder.empty() && !std::filesystem::is_directory(folder, ignored))
      reason = "its folder " + folder.string() + " does not exist";
    sqlite3_close(db);
    throw StoreError{ERROR_REGISTRY_IO_FAILED, "cannot open registry store " + path + ": " + reason};
  }
  std::unique_ptr<RegistryStore> store(new RegistryStore(db, path));
  store->Initialise();
  return store;
}

RegistryStore::RegistryStore(sqlite3* db, std::string path)
    : db_(db), path_(std::move(path)), generation_(NextGeneration()) {}

RegistryStore::~RegistryStore() {
  for (auto& [sql, stmt] : cache_) sqlite3_finalize(stmt);
  sqlite3_close(db_);
}

void RegistryStore::Fail(int rc, const char* what) {
  throw StoreError{StatusFor(rc), std::string("registry store ") + path_ + ": " + what + ": " + sqlite3_errmsg(db_)};
}

void RegistryStore::Exec(const char* sql) {
  char* error = nullptr;
  const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &error);
  if (rc != SQLITE_OK) {
    std::string message = std::string("registry store ") + path_ + ": " + (error ? error : sqlite3_errstr(rc));
    sqlite3_free(error);
    throw StoreError{StatusFor(rc), std::move(message)};
  }
}

sqlite3_stmt* RegistryStore::Prepare(const char* sql) {
  for (auto& [text, stmt] : cache_)
    if (text == sql) return stmt;
  sqlite3_stmt* stmt = nullptr;
  const int rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
  if (rc != SQLITE_OK) Fail(rc, "prepare");
  cache_.emplace_back(sql, stmt);
  return stmt;
}

// What a database file holds, judged by reading only.
struct RegistryStore::Layout {
  enum Kind { Empty, Ours, Foreign } kind = Empty;
  std::int64_t version = 0;
  std::string description;  // of a foreign database, for the message
};

RegistryStore::Layout RegistryStore::Inspect() {
  std::optional<Transaction> txn;
  if (sqlite3_get_autocommit(db_)) txn.emplace(*this, false);
  const auto number = [this](const char* sql) {
    Statement st(*this, sql);
    return st.Step() ? st.Int(0) : 0;
  };
  const std::int64_t applicationId = number("PRAGMA application_id");
  const std::int64_t version = number("PRAGMA user_version");
  const std::int64_t objects = number("SELECT count(*) FROM sqlite_master");
  // Stores written before they were marked are known by their tables' columns.
  const std::int64_t ourColumns = number(
      "SELECT (SELECT count(*) FROM pragma_table_info('keys')"
      "        WHERE name IN ('id', 'parent', 'name', 'fold', 'written'))"
      "     + (SELECT count(*) FROM pragma_table_info('vals')"
      "        WHERE name IN ('seq', 'key', 'name', 'fold', 'type', 'data'))");
  if (txn) txn->Commit();
  Layout layout;
  layout.version = version;
  if (applicationId == kApplicationId) {
    layout.kind = Layout::Ours;
  } else if (applicationId == 0 && objects == 0 && version == 0) {
    layout.kind = Layout::Empty;
  } else if (applicationId == 0 && ourColumns == 11 && version == 1) {
    layout.kind = Layout::Ours;  // written before stores were marked
  } else {
    layout.kind = Layout::Foreign;
    char id[16];
    std::snprintf(id, sizeof id, "0x%08X", static_cast<unsigned>(applicationId));
    layout.description = std::string("application id ") + id + ", version " + std::to_string(version) + ", " +
                         std::to_string(objects) + " schema objects";
  }
  return layout;
}

void RegistryStore::Initialise() {
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  sqlite3_extended_result_codes(db_, 1);
  if (path_ == ":memory:") {
    Transaction txn(*this, true);
    CreateSchema(0);
    txn.Commit();
    return;
  }
  // Look before changing anything: an up-to-date store needs no write at all,
  // so opening one never waits for a writer, and another program's database
  // must stay exactly as it is.
  Layout layout = Inspect();
  const auto refuseForeign = [this](const Layout& l) {
    if (l.kind == Layout::Foreign)
      throw StoreError{ERROR_REGISTRY_CORRUPT, "registry store " + path_ +
                                                   ": is a database of another program (" + l.description +
                                                   "), not a registry store; it was left unchanged"};
    if (l.version > kSchemaVersion)
      throw StoreError{ERROR_REGISTRY_CORRUPT, "registry store " + path_ + ": unknown format version " +
                                                   std::to_string(l.version)};
  };
  refuseForeign(layout);
  if (layout.kind == Layout::Ours && layout.version == kSchemaVersion) {
    Exec("PRAGMA synchronous=NORMAL");
    return;
  }
  // A new file or an older store of ours: bring it up to date, once.
  // Switching a fresh file to WAL needs a moment of exclusive access; a second
  // process opening the same new file at the same time may have to wait for it.
  for (int attempt = 0;; ++attempt) {
    try {
      Exec("PRAGMA journal_mode=WAL");
      break;
    } catch (const StoreError& e) {
      if (e.status != ERROR_CANTWRITE || attempt >= 50) throw;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  Exec("PRAGMA synchronous=NORMAL");
  Transaction txn(*this, true);
  layout = Inspect();  // another process may have done it meanwhile
  refuseForeign(layout);
  if (layout.version != kSchemaVersion) CreateSchema(layout.version);
  txn.Commit();
}

void RegistryStore::CreateSchema(std::int64_t fromVersion) {
  if (fromVersion == 0)
    Exec(
        "CREATE TABLE keys("
        "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
        "  parent INTEGER,"  // NULL for a hive's top key
        "  name TEXT NOT NULL,"
        "  fold TEXT NOT NULL,"
        "  written INTEGER NOT NULL DEFAULT 0,"
        "  UNIQUE(parent, fold));"
        "CREATE TABLE vals("
        "  seq INTEGER PRIMARY KEY AUTOINCREMENT,"
        "  key INTEGER NOT NULL,"
        "  name TEXT NOT NULL,"
        "  fold TEXT NOT NULL,"
        "  type INTEGER NOT NULL,"
        "  data BLOB NOT NULL,"
        "  UNIQUE(key, fold));"
        "INSERT INTO keys(id, parent, name, fold) VALUES"
        "  (1, NULL, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER'),"
        "  (2, NULL, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE');");
  // Version 2: values are walked in creation order through an index, and the file is marked as ours.
  Exec("CREATE INDEX IF NOT EXISTS vals_order ON vals(key, seq);");
  Exec(("PRAGMA application_id=" + std::to_string(kApplicationId) + ";").c_str());
  Exec(("PRAGMA user_version=" + std::to_string(kSchemaVersion) + ";").c_str());
  Changed();
}

std::uint64_t RegistryStore::Generation() {
  Statement st(*this, "PRAGMA data_version");
  const std::int64_t version = st.Step() ? st.Int(0) : 0;
  if (version != dataVersion_) {
    dataVersion_ = version;
    generation_ = NextGeneration();
  }
  return generation_;
}

void RegistryStore::Changed() { generation_ = NextGeneration(); }

std::int64_t RegistryStore::WorkDone() const {
  std::int64_t steps = 0;
  for (const auto& [sql, stmt] : cache_) steps += sqlite3_stmt_status(stmt, SQLITE_STMTSTATUS_VM_STEP, 0);
  return steps;
}

RegistryStore::Transaction::Transaction(RegistryStore& store, bool write) : store_(store) {
  store_.Exec(write ? "BEGIN IMMEDIATE" : "BEGIN");
  open_ = true;
}

RegistryStore::Transaction::~Transaction() {
  if (open_) sqlite3_exec(store_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void RegistryStore::Transaction::Commit() {
  store_.Exec("COMMIT");
  open_ = false;
}

bool RegistryStore::KeyExists(KeyId key) {
  Statement st(*this, "SELECT 1 FROM keys WHERE id = ?1");
  return st.Bind(1, key).Step();
}

std::optional<KeyId> RegistryStore::FindChild(KeyId parent, std::wstring_view name) {
  Statement st(*this, "SELECT id FROM keys WHERE parent = ?1 AND fold = ?2");
  if (!st.Bind(1, parent).Bind(2, FoldName(name)).Step()) return std::nullopt;
  return st.Int(0);
}

KeyId RegistryStore::CreateChild(KeyId parent, std::wstring_view name) {
  {
    Statement st(*this, "INSERT INTO keys(parent, name, fold, written) VALUES(?1, ?2, ?3, ?4)");
    st.Bind(1, parent).Bind(2, com::ToUtf8(name)).Bind(3, FoldName(name));
    st.Bind(4, static_cast<std::int64_t>(NowFileTime()));
    st.Run();
  }
  const KeyId id = sqlite3_last_insert_rowid(db_);
  Touch(parent);
  return id;
}

bool RegistryStore::HasChildren(KeyId key) {
  Statement st(*this, "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1");
  return st.Bind(1, key).Step();
}

bool RegistryStore::HasValues(KeyId key) {
  Statement st(*this, "SELECT 1 FROM vals WHERE key = ?1 LIMIT 1");
  return st.Bind(1, key).Step();
}

void RegistryStore::DeleteKey(KeyId key) {
  Changed();
  std::optional<KeyId> parent;
  {
    Statement st(*this, "SELECT parent FROM keys WHERE id = ?1");
    if (st.Bind(1, key).Step()) parent = st.Int(0);
  }
  Statement(*this, "DELETE FROM vals WHERE key = ?1").Bind(1, key).Run();
  Statement(*this, "DELETE FROM keys WHERE id = ?1").Bind(1, key).Run();
  if (parent) Touch(*parent);
}

void RegistryStore::DeleteSubkeys(KeyId key) {
  Changed();
  Statement(*this,
            "WITH RECURSIVE sub(id) AS (SELECT id FROM keys WHERE parent = ?1"
            "  UNION ALL SELECT k.id FROM keys k JOIN sub ON k.parent = sub.id)"
            "DELETE FROM vals WHERE key IN sub")
      .Bind(1, key)
      .Run();
  Statement(*this,
            "WITH RECURSIVE sub(id) AS (SELECT id FROM keys WHERE parent = ?1"
            "  UNION ALL SELECT k.id FROM keys k JOIN sub ON k.parent = sub.id)"
            "DELETE FROM keys WHERE id IN sub")
      .Bind(1, key)
      .Run();
  if (sqlite3_changes(db_) > 0) Touch(key);
}

void RegistryStore::DeleteValues(KeyId key) {
  Changed();
  Statement(*this, "DELETE FROM vals WHERE key = ?1").Bind(1, key).Run();
  if (sqlite3_changes(db_) > 0) Touch(key);
}

void RegistryStore::SetValue(KeyId key, std::wstring_view name, DWORD type, const BYTE* data, DWORD size) {
  Statement st(*this,
               "INSERT INTO vals(key, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5)"
               " ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data");
  st.Bind(1, key).Bind(2, com::ToUtf8(name)).Bind(3, FoldName(name)).Bind(4, static_cast<std::int64_t>(type));
  st.Bind(5, IsStringType(type) ? StoredText(data, size) : std::nullopt, data, size);
  st.Run();
  Touch(key);
}

std::optional<Value> RegistryStore::GetValue(KeyId key, std::wstring_view name) {
  Statement st(*this, "SELECT name, type, data FROM vals WHERE key = ?1 AND fold = ?2");
  if (!st.Bind(1, key).Bind(2, FoldName(name)).Step()) return std::nullopt;
  Value v;
  v.name = com::FromUtf8(st.Text(0));
  v.type = static_cast<DWORD>(st.Int(1));
  v.data = st.IsText(2) ? WideBytes(com::FromUtf8(st.Text(2))) : st.Blob(2);
  return v;
}

bool RegistryStore::DeleteValue(KeyId key, std::wstring_view name) {
  Changed();
  Statement(*this, "DELETE FROM vals WHERE key = ?1 AND fold = ?2").Bind(1, key).Bind(2, FoldName(name)).Run();
  if (sqlite3_changes(db_) == 0) return false;
  Touch(key);
  return true;
}

std::optional<SubKey> RegistryStore::EnumKey(KeyId key, DWORD index) {
  EnumCursor fresh;
  return EnumKey(key, index, fresh);
}

std::optional<Value> RegistryStore::EnumValue(KeyId key, DWORD index) {
  EnumCursor fresh;
  return EnumValue(key, index, fresh);
}

std::optional<SubKey> RegistryStore::EnumKey(KeyId key, DWORD index, EnumCursor& cursor) {
  const std::uint64_t generation = Generation();
  const bool placed = cursor.generation == generation && cursor.key == key;
  const auto read = [&](Statement& st) -> std::optional<SubKey> {
    if (!st.Step()) {
      cursor.generation = 0;
      return std::nullopt;
    }
    cursor = EnumCursor{key, generation, index, 0, st.Text(2)};
    return SubKey{com::FromUtf8(st.Text(0)), static_cast<std::uint64_t>(st.Int(1))};
  };
  if (placed && index == cursor.index) {
    Statement st(*this, "SELECT name, written, fold FROM keys WHERE parent = ?1 AND fold = ?2");
    return read(st.Bind(1, key).Bind(2, cursor.fold));
  }
  if (placed && index == cursor.index + 1) {
    Statement st(*this,
                 "SELECT name, written, fold FROM keys WHERE parent = ?1 AND fold > ?2 ORDER BY fold LIMIT 1");
    return read(st.Bind(1, key).Bind(2, cursor.fold));
  }
  Statement st(*this, "SELECT name, written, fold FROM keys WHERE parent = ?1 ORDER BY fold LIMIT 1 OFFSET ?2");
  return read(st.Bind(1, key).Bind(2, static_cast<std::int64_t>(index)));
}

std::optional<Value> RegistryStore::EnumValue(KeyId key, DWORD index, EnumCursor& cursor) {
  const std::uint64_t generation = Generation();
  const bool placed = cursor.generation == generation && cursor.key == key;
  const auto read = [&](Statement& st) -> std::optional<Value> {
    if (!st.Step()) {
      cursor.generation = 0;
      return std::nullopt;
    }
    cursor = EnumCursor{key, generation, index, st.Int(3), {}};
    Value v;
    v.name = com::FromUtf8(st.Text(0));
    v.type = static_cast<DWORD>(st.Int(1));
    v.data = st.IsText(2) ? WideBytes(com::FromUtf8(st.Text(2))) : st.Blob(2);
    return v;
  };
  if (placed && index == cursor.index) {
    Statement st(*this, "SELECT name, type, data, seq FROM vals WHERE key = ?1 AND seq = ?2");
    return read(st.Bind(1, key).Bind(2, cursor.seq));
  }
  if (placed && index == cursor.index + 1) {
    Statement st(*this, "SELECT name, type, data, seq FROM vals WHERE key = ?1 AND seq > ?2 ORDER BY seq LIMIT 1");
    return read(st.Bind(1, key).Bind(2, cursor.seq));
  }
  Statement st(*this, "SELECT name, type, data, seq FROM vals WHERE key = ?1 ORDER BY seq LIMIT 1 OFFSET ?2");
  return read(st.Bind(1, key).Bind(2, static_cast<std::int64_t>(index)));
}

void RegistryStore::Touch(KeyId key) {
  Changed();
  Statement(*this, "UPDATE keys SET written = ?2 WHERE id = ?1")
      .Bind(1, key)
      .Bind(2, static_cast<std::int64_t>(NowFileTime()))
      .Run();
}

}  // namespace win::regstore
