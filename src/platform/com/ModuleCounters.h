// Process-wide counters behind DllCanUnloadNow. Objects of different
// apartments are released on different threads, so every change is atomic.
#pragma once

#include "platform/com/ComTypes.h"

namespace com {

class ModuleCounters {
 public:
  static void ObjectCreated();
  static void ObjectDestroyed();
  static void FactoryAddRef();
  static void FactoryRelease();
  // LockServer(TRUE) counts as a live object until LockServer(FALSE).
  static void Lock();
  static void Unlock();

  static LONG LiveObjects();
  static LONG FactoryReferences();
  // S_OK when nothing is alive and no factory reference is outstanding.
  static HRESULT CanUnloadNow();
};

}  // namespace com
