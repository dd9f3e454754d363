// The system's cursors on a display-less system: one shared handle per system
// cursor, and one cursor shown for the whole process.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "platform/portable/window/TestDriver.h"
#include "platform/win/Window.h"

namespace {

LPCWSTR CursorId(ULONG_PTR id) { return reinterpret_cast<LPCWSTR>(id); }

class CursorTest : public ::testing::Test {
 protected:
  void TearDown() override { win::portable::driver::Reset(); }
};

TEST_F(CursorTest, EachSystemCursorHasOneHandleAndAnythingElseNone) {
  const HCURSOR arrow = win::LoadCursorW(nullptr, IDC_ARROW);
  ASSERT_NE(arrow, nullptr);
  EXPECT_EQ(win::LoadCursorW(nullptr, IDC_ARROW), arrow);
  std::set<HCURSOR> distinct{arrow, win::LoadCursorW(nullptr, IDC_WAIT), win::LoadCursorW(nullptr, CursorId(32513)),
                             win::LoadCursorW(nullptr, CursorId(32649))};
  EXPECT_EQ(distinct.size(), 4u);
  EXPECT_EQ(distinct.count(nullptr), 0u);

  EXPECT_EQ(win::LoadCursorW(nullptr, CursorId(32517)), nullptr);
  EXPECT_EQ(win::LoadCursorW(nullptr, L"arrow"), nullptr);
  // A module's instance names its own resources, and no module carries cursors.
  EXPECT_EQ(win::LoadCursorW(reinterpret_cast<HINSTANCE>(0x400000), IDC_ARROW), nullptr);
}

TEST_F(CursorTest, SetCursorAnswersTheOneItReplacesForTheWholeProcess) {
  const HCURSOR arrow = win::LoadCursorW(nullptr, IDC_ARROW);
  const HCURSOR wait = win::LoadCursorW(nullptr, IDC_WAIT);
  EXPECT_EQ(win::GetCursor(), nullptr);
  EXPECT_EQ(win::SetCursor(wait), nullptr);
  EXPECT_EQ(win::GetCursor(), wait);

  HCURSOR replacedOnOtherThread = nullptr;
  std::thread([&] { replacedOnOtherThread = win::SetCursor(arrow); }).join();
  EXPECT_EQ(replacedOnOtherThread, wait);
  EXPECT_EQ(win::GetCursor(), arrow);
  EXPECT_EQ(win::SetCursor(nullptr), arrow);

  win::SetCursor(wait);
  win::portable::driver::Reset();
  EXPECT_EQ(win::GetCursor(), nullptr) << "the driver's reset kept the cursor";
}

}  // namespace
