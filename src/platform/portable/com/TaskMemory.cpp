// The task allocator: memory one component allocates and another frees.
#include <cstdlib>

#include "platform/com/ComTypes.h"

void* CoTaskMemAlloc(SIZE_T cb) {
  // A zero-byte request still yields a distinct pointer, as callers test for null to detect failure.
  return std::malloc(cb ? cb : 1);
}

void* CoTaskMemRealloc(void* pv, SIZE_T cb) {
  if (!pv) return CoTaskMemAlloc(cb);
  if (cb == 0) {
    std::free(pv);
    return nullptr;
  }
  return std::realloc(pv, cb);
}

void CoTaskMemFree(void* pv) {
  std::free(pv);
}
