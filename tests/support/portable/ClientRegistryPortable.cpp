#include "support/ClientRegistry.h"

#include "support/TestRegistry.h"

namespace testing_support {

ClientRegistry::ClientRegistry() : sandbox_(std::make_unique<TestRegistry>()) {}
ClientRegistry::~ClientRegistry() = default;

}  // namespace testing_support
