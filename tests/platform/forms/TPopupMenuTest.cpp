// Popup menus: the item tree, popping up through the peer, choosing an item,
// drop-down menus of tool buttons and owner-drawn items.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/forms/FormsErrors.h"
#include "platform/forms/MenuPeer.h"
#include "platform/forms/TCanvas.h"
#include "platform/forms/TImageList.h"
#include "platform/forms/TPanel.h"
#include "platform/forms/TPopupMenu.h"
#include "platform/forms/TToolBar.h"

namespace {

using namespace forms;

class TPopupMenuTest : public testing::Test {
 protected:
  void SetUp() override { peer().Dismiss(); }
  static TRecordingMenuPeer& peer() { return RecordingMenuPeer(); }

  TMenuItem* AddItem(TMenuItem* parent, const std::wstring& caption) {
    auto* item = new TMenuItem(&form_);
    item->SetCaption(caption);
    parent->Add(item);
    return item;
  }

  TComponent form_{nullptr};
};

TEST_F(TPopupMenuTest, ItemsFormATreeThatFreesItsBranches) {
  auto* menu = new TPopupMenu(&form_);
  TMenuItem* a = AddItem(menu->Items(), L"&Cookies");
  TMenuItem* line = AddItem(menu->Items(), L"-");
  TMenuItem* b = AddItem(menu->Items(), L"All");
  auto* front = new TMenuItem(&form_);
  menu->Items()->Insert(0, front);
  TMenuItem* sub = AddItem(b, L"Sub");
  EXPECT_EQ(menu->Items()->Count(), 4);
  EXPECT_EQ(menu->Items()->Items(0), front);
  EXPECT_EQ(menu->Items()->IndexOf(a), 1);
  EXPECT_TRUE(line->IsLine());
  EXPECT_EQ(sub->Menu(), menu);
  EXPECT_EQ(form_.ComponentCount(), 6);

  EXPECT_THROW(b->Add(b), EInvalidOperation);
  EXPECT_THROW(sub->Add(b), EInvalidOperation);
  EXPECT_THROW(menu->Items()->Add(nullptr), EInvalidOperation);
  EXPECT_THROW(menu->Items()->Items(4), EComponentError);

  menu->Items()->Delete(0);  // out of the tree, not freed
  EXPECT_EQ(front->Parent(), nullptr);
  EXPECT_EQ(form_.ComponentCount(), 6);

  delete b;  // with its sub-item
  EXPECT_EQ(form_.ComponentCount(), 4);
  menu->Items()->Clear();
  EXPECT_EQ(menu->Items()->Count(), 0);
  EXPECT_EQ(form_.ComponentCount(), 2);  // the menu and the item taken out
}

TEST_F(TPopupMenuTest, PopupRunsOnPopupThenHandsTheMenuToThePeer) {
  auto* menu = new TPopupMenu(&form_);
  std::vector<std::wstring> journal;
  menu->OnPopup = [&](TComponent*) {
    journal.push_back(L"OnPopup");
    // The handler builds the items the user will see.
    AddItem(menu->Items(), L"Built")->OnClick = [&](TComponent* sender) {
      journal.push_back(L"clicked " + static_cast<TMenuItem*>(sender)->Caption());
    };
  };
  const int before = peer().PopupCount();
  menu->Popup(120, 40);
  EXPECT_EQ(peer().PopupCount(), before + 1);
  ASSERT_EQ(peer().LastMenu(), menu);
  EXPECT_EQ(peer().LastPoint().x, 120);
  EXPECT_EQ(peer().LastPoint().y, 40);
  EXPECT_TRUE(peer().Choose(menu->Items()->Items(0)));
  EXPECT_EQ(journal, (std::vector<std::wstring>{L"OnPopup", L"clicked Built"}));
  EXPECT_EQ(peer().LastMenu(), nullptr);  // choosing closes the menu

  // A throwing OnPopup stops before the peer.
  menu->OnPopup = [](TComponent*) { throw std::runtime_error("no menu today"); };
  EXPECT_THROW(menu->Popup(0, 0), std::runtime_error);
  EXPECT_EQ(peer().LastMenu(), nullptr);
}

TEST_F(TPopupMenuTest, OnlyItemsAUserCouldReachCanBeChosen) {
  auto* menu = new TPopupMenu(&form_);
  auto* other = new TPopupMenu(&form_);
  int clicks = 0;
  auto count = [&](TComponent*) { ++clicks; };
  TMenuItem* ok = AddItem(menu->Items(), L"Ok");
  TMenuItem* disabled = AddItem(menu->Items(), L"Disabled");
  TMenuItem* hidden = AddItem(menu->Items(), L"Hidden");
  TMenuItem* line = AddItem(menu->Items(), L"-");
  TMenuItem* parent = AddItem(menu->Items(), L"Parent");
  TMenuItem* child = AddItem(parent, L"Child");
  TMenuItem* elsewhere = AddItem(other->Items(), L"Elsewhere");
  TMenuItem* throwing = AddItem(menu->Items(), L"Throws");
  for (TMenuItem* item : {ok, disabled, hidden, line, parent, child, elsewhere}) item->OnClick = count;
  throwing->OnClick = [](TComponent*) { throw std::runtime_error("handler failed"); };
  disabled->SetEnabled(false);
  hidden->SetVisible(false);

  EXPECT_FALSE(peer().Choose(ok));  // nothing shown yet
  for (TMenuItem* refused : {disabled, hidden, line, parent, elsewhere, menu->Items(), static_cast<TMenuItem*>(nullptr)}) {
    menu->Popup(0, 0);
    EXPECT_FALSE(peer().Choose(refused));
  }
  parent->SetEnabled(false);
  EXPECT_FALSE(peer().Choose(child));
  parent->SetEnabled(true);
  EXPECT_TRUE(peer().Choose(child));
  menu->Popup(0, 0);
  EXPECT_TRUE(peer().Choose(throwing));  // fails silently
  EXPECT_EQ(clicks, 1);

  menu->Popup(0, 0);
  delete menu;  // the peer forgets a freed menu
  EXPECT_EQ(peer().LastMenu(), nullptr);
}

TEST_F(TPopupMenuTest, RadioItemsOfOneGroupUncheckEachOther) {
  auto* menu = new TPopupMenu(&form_);
  std::vector<TMenuItem*> items;
  for (int group : {1, 1, 2}) {
    TMenuItem* item = AddItem(menu->Items(), L"r");
    item->SetRadioItem(true);
    item->SetGroupIndex(group);
    items.push_back(item);
  }
  items[0]->SetChecked(true);
  items[2]->SetChecked(true);
  items[1]->SetChecked(true);
  EXPECT_FALSE(items[0]->Checked());
  EXPECT_TRUE(items[1]->Checked());
  EXPECT_TRUE(items[2]->Checked());

  items[0]->SetAutoCheck(true);
  items[0]->Click();
  EXPECT_TRUE(items[0]->Checked());
  EXPECT_FALSE(items[1]->Checked());
}

TEST_F(TPopupMenuTest, ADropDownButtonShowsItsMenuBelowItselfFromTheArrow) {
  TPanel host(nullptr);
  host.SetBevelOuter(bvNone);
  host.SetBounds(100, 50, 300, 22);
  auto* bar = new TToolBar(&form_);
  bar->SetAlign(alLeft);
  bar->SetParent(&host);
  auto* plain = new TToolButton(&form_);
  plain->SetParent(bar);
  auto* button = new TToolButton(&form_);
  button->SetStyle(tbsDropDown);
  button->SetParent(bar);
  auto* menu = new TPopupMenu(&form_);
  button->SetDropdownMenu(menu);
  int clicks = 0;
  button->OnClick = [&](TComponent*) { ++clicks; };

  // A press on the arrow shows the menu; the release that follows is no click.
  ASSERT_TRUE(button->InArrow(button->Width() - 1, 5));
  EXPECT_FALSE(button->InArrow(button->Width() - 15, 5));
  button->MouseDown(mbLeft, ssLeft, button->Width() - 3, 5);
  ASSERT_EQ(peer().LastMenu(), menu);
  EXPECT_EQ(menu->PopupComponent(), button);
  EXPECT_EQ(peer().LastPoint().x, 100 + 23);
  EXPECT_EQ(peer().LastPoint().y, 50 + 22);
  button->Click();
  EXPECT_EQ(clicks, 0);

  // A press on the face is an ordinary click.
  peer().Dismiss();
  button->MouseDown(mbLeft, ssLeft, 2, 5);
  button->Click();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(peer().LastMenu(), nullptr);

  EXPECT_FALSE(plain->CheckMenuDropdown());
}

TEST_F(TPopupMenuTest, OwnerDrawnItemsAreMeasuredAndDrawnByTheirHandlers) {
  auto* images = new TImageList(&form_);
  images->SetSize(59, 17);
  images->Add(TBitmap(59, 17, 0xFF00FF00u));
  auto* menu = new TPopupMenu(&form_);
  menu->SetOwnerDraw(true);
  menu->SetImages(images);
  TMenuItem* item = AddItem(menu->Items(), L"");
  item->SetImageIndex(0);

  int width = 0, height = 0;
  item->MeasureItem(nullptr, width, height);
  EXPECT_EQ(width, 0 + 16 + 59 + 8);
  EXPECT_EQ(height, 20);
  item->OnMeasureItem = [](TComponent*, TCanvas*, int& w, int&) { w = 49; };
  item->MeasureItem(nullptr, width, height);
  EXPECT_EQ(width, 49);
  EXPECT_EQ(height, 20);

  // Without draw handlers the item's image is drawn at its left.
  TBitmap surface(80, 20, 0);
  TCanvas canvas(surface);
  item->DrawItem(canvas, RECT{0, 0, 80, 20}, 0);
  EXPECT_EQ(surface.Pixel(2, 1), 0xFF00FF00u);
  EXPECT_EQ(surface.Pixel(79, 19), TCanvas::Resolve(clWindow));

  std::vector<bool> selected;
  item->OnDrawItem = [&](TComponent*, TCanvas*, RECT, bool s) { selected.push_back(s); };
  item->DrawItem(canvas, RECT{0, 0, 80, 20}, odSelected);
  item->DrawItem(canvas, RECT{0, 0, 80, 20}, odChecked);
  EXPECT_EQ(selected, (std::vector<bool>{true, false}));

  TMenuItem* line = AddItem(menu->Items(), L"-");
  line->MeasureItem(nullptr, width, height);
  EXPECT_EQ(height, 8);
}

}  // namespace
