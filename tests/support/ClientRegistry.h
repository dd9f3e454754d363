// The registry a client program's registrations must land in for COM to
// activate the classes. On the portable build that is a private TestRegistry:
// its COM runtime reads the same store. On Windows it is the real registry:
// COM looks classes up itself and does not follow roots redirected by
// RegOverridePredefKey, so a client test that registers a module there must
// unregister it again before it ends.
#pragma once

#include <memory>

namespace testing_support {

class TestRegistry;

class ClientRegistry {
 public:
  ClientRegistry();
  ~ClientRegistry();
  ClientRegistry(const ClientRegistry&) = delete;
  ClientRegistry& operator=(const ClientRegistry&) = delete;

 private:
  std::unique_ptr<TestRegistry> sandbox_;  // null when the real registry is used
};

}  // namespace testing_support
