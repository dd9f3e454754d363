// The portable GDI's test controls (live objects, failing DIB sections) and
// a bitmap lent to GDI when its section cannot be made: nothing stays behind.
#include <gtest/gtest.h>

#include "platform/forms/TBitmap.h"
#include "platform/portable/gdi/GdiControl.h"
#include "platform/win/Gdi.h"

namespace {

using win::gdi::DibSectionFailure;
using win::gdi::LiveObjectCount;
using win::gdi::ScopedDibSectionFailure;

BITMAPINFO Info32(LONG width, LONG height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

TEST(GdiFailureTest, TheLiveCountFollowsObjectsUntilTheyAreReallyGone) {
  const std::size_t before = LiveObjectCount();
  HDC dc = win::CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  const BITMAPINFO info = Info32(4, 4);
  void* bits = nullptr;
  HBITMAP section = win::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(section, nullptr);
  HBRUSH brush = win::CreateSolidBrush(0x123456);
  EXPECT_EQ(LiveObjectCount(), before + 3);
  ASSERT_NE(win::SelectObject(dc, section), nullptr);
  EXPECT_TRUE(win::DeleteObject(section));
  EXPECT_TRUE(win::DeleteObject(brush));
  EXPECT_EQ(LiveObjectCount(), before + 2) << "a selected section lives until it leaves its DC";
  EXPECT_TRUE(win::DeleteDC(dc));
  EXPECT_EQ(LiveObjectCount(), before);
  HDC screen = win::GetDC(nullptr);
  EXPECT_EQ(LiveObjectCount(), before + 1) << "a screen DC counts until it is given back";
  EXPECT_NE(win::CreateCompatibleBitmap(screen, 0, 0), nullptr);
  EXPECT_EQ(LiveObjectCount(), before + 1) << "the stock bitmap does not count";
  EXPECT_EQ(win::ReleaseDC(nullptr, screen), 1);
  EXPECT_EQ(LiveObjectCount(), before);
}

TEST(GdiFailureTest, DibSectionsFailAsATestAsks) {
  const BITMAPINFO info = Info32(8, 8);
  const std::size_t before = LiveObjectCount();
  {
    ScopedDibSectionFailure failure(DibSectionFailure::kNoSection);
    void* bits = reinterpret_cast<void*>(1);
    win::SetLastError(0);
    EXPECT_EQ(win::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(bits, nullptr);
    EXPECT_EQ(LiveObjectCount(), before);
  }
  {
    ScopedDibSectionFailure failure(DibSectionFailure::kNoBits);
    void* bits = reinterpret_cast<void*>(1);
    HBITMAP section = win::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(bits, nullptr);
    EXPECT_EQ(LiveObjectCount(), before + 1);
    EXPECT_TRUE(win::DeleteObject(section));
  }
  EXPECT_EQ(win::gdi::GetDibSectionFailure(), DibSectionFailure::kNone);
  void* bits = nullptr;
  HBITMAP section = win::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  EXPECT_NE(bits, nullptr) << "back to normal";
  win::DeleteObject(section);
  EXPECT_EQ(LiveObjectCount(), before);
}

TEST(GdiFailureTest, ABitmapWhoseSectionCannotBeMadeLeavesNoHandleBehind) {
  for (DibSectionFailure how : {DibSectionFailure::kNoSection, DibSectionFailure::kNoBits}) {
    SCOPED_TRACE(static_cast<int>(how));
    forms::TBitmap bitmap(6, 3, 0xFF00FF00u);
    const forms::TBitmap original = bitmap;
    const std::size_t before = LiveObjectCount();
    {
      ScopedDibSectionFailure failure(how);
      EXPECT_THROW(forms::TBitmapDC dc(bitmap), forms::EInvalidGraphic);
    }
    EXPECT_EQ(LiveObjectCount(), before);
    EXPECT_EQ(bitmap, original);
  }
}

}  // namespace
