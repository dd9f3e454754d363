#include "support/ClientRegistry.h"

#include "support/TestRegistry.h"

namespace testing_support {

ClientRegistry::ClientRegistry() = default;
ClientRegistry::~ClientRegistry() = default;

}  // namespace testing_support
