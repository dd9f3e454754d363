// Text metrics and the sizes controls take from them: labels, static texts,
// images and the buttons of toolbars.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/forms/FormsErrors.h"
#include "platform/forms/TImage.h"
#include "platform/forms/TImageList.h"
#include "platform/forms/TLabel.h"
#include "platform/forms/TPanel.h"
#include "platform/forms/TStaticText.h"
#include "platform/forms/TToolBar.h"

namespace {

using namespace forms;

TEST(AutoSizeTest, TextExtentFollowsTheDocumentedMetrics) {
  struct Case {
    int fontHeight;
    std::wstring text;
    TTextSize expected;
  };
  const std::vector<Case> cases = {
      {-11, L"", {0, 13}},
      {-11, L"  Rating: 0  ", {65, 13}},
      {-11, L"  Hint\r\n  comments  ", {60, 26}},
      {-11, L"a\nbb\rccc", {15, 39}},
      {11, L"ab", {10, 13}},
      {-22, L"ab", {20, 24}},
      {0, L"abc", {15, 13}},
  };
  for (const Case& c : cases) {
    TFont font;
    font.Height = c.fontHeight;
    EXPECT_EQ(TextExtent(font, c.text), c.expected) << c.fontHeight;
  }
  EXPECT_EQ(StripAccelChars(L"&File"), L"File");
  EXPECT_EQ(StripAccelChars(L"Save && quit&"), L"Save & quit");
}

TEST(AutoSizeTest, LabelsAndStaticTextsSizeThemselvesToTheirCaption) {
  TPanel parent(nullptr);
  auto* label = new TLabel(&parent);
  label->SetParent(&parent);
  label->SetCaption(L"&Open");
  EXPECT_EQ(label->Width(), 20);  // the accelerator mark takes no room
  EXPECT_EQ(label->Height(), 13);
  label->SetShowAccelChar(false);
  EXPECT_EQ(label->Width(), 25);

  // The parent's font is the label's until the label gets its own.
  TFont big;
  big.Height = -22;
  parent.SetFont(big);
  EXPECT_EQ(label->Width(), 50);
  label->SetFontColor(clInfoText);
  EXPECT_FALSE(label->ParentFont());
  EXPECT_EQ(label->Font().Height, -22);
  parent.SetFont(TFont{});
  EXPECT_EQ(label->Width(), 50);

  label->SetAutoSize(false);
  label->SetCaption(L"x");
  EXPECT_EQ(label->Width(), 50);

  struct Case {
    TStaticBorderStyle border;
    int width;
    int height;
  };
  for (const Case& c : {Case{sbsNone, 65, 13}, Case{sbsSingle, 67, 15}, Case{sbsSunken, 67, 15}}) {
    TStaticText text(nullptr);
    text.SetBorderStyle(c.border);
    text.SetCaption(L"  Rating: 5  ");
    EXPECT_EQ(text.Width(), c.width) << c.border;
    EXPECT_EQ(text.Height(), c.height) << c.border;
  }
}

TEST(AutoSizeTest, AnImageTakesItsPicturesSizeWhenAutoSized) {
  TImage image(nullptr);
  image.SetBounds(0, 0, 169, 41);
  image.SetAutoSize(true);
  EXPECT_EQ(image.Width(), 169);  // an empty picture asks for nothing
  image.SetPicture(TBitmap(30, 20));
  EXPECT_EQ(image.Width(), 30);
  EXPECT_EQ(image.Height(), 20);

  TImage centred(nullptr);
  centred.SetBounds(0, 0, 62, 22);
  centred.SetCenter(true);
  centred.SetPicture(TBitmap(16, 16));
  const RECT r = centred.DestRect();
  EXPECT_EQ(r.left, 23);
  EXPECT_EQ(r.top, 3);
  centred.SetStretch(true);
  EXPECT_EQ(centred.DestRect().right, 62);
}

struct ButtonCase {
  const char* what;
  bool images;
  bool showCaptions;
  bool list;
  TToolButtonStyle style;
  bool autoSize;
  std::wstring caption;
  int width;
  int height;
};

TEST(AutoSizeTest, ToolButtonsTakeTheDocumentedGeometry) {
  const std::vector<ButtonCase> cases = {
      {"image only", true, false, false, tbsButton, true, L"Ignored", 23, 22},
      {"image only, fixed width", true, false, false, tbsButton, false, L"", 23, 22},
      {"drop-down arrow", true, false, false, tbsDropDown, true, L"", 37, 22},
      {"list with caption", true, true, true, tbsButton, true, L"Domain links", 7 + 16 + 4 + 60, 22},
      {"list, fixed width", true, true, true, tbsDropDown, false, L"Manage groups", 87 + 14, 22},
      {"caption below the image", true, true, false, tbsButton, true, L"Go", 23, 16 + 13 + 6},
      {"caption wider than the image", true, true, false, tbsButton, true, L"Longer", 37, 35},
      {"no images", false, true, true, tbsButton, true, L"&Abc", 7 + 15, 22},
      {"separator", true, true, true, tbsSeparator, true, L"", 8, 22},
  };
  for (const ButtonCase& c : cases) {
    SCOPED_TRACE(c.what);
    TComponent form(nullptr);
    auto* images = new TImageList(&form);
    auto* bar = new TToolBar(&form);
    bar->SetAlign(alNone);
    bar->SetButtonWidth(87);
    if (c.images) bar->SetImages(images);
    bar->SetShowCaptions(c.showCaptions);
    bar->SetList(c.list);
    auto* button = new TToolButton(&form);
    button->SetStyle(c.style);
    button->SetAutoSize(c.autoSize);
    button->SetCaption(c.caption);
    button->SetParent(bar);
    if (!c.autoSize && c.style == tbsButton) bar->SetButtonWidth(23);
    EXPECT_EQ(button->Width(), c.width);
    EXPECT_EQ(button->Height(), c.height);
  }
}

TEST(AutoSizeTest, AToolBarPlacesItsChildrenInOrderAndSizesItself) {
  TComponent form(nullptr);
  auto* images = new TImageList(&form);
  TPanel host(nullptr);
  host.SetBevelOuter(bvNone);
  host.SetBounds(0, 0, 400, 22);
  auto* bar = new TToolBar(&form);
  bar->SetAlign(alLeft);
  bar->SetImages(images);
  bar->SetWrapable(false);
  bar->SetParent(&host);
  std::vector<TToolButton*> buttons;
  for (TToolButtonStyle style : {tbsButton, tbsSeparator, tbsDropDown, tbsButton}) {
    auto* b = new TToolButton(&form);
    b->SetStyle(style);
    b->SetAutoSize(true);
    b->SetParent(bar);
    buttons.push_back(b);
  }
  auto* panel = new TPanel(&form);  // another control keeps its own size
  panel->SetBounds(0, 0, 74, 22);
  panel->SetParent(bar);
  bar->SetAutoSize(true);

  EXPECT_EQ(bar->ButtonCount(), 4);
  const std::vector<int> lefts = {0, 23, 31, 68};
  for (size_t i = 0; i < buttons.size(); ++i) EXPECT_EQ(buttons[i]->Left(), lefts[i]) << i;
  EXPECT_EQ(panel->Left(), 91);
  EXPECT_EQ(bar->Width(), 165);
  EXPECT_EQ(bar->Height(), 22);  // the alignment's

  buttons[2]->Hide();
  EXPECT_EQ(buttons[3]->Left(), 31);
  EXPECT_EQ(bar->Width(), 128);

  buttons[3]->SetIndex(0);  // to the front
  EXPECT_EQ(bar->Buttons(0), buttons[3]);
  EXPECT_EQ(buttons[3]->Left(), 0);
  EXPECT_EQ(buttons[0]->Left(), 23);

  images->SetSize(24, 24);  // the buttons follow their image list
  EXPECT_EQ(buttons[0]->Width(), 31);
  EXPECT_EQ(buttons[0]->Height(), 30);

  bar->SetAutoSize(false);
  bar->SetWidth(0);
  EXPECT_EQ(bar->Width(), 0);
  bar->SetAutoSize(true);
  EXPECT_EQ(bar->Width(), 31 + 31 + 8 + 74);
  EXPECT_THROW(bar->Buttons(4), EComponentError);
}

TEST(AutoSizeTest, AWrapableToolBarStartsANewRowAtItsRightEdge) {
  TComponent form(nullptr);
  auto* bar = new TToolBar(&form);
  bar->SetAlign(alNone);
  bar->SetBounds(0, 0, 60, 22);
  for (int i = 0; i < 3; ++i) {
    auto* b = new TToolButton(&form);
    b->SetParent(bar);
  }
  EXPECT_EQ(bar->Buttons(1)->Left(), 23);
  EXPECT_EQ(bar->Buttons(2)->Left(), 0);
  EXPECT_EQ(bar->Buttons(2)->Top(), 22);
  bar->SetAutoSize(true);
  EXPECT_EQ(bar->Height(), 44);

  bar->SetWrapable(false);
  EXPECT_EQ(bar->Buttons(2)->Top(), 0);
  EXPECT_EQ(bar->Buttons(2)->Left(), 46);
}

}  // namespace
