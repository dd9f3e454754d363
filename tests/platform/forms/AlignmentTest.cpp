// The arrangement of aligned children inside their parent's client area.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/forms/TImage.h"
#include "platform/forms/TLabel.h"
#include "platform/forms/TPanel.h"
#include "platform/forms/TStaticText.h"

namespace {

using namespace forms;

struct Child {
  TAlign align;
  int width;
  int height;
  RECT expected;  // left, top, right, bottom after arrangement
};

struct AlignCase {
  const char* what;
  int borderWidth;
  std::vector<Child> children;
};

TEST(AlignmentTest, AlignedChildrenShareTheClientAreaInTheStandardOrder) {
  // The parent's client area is 200 x 100 (no bevels).
  const std::vector<AlignCase> cases = {
      {"left to right in joining order",
       0,
       {{alLeft, 40, 10, {0, 0, 40, 100}}, {alLeft, 30, 10, {40, 0, 70, 100}}, {alClient, 5, 5, {70, 0, 200, 100}}}},
      {"top and bottom before left and right",
       0,
       {{alLeft, 20, 0, {0, 15, 20, 90}},
        {alTop, 0, 15, {0, 0, 200, 15}},
        {alBottom, 0, 10, {0, 90, 200, 100}},
        {alRight, 25, 0, {175, 15, 200, 90}},
        {alClient, 0, 0, {20, 15, 175, 90}}}},
      {"an unaligned child stays put",
       0,
       {{alNone, 10, 10, {0, 0, 10, 10}}, {alTop, 0, 20, {0, 0, 200, 20}}}},
      {"the border width is kept free",
       5,
       {{alTop, 0, 20, {5, 5, 195, 25}}, {alClient, 0, 0, {5, 25, 195, 95}}}},
      {"children larger than the room get what is left, never less than nothing",
       0,
       {{alLeft, 150, 0, {0, 0, 150, 100}}, {alLeft, 80, 0, {150, 0, 230, 100}}, {alClient, 0, 0, {230, 0, 230, 100}}}},
  };
  for (const AlignCase& c : cases) {
    SCOPED_TRACE(c.what);
    TPanel parent(nullptr);
    parent.SetBevelOuter(bvNone);
    parent.SetBorderWidth(c.borderWidth);
    parent.SetBounds(0, 0, 200, 100);
    std::vector<TPanel*> children;
    for (const Child& child : c.children) {
      auto* control = new TPanel(&parent);
      control->SetBounds(0, 0, child.width, child.height);
      control->SetAlign(child.align);
      control->SetParent(&parent);
      children.push_back(control);
    }
    for (size_t i = 0; i < children.size(); ++i) {
      SCOPED_TRACE(i);
      const RECT r = children[i]->BoundsRect();
      const RECT e = c.children[i].expected;
      EXPECT_EQ(r.left, e.left);
      EXPECT_EQ(r.top, e.top);
      EXPECT_EQ(r.right, e.right);
      EXPECT_EQ(r.bottom, e.bottom);
    }
  }
}

TEST(AlignmentTest, TheArrangementFollowsChangesOfChildrenAndParent) {
  TPanel parent(nullptr);
  parent.SetBevelOuter(bvNone);
  parent.SetBounds(0, 0, 300, 22);
  auto* image = new TImage(&parent);
  image->SetBounds(0, 0, 40, 22);
  image->SetAlign(alLeft);
  image->SetParent(&parent);
  auto* bar = new TPanel(&parent);
  bar->SetBounds(0, 0, 100, 22);
  bar->SetAlign(alLeft);
  bar->SetParent(&parent);
  auto* rest = new TPanel(&parent);
  rest->SetAlign(alClient);
  rest->SetParent(&parent);
  EXPECT_EQ(bar->Left(), 40);
  EXPECT_EQ(rest->Left(), 140);

  image->Hide();  // invisible children take no room
  EXPECT_EQ(bar->Left(), 0);
  EXPECT_EQ(rest->Left(), 100);
  EXPECT_EQ(rest->Width(), 200);

  image->Show();  // and get it back in their old place
  EXPECT_EQ(image->Left(), 0);
  EXPECT_EQ(bar->Left(), 40);

  bar->SetWidth(60);
  EXPECT_EQ(rest->Left(), 100);
  EXPECT_EQ(rest->Width(), 200);

  parent.SetBounds(0, 0, 500, 30);
  EXPECT_EQ(rest->Width(), 400);
  EXPECT_EQ(image->Height(), 30);

  delete bar;
  EXPECT_EQ(rest->Left(), 40);

  parent.DisableAlign();
  image->SetWidth(10);
  EXPECT_EQ(rest->Left(), 40);  // held back
  parent.EnableAlign();
  EXPECT_EQ(rest->Left(), 10);
}

TEST(AlignmentTest, BevelsAndBorderKeepAMarginAndAutoSizeEnclosesTheChildren) {
  TPanel panel(nullptr);
  panel.SetBevelInner(bvLowered);
  panel.SetBevelOuter(bvRaised);
  panel.SetBevelWidth(2);
  panel.SetBorderWidth(3);
  panel.SetBounds(0, 0, 100, 50);
  auto* top = new TPanel(&panel);
  top->SetBounds(0, 0, 10, 8);
  top->SetAlign(alTop);
  top->SetParent(&panel);
  EXPECT_EQ(top->BoundsRect().left, 7);
  EXPECT_EQ(top->BoundsRect().top, 7);
  EXPECT_EQ(top->Width(), 86);

  TPanel holder(nullptr);
  holder.SetBevelOuter(bvNone);
  holder.SetBorderWidth(3);
  auto* text = new TStaticText(&holder);
  text->SetBorderStyle(sbsSingle);
  text->SetCaption(L"  Info  ");  // its text in a 1-pixel frame
  text->SetBounds(3, 3, 0, 0);
  text->SetParent(&holder);
  holder.SetAutoSize(true);
  const TTextSize info = TextExtent(text->Font(), L"  Info  ");
  EXPECT_EQ(text->Width(), info.cx + 2);
  EXPECT_EQ(text->Height(), info.cy + 2);
  EXPECT_EQ(holder.Width(), 3 + info.cx + 2 + 3);
  EXPECT_EQ(holder.Height(), 3 + info.cy + 2 + 3);

  text->SetCaption(L"  Comments  ");
  const int comments = TextExtent(text->Font(), L"  Comments  ").cx + 2;
  EXPECT_GT(comments, info.cx + 2);
  EXPECT_EQ(holder.Width(), 3 + comments + 3);
  text->Hide();  // nothing visible left: the size stays
  EXPECT_EQ(holder.Width(), 3 + comments + 3);
}

TEST(AlignmentTest, AnAutoSizedControlKeepsTheExtentItsAlignmentGivesIt) {
  TPanel parent(nullptr);
  parent.SetBevelOuter(bvNone);
  parent.SetBounds(0, 0, 300, 22);
  auto* label = new TLabel(&parent);
  label->SetAlign(alLeft);
  label->SetParent(&parent);
  label->SetCaption(L"abc");
  EXPECT_EQ(label->Width(), TextExtent(label->Font(), L"abc").cx);
  EXPECT_EQ(label->Height(), 22);  // the alignment's, not the text's

  label->SetAlign(alTop);
  label->SetCaption(L"abcd");
  EXPECT_EQ(label->Width(), 300);
  EXPECT_EQ(label->Height(), TextExtent(label->Font(), L"abcd").cy);
}

}  // namespace
