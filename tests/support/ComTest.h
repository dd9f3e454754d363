// Base of tests that create COM objects: each runs in its own registry and
// must end with nothing of the library left alive, as DllCanUnloadNow sees it.
#pragma once

#include <gtest/gtest.h>

#include "platform/com/ModuleCounters.h"
#include "support/TestRegistry.h"

namespace testing_support {

class ComTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(com::ModuleCounters::LiveObjects(), 0) << "an object of the library outlived the test";
    EXPECT_EQ(com::ModuleCounters::FactoryReferences(), 0) << "a class factory reference outlived the test";
  }

  TestRegistry registry_;
};

}  // namespace testing_support
