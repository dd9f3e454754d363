// Every test of this program runs on the main thread in a single-threaded
// apartment, as the browser's user-interface threads do.
#include <objbase.h>

#include <gtest/gtest.h>

namespace {

class ComApartment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK); }
  void TearDown() override { CoUninitialize(); }
};

// Registered before main runs; gtest owns the environment.
[[maybe_unused]] ::testing::Environment* const g_apartment = ::testing::AddGlobalTestEnvironment(new ComApartment);

}  // namespace
