// Control of the portable registry store, for tests and tools (portable build only).
//
// By default the store opens lazily on first use at the path the environment
// names (see platform/win/Registry.h). Until a write needs it, a store that
// does not exist is not created: reads find nothing (ERROR_FILE_NOT_FOUND,
// ERROR_NO_MORE_ITEMS) and deletions have nothing to delete. A store named in a
// folder that does not exist fails every call (ERROR_REGISTRY_IO_FAILED) unless
// it is the default one, whose folder the first write creates. Tests take a fresh in-memory store per
// test, either by calling UseMemoryStore() in SetUp and Reset() in TearDown, or
// by holding a ScopedMemoryStore.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win/WinTypes.h"

namespace win::registry {

// Replaces the store with a new, empty one that lives in this process only.
// Every open key handle becomes invalid (ERROR_INVALID_HANDLE). Throws
// std::runtime_error only if SQLite cannot even make an in-memory database.
void UseMemoryStore();

// Switches to the database file at `path`, creating it if needed (not its
// folder). On failure returns the error (ERROR_REGISTRY_IO_FAILED, or
// ERROR_REGISTRY_CORRUPT for a file that is not a registry store), keeps the
// previous store, and LastStoreError() says why. On success every open key
// handle becomes invalid.
LSTATUS UseFileStore(const std::string& path);

// With false, HKEY_LOCAL_MACHINE behaves as for a user without administrator
// rights: creating keys, setting and deleting values and deleting keys under it
// fail with ERROR_ACCESS_DENIED, as does opening a key there for writing;
// opening and reading for reading still work. Handles opened earlier obey the
// current setting.
void SetMachineWritable(bool writable);
bool IsMachineWritable();

// Closes the store and every open key handle and makes HKEY_LOCAL_MACHINE
// writable again; the next registry call opens the store the environment names.
void Reset();

// The path of the store in use, ":memory:" for an in-process one, empty before the first use.
std::string StorePath();
// The path the next lazy open would use: VORNIE_REGISTRY, else
// $XDG_DATA_HOME/vornie/registry.db, else ~/.local/share/vornie/registry.db.
std::string DefaultStorePath();
// Why the store could not be opened or used the last time that failed; empty if it never did.
std::string LastStoreError();
// Forgets that reason, so that a later LastStoreError() tells only of what failed since.
void ClearLastStoreError();

// Makes the registry call after the next `calls` ones that reach the store fail
// once, as an I/O error of the store would: ERROR_REGISTRY_IO_FAILED, with
// LastStoreError() saying so. Reset() disarms it.
void FailStoreCallAfter(unsigned calls);

// How much work the store's queries have done so far (0 without a store), for
// tests that check how the cost of a call grows with the size of a key.
std::int64_t StoreWorkDone();

// A fresh in-memory store for the lifetime of the object; Reset() afterwards.
class ScopedMemoryStore {
 public:
  ScopedMemoryStore() { UseMemoryStore(); }
  ~ScopedMemoryStore() { Reset(); }
  ScopedMemoryStore(const ScopedMemoryStore&) = delete;
  ScopedMemoryStore& operator=(const ScopedMemoryStore&) = delete;
};

}  // namespace win::registry
