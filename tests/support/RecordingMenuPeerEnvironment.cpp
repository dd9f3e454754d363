// The test programs carry the module's code, and the module shows the
// system's own menus from the moment it loads: a test that pops a menu up
// would then wait in the menu's modal loop for a user. Every test starts with
// the recording peer instead; a test that shows real menus asks for them.
#include <gtest/gtest.h>

#include "platform/forms/MenuPeer.h"

namespace {

class RecordingMenuPeerEnvironment : public testing::Environment {
 public:
  void SetUp() override { forms::SetMenuPeer(nullptr); }
};

[[maybe_unused]] testing::Environment* const g_environment =
    testing::AddGlobalTestEnvironment(new RecordingMenuPeerEnvironment);

}  // namespace
