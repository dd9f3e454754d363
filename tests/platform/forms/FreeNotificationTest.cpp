// Freeing on every path: references between components are cleared when the
// referenced one goes, destruction handlers run while the object is whole,
// and a failing handler loses nothing.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/forms/FormsErrors.h"
#include "platform/forms/TAction.h"
#include "platform/forms/TActionList.h"
#include "platform/forms/TDataModule.h"
#include "platform/forms/TForm.h"
#include "platform/forms/TImageList.h"
#include "platform/forms/TPopupMenu.h"
#include "platform/forms/TToolBar.h"

namespace {

using namespace forms;

// Records the components it is told about.
class Watcher : public TComponent {
 public:
  explicit Watcher(TComponent* owner = nullptr) : TComponent(owner) {}
  std::vector<TComponent*> removed;
  void Watch(TComponent* c) { FreeNotification(c); }

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    if (operation == opRemove) removed.push_back(component);
  }
};

TEST(FreeNotificationTest, BothSidesOfALinkHearOfTheOtherGoing) {
  Watcher a;
  {
    Watcher b;
    a.Watch(&b);
    b.Watch(&a);  // a second request for the same pair is one link
  }
  ASSERT_EQ(a.removed.size(), 1u);

  auto c = std::make_unique<Watcher>();
  {
    Watcher d;
    d.Watch(c.get());
    d.RemoveFreeNotification(c.get());
    c.reset();
    EXPECT_TRUE(d.removed.empty());
  }

  // Null and self are ignored rather than linked.
  Watcher e;
  e.Watch(nullptr);
  e.Watch(&e);
  EXPECT_TRUE(e.removed.empty());
}

TEST(FreeNotificationTest, AnOwnerFreeingItsComponentsNotifiesTheirHolders) {
  Watcher outside;
  std::vector<TComponent*> owned;
  {
    TComponent owner(nullptr);
    for (int i = 0; i < 3; ++i) {
      owned.push_back(new TComponent(&owner));
      outside.Watch(owned.back());
    }
  }
  // Newest first, as the owner frees them.
  EXPECT_EQ(outside.removed, (std::vector<TComponent*>{owned[2], owned[1], owned[0]}));
}

// Each reference a component keeps, and what happens when its target is freed.
TEST(FreeNotificationTest, ReferencesToAFreedComponentAreCleared) {
  TComponent form(nullptr);
  auto* bar = new TToolBar(&form);
  auto* button = new TToolButton(&form);
  button->SetParent(bar);
  auto* menu = new TPopupMenu(&form);
  auto* images = new TImageList(&form);
  auto* hot = new TImageList(&form);
  auto* list = new TActionList(&form);
  auto* action = new TAction(&form);
  auto* item = new TMenuItem(&form);
  menu->Items()->Add(item);

  button->SetDropdownMenu(menu);
  button->SetAction(action);
  bar->SetImages(images);
  bar->SetHotImages(hot);
  list->SetImages(images);
  menu->SetImages(images);
  menu->SetPopupComponent(button);
  item->SetAction(action);
  action->SetActionList(list);
  ASSERT_EQ(action->ClientCount(), 2);

  delete images;
  EXPECT_EQ(bar->Images(), nullptr);
  EXPECT_EQ(list->Images(), nullptr);
  EXPECT_EQ(menu->Images(), nullptr);
  EXPECT_EQ(bar->HotImages(), hot);
  delete hot;
  EXPECT_EQ(bar->HotImages(), nullptr);

  delete button;
  EXPECT_EQ(menu->PopupComponent(), nullptr);
  EXPECT_EQ(action->ClientCount(), 1);
  EXPECT_EQ(bar->ButtonCount(), 0);

  delete list;
  EXPECT_EQ(action->ActionList(), nullptr);

  delete action;
  EXPECT_EQ(item->Action(), nullptr);

  auto* second = new TToolButton(&form);
  second->SetDropdownMenu(menu);
  delete menu;  // frees its items too; they leave the form
  EXPECT_EQ(second->DropdownMenu(), nullptr);
  EXPECT_EQ(form.ComponentCount(), 2);  // the toolbar and the second button
}

