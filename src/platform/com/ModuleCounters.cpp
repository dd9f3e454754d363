#include "platform/com/ModuleCounters.h"

#include <atomic>

namespace com {
namespace {
std::atomic<LONG> g_objects{0};
std::atomic<LONG> g_factoryRefs{0};
}  // namespace

void ModuleCounters::ObjectCreated() { g_objects.fetch_add(1); }
void ModuleCounters::ObjectDestroyed() { g_objects.fetch_sub(1); }
void ModuleCounters::FactoryAddRef() { g_factoryRefs.fetch_add(1); }
void ModuleCounters::FactoryRelease() { g_factoryRefs.fetch_sub(1); }
void ModuleCounters::Lock() { g_objects.fetch_add(1); }
void ModuleCounters::Unlock() { g_objects.fetch_sub(1); }
LONG ModuleCounters::LiveObjects() { return g_objects.load(); }
LONG ModuleCounters::FactoryReferences() { return g_factoryRefs.load(); }
HRESULT ModuleCounters::CanUnloadNow() {
  return g_objects.load() == 0 && g_factoryRefs.load() == 0 ? S_OK : S_FALSE;
}

}  // namespace com
