#include "support/TestRegistry.h"

#include "platform/portable/registry/RegistryControl.h"

namespace testing_support {

TestRegistry::TestRegistry() { win::registry::UseMemoryStore(); }
TestRegistry::~TestRegistry() { win::registry::Reset(); }
void TestRegistry::SetMachineWritable(bool writable) { win::registry::SetMachineWritable(writable); }

}  // namespace testing_support