TEST(FreeNotificationTest, AnActionFreedBeforeItsListLeavesIt) {
  TComponent form(nullptr);
  auto* list = new TActionList(&form);
  auto* first = new TAction(&form);
  auto* second = new TAction(&form);
  first->SetActionList(list);
  second->SetActionList(list);
  delete first;
  ASSERT_EQ(list->ActionCount(), 1);
  EXPECT_EQ(list->Actions(0), second);
  EXPECT_THROW(list->Actions(1), EComponentError);
  EXPECT_THROW(list->Actions(-1), EComponentError);
}

class RecordingForm : public TForm {
 public:
  RecordingForm(TComponent* owner, std::vector<std::wstring>& log, bool throwOnDestroy)
      : TForm(owner), log_(log), throwOnDestroy_(throwOnDestroy) {
    new TComponent(this);
  }
  ~RecordingForm() override { log_.push_back(L"destructor"); }

 protected:
  void FormDestroy() override {
    // The derived object is whole here: its members and components are still there.
    log_.push_back(L"FormDestroy with " + std::to_wstring(ComponentCount()) + L" component");
    if (throwOnDestroy_) throw std::runtime_error("handler failed");
  }

 private:
  std::vector<std::wstring>& log_;
  bool throwOnDestroy_;
};

TEST(FreeNotificationTest, DestructionHandlersRunFirstOnEveryFreeingPath) {
  struct Case {
    const char* path;
    bool throwOnDestroy;
  };
  for (const Case& c : {Case{"owner", false}, Case{"Free", false}, Case{"TOwned", true}, Case{"owner", true},
                        Case{"delete", false}, Case{"unique_ptr", true}}) {
    SCOPED_TRACE(c.path);
    std::vector<std::wstring> log;
    bool onDestroyRan = false;
    const std::string path = c.path;
    if (path == "owner") {
      TComponent owner(nullptr);
      auto* form = new RecordingForm(&owner, log, c.throwOnDestroy);
      form->OnDestroy = [&](TComponent*) { onDestroyRan = true; };
    } else if (path == "Free") {
      auto* form = new RecordingForm(nullptr, log, c.throwOnDestroy);
      form->OnDestroy = [&](TComponent*) { onDestroyRan = true; };
      Free(form);
    } else if (path == "delete") {
      // Through a base pointer, as a holder of forms of several kinds has it.
      TComponent* form = new RecordingForm(nullptr, log, c.throwOnDestroy);
      static_cast<RecordingForm*>(form)->OnDestroy = [&](TComponent*) { onDestroyRan = true; };
      delete form;
    } else if (path == "unique_ptr") {
      std::unique_ptr<RecordingForm> form(new RecordingForm(nullptr, log, c.throwOnDestroy));
      form->OnDestroy = [&](TComponent*) { onDestroyRan = true; };
    } else {
      TOwned<RecordingForm> form(new RecordingForm(nullptr, log, c.throwOnDestroy));
      form->OnDestroy = [&](TComponent*) { onDestroyRan = true; };
    }
    const std::vector<std::wstring> expected = {L"FormDestroy with 1 component", L"destructor"};
    EXPECT_EQ(log, expected);
    // A throwing FormDestroy stops the handler there; the form is freed all the same.
    EXPECT_EQ(onDestroyRan, !c.throwOnDestroy);
  }
}

TEST(FreeNotificationTest, AHandlerThatFreesASiblingDuringItsOwnersDestructionIsSafe) {
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* sibling = new Watcher(owner.get());
  auto* module = new TDataModule(owner.get());
  Watcher outside;
  outside.Watch(sibling);
  module->OnDestroy = [sibling](TComponent*) { delete sibling; };
  owner.reset();
  EXPECT_EQ(outside.removed, (std::vector<TComponent*>{sibling}));
}

}  // namespace
