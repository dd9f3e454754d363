// vornie-browser on the portable build, as the main job runs it: the frame
// with its address line, one row per toolbar band and the page, saved as a
// picture; a band that cannot be hosted is reported and its row says why.
#include <gtest/gtest.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

#include <cstdint>
#include <string>

#include "platform/portable/registry/StoreFiles.h"
#include "platform/win/Window.h"

namespace {

using storetest::RunTool;
using storetest::TempFolder;
using storetest::ToolPath;

// A PNG read back as 0xRRGGBB pixels.
class Picture {
 public:
  explicit Picture(const std::string& path) { pixels_ = stbi_load(path.c_str(), &width_, &height_, nullptr, 3); }
  ~Picture() { stbi_image_free(pixels_); }
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  bool Loaded() const { return pixels_ != nullptr; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  std::uint32_t At(int x, int y) const {
    const unsigned char* p = pixels_ + (static_cast<size_t>(y) * width_ + x) * 3;
    return std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
  }
  // Pixels of the rows [top, bottom), inside `margin` from the sides, that are `colour`.
  int Count(int top, int bottom, std::uint32_t colour, int margin = 0) const {
    return CountIf(top, bottom, margin, [colour](std::uint32_t p) { return p == colour; });
  }
  template <class Test>
  int CountIf(int top, int bottom, int margin, Test test) const {
    int n = 0;
    for (int y = top; y < bottom && y < height_; ++y)
      for (int x = margin; x < width_ - margin; ++x) n += test(At(x, y));
    return n;
  }
  // Red text (smoothed into its ground): clearly red pixels, in the columns [left, right).
  int Reddish(int top, int bottom, int left = 0, int right = -1) const {
    if (right < 0) right = width_;
    int n = 0;
    for (int y = top; y < bottom && y < height_; ++y)
      for (int x = left; x < right && x < width_; ++x) {
        const std::uint32_t p = At(x, y);
        n += (p >> 16) >= 0x70 && ((p >> 8) & 0xFF) < 0x60 && (p & 0xFF) < 0x60;
      }
    return n;
  }

 private:
  unsigned char* pixels_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

class VornieBrowserTool : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(folder_.Path().empty()); }

  storetest::ToolRun Browser(const std::string& picture) {
    const std::string page = std::string(VORN_SOURCE_DIR) + "/tools/vornie-browser/sample-page.html";
    return RunTool(ToolPath("vornie-browser"), {page, "--picture", picture}, store_, folder_.Path());
  }

  TempFolder folder_;
  std::string store_ = (folder_.Path() / "registry.db").string();
};

// The frame is 900 x 520 with a caption and sizing frame; its client area
// has a 28-pixel address row, then the band rows, then the page.
int ClientTop() {
  RECT frame{0, 0, 0, 0};
  win::AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  return -frame.top;
}
const int kAddressTop = ClientTop();
const int kAddressRow = kAddressTop + 28;

TEST_F(VornieBrowserTool, BothBandsOfTheRegisteredLibraryShowAboveThePage) {
  ASSERT_EQ(RunTool(ToolPath("vornie-host"), {}, store_, folder_.Path()).exitCode, 0);
  const std::string path = (folder_.Path() / "frame.png").string();
  const auto run = Browser(path);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, path + "\n");
  const Picture picture(path);
  ASSERT_TRUE(picture.Loaded());
  EXPECT_EQ(picture.Width(), 900);
  EXPECT_EQ(picture.Height(), 520);
  // The address line is a white field with the page's address in it.
  EXPECT_GT(picture.Count(kAddressTop, kAddressRow, 0xFFFFFF), 8 * 880);
  // Two band rows of 22 pixels in the face colour. The main toolbar's row
  // holds its information strip, three labels on white; the quick links' row
  // its red picture at its left end, and no reason for a missing band.
  const int rows = kAddressRow + 2 * 22;
  EXPECT_GT(picture.Count(kAddressRow, rows, 0xD4D0C8), 20000);
  EXPECT_GT(picture.Count(kAddressRow, kAddressRow + 22, 0xFFFFFF), 1000);
  EXPECT_GT(picture.Reddish(kAddressRow + 22, rows, 0, 100), 20);
  EXPECT_EQ(picture.Reddish(kAddressRow + 22, rows, 100, picture.Width()), 0);
  // The page below them is drawn by the document, inside its sunken edge: not the frame's face.
  EXPECT_EQ(picture.Count(rows + 30, rows + 60, 0xD4D0C8, 8), 0);
}

TEST_F(VornieBrowserTool, ABandThatCannotBeHostedIsReportedAndItsRowSaysWhy) {
  // Nothing registered in this store.
  const std::string path = (folder_.Path() / "frame.png").string();
  const auto run = Browser(path);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("VornIEExplorerBar: cannot create"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("BriselQLToolbar: cannot create"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("class not registered"), std::string::npos) << run.err;
  const Picture picture(path);
  ASSERT_TRUE(picture.Loaded()) << "the picture is saved all the same";
  EXPECT_GT(picture.Reddish(kAddressRow, kAddressRow + 22), 20);
  EXPECT_GT(picture.Reddish(kAddressRow + 22, kAddressRow + 44), 20);
}

}  // namespace
