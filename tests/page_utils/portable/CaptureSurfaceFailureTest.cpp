// A capture whose drawing surface cannot be made (no room for the section, as
// a large window on a 32-bit process may find) gives no picture and leaves
// no GDI object behind, at window size and scaled alike.
#include <gtest/gtest.h>

#include "page_utils/ImageCaptureTestViews.h"
#include "page_utils/ImageCaptureUnit.h"
#include "platform/portable/gdi/GdiControl.h"

namespace {

using win::gdi::DibSectionFailure;

TEST(CaptureSurfaceFailureTest, NoPictureAndNoLeakedObjects) {
  com::ComPtr<capture_test::PatternView> view(new capture_test::PatternView());
  for (DibSectionFailure how : {DibSectionFailure::kNoSection, DibSectionFailure::kNoBits}) {
    for (LONG scale : {100, 50}) {
      SCOPED_TRACE(::testing::Message() << "failure " << static_cast<int>(how) << ", scale " << scale);
      const std::size_t before = win::gdi::LiveObjectCount();
      com::Variant data;
      {
        win::gdi::ScopedDibSectionFailure failure(how);
        for (int capture = 0; capture < 3; ++capture) {
          vorn::CapturePicture(view.Get(), 40, 20, scale, 6, data);
          EXPECT_TRUE(data.IsEmpty());
        }
      }
      EXPECT_EQ(win::gdi::LiveObjectCount(), before) << "every capture's handles were freed";
      vorn::CapturePicture(view.Get(), 40, 20, scale, 6, data);
      EXPECT_EQ(data.vt(), VT_ARRAY | VT_UI1) << "a capture works again once there is room";
      EXPECT_EQ(win::gdi::LiveObjectCount(), before);
    }
  }
}

}  // namespace
