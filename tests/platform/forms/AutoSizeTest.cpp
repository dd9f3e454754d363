// Text metrics and the sizes controls take from them: labels, static texts,
// images and the buttons of toolbars.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
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

// Widths and heights come from the font, so they are read back from
// TextExtent here; what is checked is how the controls use them.
TTextSize Extent(std::wstring_view text, int height = -11) {
  TFont font;
  font.Height = height;
  return TextExtent(font, text);
}

TEST(AutoSizeTest, TextExtentMeasuresLinesInTheFont) {
  const TTextSize line = Extent(L"X");
  ASSERT_GT(line.cx, 0);
  ASSERT_GT(line.cy, 0);
  EXPECT_EQ(Extent(L"").cx, 0);
  EXPECT_EQ(Extent(L"").cy, line.cy);  // an empty text is one empty line
  // Every kind of line break starts a line; a text is as wide as its longest line.
  const TTextSize lines = Extent(L"a\nbb\rccc\r\ndd");
  EXPECT_EQ(lines.cy, 4 * line.cy);
  EXPECT_EQ(lines.cx, std::max({Extent(L"a").cx, Extent(L"bb").cx, Extent(L"ccc").cx, Extent(L"dd").cx}));
  EXPECT_GT(Extent(L"  Rating: 10  ").cx, Extent(L"  Rating: 1  ").cx);
  // A positive height is the cell height and 0 is the default size.
  EXPECT_LT(Extent(L"ab", 11).cy, Extent(L"ab", -11).cy + 1);
  EXPECT_EQ(Extent(L"abc", 0), Extent(L"abc", -11));
  EXPECT_GT(Extent(L"ab", -22).cx, Extent(L"ab", -11).cx);
  EXPECT_GT(Extent(L"ab", -22).cy, Extent(L"ab", -11).cy);
  EXPECT_EQ(StripAccelChars(L"&File"), L"File");
  EXPECT_EQ(StripAccelChars(L"Save && quit&"), L"Save & quit");
}

TEST(AutoSizeTest, LabelsAndStaticTextsSizeThemselvesToTheirCaption) {
  TPanel parent(nullptr);
  auto* label = new TLabel(&parent);
  label->SetParent(&parent);
  label->SetCaption(L"&Open");
  EXPECT_EQ(label->Width(), Extent(L"Open").cx);  // the accelerator mark takes no room
  EXPECT_EQ(label->Height(), Extent(L"Open").cy);
  label->SetShowAccelChar(false);
  EXPECT_EQ(label->Width(), Extent(L"&Open").cx);

  // The parent's font is the label's until the label gets its own.
  TFont big;
  big.Height = -22;
  parent.SetFont(big);
  const int bigWidth = Extent(L"&Open", -22).cx;
  EXPECT_EQ(label->Width(), bigWidth);
  label->SetFontColor(clInfoText);
  EXPECT_FALSE(label->ParentFont());
  EXPECT_EQ(label->Font().Height, -22);
  parent.SetFont(TFont{});
  EXPECT_EQ(label->Width(), bigWidth);

  label->SetAutoSize(false);
  label->SetCaption(L"x");
  EXPECT_EQ(label->Width(), bigWidth);

  struct Case {
    TStaticBorderStyle border;
    int frame;  // pixels of frame on each side
  };
  const TTextSize rating = Extent(L"  Rating: 5  ");
  for (const Case& c : {Case{sbsNone, 0}, Case{sbsSingle, 1}, Case{sbsSunken, 1}}) {
    TStaticText text(nullptr);
    text.SetBorderStyle(c.border);
    text.SetCaption(L"  Rating: 5  ");
    EXPECT_EQ(text.Width(), rating.cx + 2 * c.frame) << c.border;
    EXPECT_EQ(text.Height(), rating.cy + 2 * c.frame) << c.border;
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
      {"list with caption", true, true, true, tbsButton, true, L"Domain links",
       7 + 16 + 4 + Extent(L"Domain links").cx, std::max(22, Extent(L"D").cy + 6)},
      {"list, fixed width", true, true, true, tbsDropDown, false, L"Manage groups", 87 + 14, 22},
      {"caption below the image", true, true, false, tbsButton, true, L"Go",
       std::max(16, Extent(L"Go").cx) + 7, 16 + Extent(L"Go").cy + 6},
      {"caption wider than the image", true, true, false, tbsButton, true, L"Longer the caption",
       Extent(L"Longer the caption").cx + 7, 16 + Extent(L"L").cy + 6},
      {"no images", false, true, true, tbsButton, true, L"&Abc", 7 + Extent(L"Abc").cx,
       std::max(22, Extent(L"A").cy + 6)},
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
