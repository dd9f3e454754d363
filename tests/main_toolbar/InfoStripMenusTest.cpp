// The information strip's menus on a page of the sample archive: the ratings
// menu, one picture per rating in the archive's colours, and the domain
// links menu with the archived pictures of the site's pages. Menus are shown
// through the recording menu peer, which lets a test choose an item.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "support/ToolbarBandFixture.h"
#include "platform/forms/MenuPeer.h"
#include "platform/forms/TCanvas.h"
#include "platform/forms/TMenuItem.h"

namespace {

using toolbar_testing::ArchiveServer;
using toolbar_testing::kNews;
using vorn::TMainIEToolBandForm;
using InfoStripMenusTest = toolbar_testing::ToolbarBandFixture;

// 0xAARRGGBB of a Windows colour value (0x00BBGGRR).
std::uint32_t Argb(COLORREF c) {
  return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

forms::TRecordingMenuPeer& Menus() { return forms::RecordingMenuPeer(); }

TEST_F(InfoStripMenusTest, TheRatingsMenuPaintsEachRatingAndSetsTheChosenOne) {
  ArchiveServer& server = RunServer();
  TMainIEToolBandForm& form = OpenBand();
  Navigate(kNews);
  Pump();
  ASSERT_EQ(form.DocID(), 2);
  const int before = Menus().PopupCount();
  form.RatingLabel->Click();
  ASSERT_EQ(Menus().PopupCount(), before + 1);
  ASSERT_EQ(Menus().LastMenu(), form.RatingsMenu());
  const POINT corner = form.RatingLabel->ClientToScreen(POINT{0, form.RatingLabel->Height()});
  EXPECT_EQ(Menus().LastPoint().x, corner.x);
  EXPECT_EQ(Menus().LastPoint().y, corner.y + 2) << "2 pixels below the label";

  forms::TMenuItem& items = *form.RatingsMenu()->Items();
  ASSERT_EQ(items.Count(), 4) << "one item per rating of the archive";
  const int width = form.RatingLabel->Width(), height = form.RatingLabel->Height();
  ASSERT_EQ(form.RatingsImageList->Count(), 4);
  EXPECT_EQ(form.RatingsImageList->Width(), width);
  for (int r = 0; r < 4; ++r) {
    EXPECT_EQ(items.Items(r)->Tag(), r);
    EXPECT_EQ(items.Items(r)->ImageIndex(), r);
    int w = 0, h = 0;
    items.Items(r)->MeasureItem(nullptr, w, h);
    EXPECT_EQ(w, width - 10);
  }
  // Rating 3: white on green (the sample archive's colours) inside a black frame on the window colour.
  const forms::TBitmap three = form.RatingsImageList->GetBitmap(3);
  EXPECT_EQ(three.Pixel(0, 0), Argb(0x000000)) << "the frame";
  EXPECT_EQ(three.Pixel(1, 1), Argb(forms::TCanvas::ToColorRef(forms::clWindow)));
  EXPECT_EQ(three.Pixel(2, 2), Argb(0xFFFFFF)) << "the inset rectangle's outline, in the text colour";
  EXPECT_EQ(three.Pixel(4, height / 2), Argb(0x008000)) << "its ground";
  // The number, centred, in the text colour (smoothed text blends into the
  // ground: a white ink is told from the green by its red part).
  int ink = 0, inkOffCentre = 0;
  for (int x = 3; x < width - 3; ++x)
    for (int y = 3; y < height - 3; ++y) {
      if (((three.Pixel(x, y) >> 16) & 0xFF) < 0xC0) continue;
      ++(std::abs(x - width / 2) <= 6 ? ink : inkOffCentre);
    }
  EXPECT_GT(ink, 4);
  EXPECT_EQ(inkOffCentre, 0);

  server.ClearCalls();
  ASSERT_TRUE(Menus().Choose(items.Items(1)));
  EXPECT_EQ(server.CallsTo(L"SetDocumentRating").size(), 1u);
  EXPECT_EQ(server.CallTexts().front(), L"SetDocumentRating(2, 1)");
  EXPECT_EQ(form.RatingLabel->Caption(), L"  Rating: 1  ") << "the document's data is read again";

  // An archive without ratings opens no menu.
  server.SetRatings({});
  form.RatingLabel->Click();
  EXPECT_EQ(Menus().PopupCount(), before + 1);
}

TEST_F(InfoStripMenusTest, TheDomainLinksMenuShowsTheSitesPicturesAndOpensTheChosenPage) {
  ArchiveServer& server = RunServer();
  TMainIEToolBandForm& form = OpenBand();
  Navigate(kNews);
  Pump();
  ASSERT_TRUE(form.DomainLinksAction->Enabled());
  POINT cursor{};
  win::GetCursorPos(&cursor);
  ASSERT_TRUE(form.DomainLinksAction->Execute());
  ASSERT_EQ(Menus().LastMenu(), form.DomainLinksMenu());
  EXPECT_EQ(Menus().LastPoint().x, cursor.x) << "at the pointer";
  forms::TMenuItem& items = *form.DomainLinksMenu()->Items();
  ASSERT_EQ(items.Count(), 2) << "the present pages of www.example.com";
  EXPECT_EQ(items.Items(0)->Tag(), 1);
  EXPECT_EQ(items.Items(1)->Tag(), 2);

  // Sized and drawn from the page's picture (64 x 48 in the sample archive).
  int width = 0, height = 0;
  items.Items(0)->MeasureItem(nullptr, width, height);
  EXPECT_EQ(width, 56);
  EXPECT_EQ(height, 50);
  forms::TBitmap surface(80, 60, 0xFF123456u);
  {
    forms::TCanvas canvas(surface);
    items.Items(0)->DrawItem(canvas, RECT{0, 0, 80, 60}, forms::odSelected);
  }
  const std::vector<BYTE> file = server.PictureOf(*server.FindDocument(1));
  const COLORREF colour = RGB(file[54 + 2], file[54 + 1], file[54]);  // the BMP's first pixel, blue first
  EXPECT_EQ(surface.Pixel(2 + 10, 1 + 10), Argb(colour)) << "the picture at (left + 2, top + 1)";
  EXPECT_EQ(surface.Pixel(0, 30), Argb(forms::TCanvas::ToColorRef(forms::clHighlight))) << "the selection frame";

  ASSERT_TRUE(Menus().Choose(items.Items(1)));
  ASSERT_FALSE(browser_->Navigations().empty());
  EXPECT_EQ(browser_->Navigations().back().url, L"http://www.example.com/news.html");
}

}  // namespace
