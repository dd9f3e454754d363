// The toolbars' pictures as the built module carries them: BITMAP resources
// of the DLL on Windows, files beside the module on the portable build, both
// read through win::LoadImageW. They are held to the icon table they were
// converted from.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/forms/TBitmap.h"
#include "platform/forms/TImageList.h"
#include "platform/win/GdiHandles.h"
#include "platform/win/Resources.h"
#include "support/BuiltModule.h"

namespace {

using forms::TBitmap;

struct Row {
  int index = 0;
  std::string icon;
};

// The rows of the icon table by strip, index order.
std::map<std::string, std::vector<Row>> IconTable() {
  std::ifstream in(VORN_SOURCE_DIR "/resources/icons/toolbar-icons.tsv");
  EXPECT_TRUE(in) << "no icon table";
  std::map<std::string, std::vector<Row>> table;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string strip, index, size, icon;
    std::getline(fields, strip, '\t');
    std::getline(fields, index, '\t');
    std::getline(fields, size, '\t');
    std::getline(fields, icon, '\t');
    table[strip].push_back({std::stoi(index), icon});
  }
  for (auto& [strip, rows] : table)
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].index, static_cast<int>(i)) << strip;
  return table;
}

class ToolbarBitmaps : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(module_.Instance(), nullptr) << "cannot load " << VORN_MODULE_PATH; }

  // The module's bitmap `name`, read as the toolkit reads DIB sections.
  TBitmap Load(const wchar_t* name) {
    const win::BitmapHandle section(
        static_cast<HBITMAP>(win::LoadImageW(module_.Instance(), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!section) {
      ADD_FAILURE() << "no bitmap resource, error " << win::GetLastError();
      return {};
    }
    return TBitmap::FromDibSection(section.Get());
  }

  static TBitmap Block(const TBitmap& strip, int index) { return strip.Slice(16 * index, 16); }

  testing_support::BuiltModule module_{VORN_MODULE_PATH};
};

bool FullyTransparent(const TBitmap& b) {
  for (std::uint32_t p : b.Pixels())
    if (p >> 24) return false;
  return true;
}

// Visible pixels of one colour only: a blank picture.
bool Blank(const TBitmap& b) {
  std::set<std::uint32_t> colors;
  for (std::uint32_t p : b.Pixels())
    if (p >> 24) colors.insert(p);
  return colors.size() < 2;
}

struct StripCase {
  const wchar_t* normal;
  const wchar_t* hot;
  const char* strip;
  int images;
};
const StripCase kStrips[] = {
    {L"MAINTOOLBAR", L"MAINTOOLBARHOT", "main", 24},
    {L"QUICKLINKS", L"QUICKLINKSHOT", "quicklinks", 3},
};

TEST_F(ToolbarBitmaps, StripsHoldOneVisibleImagePerIndexAndHotDiffersAtEachOne) {
  const auto table = IconTable();
  for (const StripCase& c : kStrips) {
    SCOPED_TRACE(c.strip);
    ASSERT_EQ(table.at(c.strip).size(), static_cast<std::size_t>(c.images)) << "the table's rows";
    const TBitmap normal = Load(c.normal), hot = Load(c.hot);
    for (const TBitmap* b : {&normal, &hot}) {
      ASSERT_EQ(b->Width(), 16 * c.images);
      ASSERT_EQ(b->Height(), 16);
      EXPECT_EQ(b->PixelFormat(), forms::pf32bit);
    }
    bool partlyTransparent = false;
    for (int i = 0; i < c.images; ++i) {
      SCOPED_TRACE(i);
      for (const TBitmap& block : {Block(normal, i), Block(hot, i)}) {
        EXPECT_FALSE(FullyTransparent(block));
        EXPECT_FALSE(Blank(block));
        for (std::uint32_t p : block.Pixels()) partlyTransparent = partlyTransparent || ((p >> 24) > 0 && (p >> 24) < 255);
      }
      EXPECT_NE(Block(normal, i), Block(hot, i)) << "the hot picture looks like the normal one";
    }
    EXPECT_TRUE(partlyTransparent) << "the icons' soft edges lost their alpha";
  }
}

TEST_F(ToolbarBitmaps, ImagesDifferExactlyWhereTheTableNamesDifferentIcons) {
  const auto table = IconTable();
  for (const StripCase& c : kStrips) {
    SCOPED_TRACE(c.strip);
    const auto& rows = table.at(c.strip);
    const TBitmap strip = Load(c.normal);
    ASSERT_EQ(strip.Width(), 16 * static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i)
      for (std::size_t j = i + 1; j < rows.size(); ++j) {
        SCOPED_TRACE(testing::Message() << rows[i].icon << " at " << i << ", " << rows[j].icon << " at " << j);
        const bool sameIcon = rows[i].icon == rows[j].icon;
        EXPECT_EQ(Block(strip, static_cast<int>(i)) == Block(strip, static_cast<int>(j)), sameIcon);
      }
  }
}

TEST_F(ToolbarBitmaps, LogoIsOneIconCentredOnATransparentCanvas) {
  const TBitmap logo = Load(L"QUICKLINKSLOGO");
  ASSERT_EQ(logo.Width(), 62);
  ASSERT_EQ(logo.Height(), 22);
  // A 22-pixel icon centred: columns 20 to 41; everything else is canvas.
  const TBitmap left = logo.Slice(0, 20), right = logo.Slice(42, 20), icon = logo.Slice(20, 22);
  EXPECT_TRUE(FullyTransparent(left));
  EXPECT_TRUE(FullyTransparent(right));
  EXPECT_FALSE(FullyTransparent(icon));
  EXPECT_FALSE(Blank(icon));
}

TEST_F(ToolbarBitmaps, NamesAreFoundWithoutRegardToCaseAndUnknownOnesFail) {
  const TBitmap upper = Load(L"QUICKLINKS");
  for (const wchar_t* name : {L"QuickLinks", L"quicklinks"}) {
    const win::BitmapHandle section(
        static_cast<HBITMAP>(win::LoadImageW(module_.Instance(), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ASSERT_TRUE(section);
    EXPECT_EQ(TBitmap::FromDibSection(section.Get()), upper);
  }
  win::SetLastError(0);
  EXPECT_EQ(win::LoadImageW(module_.Instance(), L"NOSUCHBITMAP", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION), nullptr);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
}

TEST_F(ToolbarBitmaps, ImageListLoadedFromAStripHandsBackEachBlock) {
  const TBitmap strip = Load(L"MAINTOOLBAR");
  forms::TImageList list(nullptr);
  list.Add(TBitmap(16, 16, 0xFF123456u));  // images already there stay first
  EXPECT_EQ(list.LoadStrip(module_.Instance(), L"MAINTOOLBAR"), 1);
  ASSERT_EQ(list.Count(), 25);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(list.GetBitmap(i + 1).Pixels(), Block(strip, i).Pixels()) << i;

  try {
    list.LoadStrip(module_.Instance(), L"NOSUCHBITMAP");
    ADD_FAILURE() << "a missing resource loaded";
  } catch (const forms::EInvalidGraphic& e) {
    EXPECT_NE(e.message().find(L"NOSUCHBITMAP"), std::wstring::npos);
  }
  // The logo is no row of 16 x 16 images.
  EXPECT_THROW(list.LoadStrip(module_.Instance(), L"QUICKLINKSLOGO"), forms::EInvalidGraphic);
  EXPECT_EQ(list.Count(), 25);
}

}  // namespace
