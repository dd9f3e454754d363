// Image lists and the bitmaps they hold.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/forms/FormsErrors.h"
#include "platform/forms/TBitmap.h"
#include "platform/forms/TImageList.h"

namespace {

using namespace forms;

// A bitmap whose every column holds its own x, so slices can be told apart.
TBitmap Columns(int width, int height) {
  TBitmap b(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b.SetPixel(x, y, static_cast<std::uint32_t>(x));
  return b;
}

TEST(TImageListTest, AddingCutsBitmapsIntoImagesOfTheListsSize) {
  struct Case {
    int width;
    int height;
    int added;
  };
  TImageList list(nullptr);
  int expectedCount = 0;
  for (const Case& c : {Case{16, 16, 1}, Case{48, 16, 3}, Case{40, 16, 2}, Case{16, 10, 1}, Case{16, 30, 1}}) {
    const int first = list.Add(Columns(c.width, c.height));
    EXPECT_EQ(first, expectedCount) << c.width << "x" << c.height;
    expectedCount += c.added;
    EXPECT_EQ(list.Count(), expectedCount);
  }
  // The second image of the strip starts at its column 16; short bitmaps are padded, tall ones cut.
  EXPECT_EQ(list.GetBitmap(2).Pixel(0, 0), 16u);
  const TBitmap padded = list.GetBitmap(6);
  EXPECT_EQ(padded.Height(), 16);
  EXPECT_EQ(padded.Pixel(3, 9), 3u);
  EXPECT_EQ(padded.Pixel(3, 10), 0u);
  EXPECT_EQ(list.GetBitmap(7).Height(), 16);

  list.Delete(0);
  EXPECT_EQ(list.Count(), expectedCount - 1);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(TImageListTest, BadImagesAndIndexesAreRefusedWithoutChange) {
  TImageList list(nullptr);
  list.Add(TBitmap(16, 16));
  EXPECT_THROW(list.Add(TBitmap()), EInvalidOperation);
  EXPECT_THROW(list.Add(TBitmap(15, 16)), EInvalidOperation);
  EXPECT_THROW(list.GetBitmap(1), EComponentError);
  EXPECT_THROW(list.GetBitmap(-1), EComponentError);
  EXPECT_THROW(list.Delete(5), EComponentError);
  EXPECT_THROW(list.SetSize(0, 16), EInvalidOperation);
  EXPECT_THROW(list.SetHeight(-3), EInvalidOperation);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Width(), 16);

  EXPECT_THROW(TBitmap(-1, 2), EInvalidOperation);
  TBitmap b(2, 2);
  EXPECT_THROW(b.Pixel(2, 0), EInvalidOperation);
  EXPECT_THROW(b.SetPixel(0, -1, 1), EInvalidOperation);
  b.FillRect(-5, -5, 50, 1, 7);  // clipped
  EXPECT_EQ(b.Pixel(1, 0), 7u);
  EXPECT_EQ(b.Pixel(1, 1), 0u);
}

TEST(TImageListTest, StripsMustBeARowOfWholeImages) {
  TImageList list(nullptr);
  for (const auto& [width, height] : {std::pair{40, 16}, std::pair{48, 15}, std::pair{48, 17}, std::pair{8, 16}}) {
    SCOPED_TRACE(testing::Message() << width << " x " << height);
    EXPECT_THROW(list.AddStrip(Columns(width, height)), EInvalidGraphic);
  }
  EXPECT_EQ(list.Count(), 0);
  TBitmap strip = Columns(48, 16);
  strip.SetPixel(20, 3, 0x80FF0000u);  // alpha kept as it is
  EXPECT_EQ(list.AddStrip(strip), 0);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.GetBitmap(1).Pixel(4, 3), 0x80FF0000u);
  EXPECT_EQ(list.GetBitmap(2).Pixel(15, 0), 47u);
  // Images of a strip with alpha are pictures with alpha, so they are drawn blended.
  TBitmap translucent = Columns(32, 16);
  translucent.SetPixelFormat(pf32bit);
  list.AddStrip(translucent);
  EXPECT_EQ(list.GetBitmap(4).PixelFormat(), pf32bit);
}

TEST(TImageListTest, ChangingTheSizeEmptiesTheListAndEveryChangeIsAnnounced) {
  TComponent form(nullptr);
  auto* list = new TImageList(&form);
  auto* client = new TComponent(&form);
  int told = 0, changes = 0;
  list->RegisterChanges(client, [&] { ++told; });
  list->OnChange = [&](TComponent*) { ++changes; };
  list->Add(TBitmap(32, 16));
  list->SetSize(24, 24);
  EXPECT_EQ(list->Count(), 0);
  list->SetSize(24, 24);  // no change, no news
  list->Clear();          // already empty
  EXPECT_EQ(told, 2);
  EXPECT_EQ(changes, 2);

  delete client;  // a freed client is not told any more
  list->Add(TBitmap(24, 24));
  EXPECT_EQ(told, 2);
  EXPECT_EQ(changes, 3);
}

}  // namespace
