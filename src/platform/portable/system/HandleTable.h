// Handles of the portable system's own objects (file searches, cache
// enumerations). A handle is a value, never an address: every call looks it up,
// so a closed, foreign or made-up handle fails with ERROR_INVALID_HANDLE rather
// than reaching freed memory. Values are unique in the process, never reused
// and never null or INVALID_HANDLE_VALUE, so a handle of one kind given to
// another kind's function is unknown there too.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/com/ComTypes.h"

namespace win::portable {

inline std::atomic<ULONG_PTR> g_nextObjectHandle{0x20000};

// The table hands out shared ownership, so a call under way keeps its object
// alive while another thread closes the handle.
template <class T>
class HandleTable {
 public:
  HANDLE Add(std::shared_ptr<T> object) {
    const auto handle = reinterpret_cast<HANDLE>(g_nextObjectHandle.fetch_add(4));
    std::lock_guard lock(mutex_);
    objects_.emplace(handle, std::move(object));
    return handle;
  }

  std::shared_ptr<T> Find(HANDLE handle) const {
    std::lock_guard lock(mutex_);
    auto it = objects_.find(handle);
    return it == objects_.end() ? nullptr : it->second;
  }

  // Null when the handle was not open.
  std::shared_ptr<T> Remove(HANDLE handle) {
    std::lock_guard lock(mutex_);
    auto it = objects_.find(handle);
    if (it == objects_.end()) return nullptr;
    auto object = std::move(it->second);
    objects_.erase(it);
    return object;
  }

 private:
  mutable std::mutex mutex_;
  std::unordered_map<HANDLE, std::shared_ptr<T>> objects_;
};

}  // namespace win::portable
