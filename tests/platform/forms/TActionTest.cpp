// Actions: the state their controls and menu items follow, updates through
// the action list, and execution that runs the update rule first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/forms/FormsErrors.h"
#include "platform/forms/TAction.h"
#include "platform/forms/TActionList.h"
#include "platform/forms/TMenuItem.h"
#include "platform/forms/TToolBar.h"

namespace {

using namespace forms;

TEST(TActionTest, LinkedControlsAndItemsFollowTheActionsState) {
  TComponent form(nullptr);
  auto* action = new TAction(&form);
  action->SetCaption(L"Speak");
  action->SetHint(L"Speak the selection");
  action->SetImageIndex(19);
  action->SetChecked(true);
  auto* bar = new TToolBar(&form);
  auto* button = new TToolButton(&form);
  button->SetParent(bar);
  button->SetHint(L"overwritten");
  button->SetAction(action);
  auto* item = new TMenuItem(&form);
  item->SetAction(action);

  EXPECT_EQ(button->Caption(), L"Speak");
  EXPECT_EQ(button->Hint(), L"Speak the selection");
  EXPECT_EQ(button->ImageIndex(), 19);
  EXPECT_TRUE(button->Down());
  EXPECT_EQ(item->Caption(), L"Speak");
  EXPECT_TRUE(item->Checked());

  action->SetEnabled(false);
  action->SetVisible(false);
  action->SetChecked(false);
  action->SetHint(L"Stop speaking");
  action->SetImageIndex(20);
  EXPECT_FALSE(button->Enabled());
  EXPECT_FALSE(button->Visible());
  EXPECT_FALSE(button->Down());
  EXPECT_EQ(button->Hint(), L"Stop speaking");
  EXPECT_EQ(button->ImageIndex(), 20);
  EXPECT_FALSE(item->Enabled());
  EXPECT_FALSE(item->Visible());
  EXPECT_EQ(item->ImageIndex(), 20);

  // Unlinked, the button keeps what it showed and no longer follows.
  button->SetAction(nullptr);
  action->SetHint(L"later");
  EXPECT_EQ(button->Hint(), L"Stop speaking");
  EXPECT_EQ(action->ClientCount(), 1);
}

// Records the order in which handlers ran.
struct Journal {
  std::vector<std::wstring> entries;
  TNotifyEvent Note(const std::wstring& what) {
    return [this, what](TComponent*) { entries.push_back(what); };
  }
};

TEST(TActionTest, ExecutingRunsTheUpdateRuleFirstAndOnlyGoesOnWhenEnabled) {
  TComponent form(nullptr);
  Journal journal;
  auto* action = new TAction(&form);
  bool allowed = false;
  action->OnUpdate = [&](TComponent* sender) {
    journal.entries.push_back(L"update");
    static_cast<TAction*>(sender)->SetEnabled(allowed);
  };
  action->OnExecute = journal.Note(L"execute");

  EXPECT_FALSE(action->Execute());
  allowed = true;
  EXPECT_TRUE(action->Execute());
  EXPECT_EQ(journal.entries, (std::vector<std::wstring>{L"update", L"update", L"execute"}));

  // Without handlers nothing runs and nothing is claimed.
  TAction bare(nullptr);
  EXPECT_FALSE(bare.Update());
  EXPECT_FALSE(bare.Execute());
}

TEST(TActionTest, TheListSeesUpdatesAndExecutionsFirstAndMayHandleThem) {
  TComponent form(nullptr);
  Journal journal;
  auto* list = new TActionList(&form);
  std::vector<TAction*> actions;
  for (const wchar_t* name : {L"First", L"Second", L"Third"}) {
    auto* a = new TAction(&form);
    a->SetName(name);
    a->SetActionList(list);
    a->OnUpdate = journal.Note(std::wstring(name) + L".update");
    a->OnExecute = journal.Note(std::wstring(name) + L".execute");
    actions.push_back(a);
  }
  list->OnUpdate = [&](TAction* action, bool& handled) {
    journal.entries.push_back(L"list.update " + action->Name());
    handled = action->Name() == L"Second";
  };
  list->UpdateActions();
  const std::vector<std::wstring> updates = {L"list.update First",  L"First.update", L"list.update Second",
                                             L"list.update Third", L"Third.update"};
  EXPECT_EQ(journal.entries, updates);

  journal.entries.clear();
  list->OnUpdate = nullptr;
  list->OnExecute = [&](TAction* action, bool& handled) { handled = action == actions[0]; };
  EXPECT_TRUE(actions[0]->Execute());
  EXPECT_TRUE(actions[2]->Execute());
  EXPECT_EQ(journal.entries, (std::vector<std::wstring>{L"First.update", L"Third.update", L"Third.execute"}));

  // An update that frees a later action: the list goes on without it.
  journal.entries.clear();
  list->OnExecute = nullptr;
  actions[0]->OnUpdate = [&](TComponent*) { delete actions[1]; };
  list->UpdateActions();
  EXPECT_EQ(list->ActionCount(), 2);
  EXPECT_EQ(journal.entries, (std::vector<std::wstring>{L"Third.update"}));
}

TEST(TActionTest, ClickingALinkedControlOrItemExecutesTheAction) {
  TComponent form(nullptr);
  int executed = 0;
  int clicked = 0;
  auto* action = new TAction(&form);
  action->OnExecute = [&](TComponent*) { ++executed; };
  auto* bar = new TToolBar(&form);
  auto* button = new TToolButton(&form);
  button->SetParent(bar);
  button->SetAction(action);
  auto* item = new TMenuItem(&form);
  item->SetAction(action);

  button->Click();
  item->Click();
  EXPECT_EQ(executed, 2);

  // A control's own OnClick takes the place of the action.
  button->OnClick = [&](TComponent*) { ++clicked; };
  button->Click();
  EXPECT_EQ(executed, 2);
  EXPECT_EQ(clicked, 1);

  // A disabled item does nothing; a disabled action does not execute.
  action->SetEnabled(false);
  item->Click();
  item->SetEnabled(true);
  item->Click();
  EXPECT_EQ(executed, 2);
}

TEST(TActionTest, CheckButtonsToggleAndGroupedOnesReleaseTheirNeighbours) {
  TComponent form(nullptr);
  auto* bar = new TToolBar(&form);
  std::vector<TToolButton*> group;
  for (int i = 0; i < 3; ++i) {
    auto* b = new TToolButton(&form);
    b->SetStyle(tbsCheck);
    b->SetGrouped(true);
    b->SetParent(bar);
    group.push_back(b);
  }
  auto* loose = new TToolButton(&form);
  loose->SetStyle(tbsCheck);
  loose->SetParent(bar);

  group[0]->Click();
  group[2]->Click();
  EXPECT_FALSE(group[0]->Down());
  EXPECT_TRUE(group[2]->Down());
  group[2]->Click();  // the last one down of a group stays down
  EXPECT_TRUE(group[2]->Down());
  group[2]->SetAllowAllUp(true);
  group[2]->Click();
  EXPECT_FALSE(group[2]->Down());

  loose->Click();
  EXPECT_TRUE(loose->Down());
  loose->Click();
  EXPECT_FALSE(loose->Down());
}

}  // namespace
