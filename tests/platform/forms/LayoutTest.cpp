// Declared layouts built into forms and data modules: every kind of
// component, links by name, handlers by name, and layouts that fail midway.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/forms/FormsErrors.h"
#include "platform/forms/LayoutBuilder.h"
#include "platform/forms/MenuPeer.h"
#include "platform/forms/TAction.h"
#include "platform/forms/TImage.h"
#include "platform/forms/TImageList.h"
#include "platform/forms/TPopupMenu.h"
#include "platform/forms/TTimer.h"

namespace {

using namespace forms;

// A small note-taking strip: an icon, a toolbar bound to actions, a framed
// counter in a panel, a status label, menus, images and a timer.
FormLayout SampleLayout() {
  return FormLayout{
      .client = {400, 22},
      .color = clBtnFace,
      .font = {L"MS Sans Serif", -11},
      .children =
          {
              ImageDecl{.name = L"Logo", .align = alLeft, .size = {30, 22}, .center = true},
              ToolBarDecl{.name = L"NoteBar",
                          .align = alLeft,
                          .autoSize = true,
                          .flat = true,
                          .images = L"Icons",
                          .hotImages = L"Icons",
                          .wrapable = false,
                          .children =
                              {
                                  ToolButtonDecl{.name = L"NewBtn", .action = L"NewAction", .autoSize = true,
                                                 .onMouseMove = L"BtnMouseMove"},
                                  ToolButtonDecl{.name = L"Sep1", .style = tbsSeparator},
                                  ToolButtonDecl{.name = L"MoreBtn", .action = L"MoreAction",
                                                 .style = tbsDropDown, .dropdownMenu = L"MoreMenu"},
                              }},
              PanelDecl{.name = L"CountPanel",
                        .align = alLeft,
                        .size = {60, 22},
                        .bevelOuter = bvNone,
                        .borderWidth = 3,
                        .children = {StaticTextDecl{.name = L"CountText",
                                                    .pos = {3, 3},
                                                    .caption = L" 0 ",
                                                    .hint = L"Notes today",
                                                    .color = clWindow,
                                                    .borderStyle = sbsSingle,
                                                    .onClick = L"CountTextClick"}}},
              LabelDecl{.name = L"StatusLabel", .align = alClient, .caption = L"Ready", .fontColor = clInfoText,
                        .onClick = L"StatusLabelClick"},
              ShapeDecl{.name = L"Frame", .size = {10, 10}, .brush = {clInfoBk}},
              ImageListDecl{.name = L"Icons", .bitmaps = {TBitmap(48, 16)}},
              ActionListDecl{.name = L"Actions",
                             .images = L"Icons",
                             .actions =
                                 {
                                     ActionDecl{.name = L"NewAction", .caption = L"New note", .hint = L"New note",
                                                .imageIndex = 0, .onExecute = L"NewActionExecute",
                                                .onUpdate = L"NewActionUpdate"},
                                     ActionDecl{.name = L"MoreAction", .caption = L"More", .imageIndex = 1,
                                                .visible = false},
                                 }},
              PopupMenuDecl{.name = L"MoreMenu",
                            .images = L"Icons",
                            .ownerDraw = true,
                            .items =
                                {
                                    MenuItemDecl{.name = L"NewItem", .action = L"NewAction"},
                                    MenuItemDecl{.caption = L"-"},
                                    MenuItemDecl{.name = L"ClearItem", .caption = L"&Clear", .tag = 7,
                                                 .onClick = L"ClearItemClick", .onMeasureItem = L"ItemMeasure"},
                                },
                            .onPopup = L"MoreMenuPopup"},
              TimerDecl{.name = L"BlinkTimer", .enabled = false, .interval = 250, .onTimer = L"BlinkTimerTimer"},
          },
      .onCreate = L"FormCreate",
      .onDestroy = L"FormDestroy",
  };
}

class SampleForm : public TForm {
 public:
  explicit SampleForm(const FormLayout& layout, THandlerTable extra = {}) : TForm(nullptr) {
    THandlerTable handlers = {
        {L"FormCreate", Bind(this, &SampleForm::FormCreate)},
        {L"FormDestroy", Bind(this, &SampleForm::FormDestroy)},
        {L"BtnMouseMove", Bind(this, &SampleForm::BtnMouseMove)},
        {L"CountTextClick", Bind(this, &SampleForm::Note)},
        {L"StatusLabelClick", Bind(this, &SampleForm::Note)},
        {L"NewActionExecute", Bind(this, &SampleForm::Note)},
        {L"NewActionUpdate", Bind(this, &SampleForm::NewActionUpdate)},
        {L"ClearItemClick", Bind(this, &SampleForm::Note)},
        {L"ItemMeasure", Bind(this, &SampleForm::ItemMeasure)},
        {L"MoreMenuPopup", Bind(this, &SampleForm::Note)},
        {L"BlinkTimerTimer", Bind(this, &SampleForm::Note)},
    };
    handlers.merge(extra);
    BuildLayout(*this, layout, handlers);
  }

  std::vector<std::wstring> log;
  bool newAllowed = true;

  template <class T>
  T* Get(const wchar_t* name) const {
    return dynamic_cast<T*>(FindComponent(name));
  }

 private:
  void FormCreate(TComponent*) { log.push_back(L"FormCreate"); }
  void FormDestroy(TComponent*) { log.push_back(L"FormDestroy"); }
  void Note(TComponent* sender) { log.push_back(sender->Name()); }
  void BtnMouseMove(TComponent* sender, TShiftState, int x, int y) {
    log.push_back(L"move " + sender->Name() + L" " + std::to_wstring(x) + L"," + std::to_wstring(y));
  }
  void NewActionUpdate(TComponent* sender) { static_cast<TAction*>(sender)->SetEnabled(newAllowed); }
  void ItemMeasure(TComponent*, TCanvas*, int& width, int&) { width = 99; }
};

TEST(LayoutTest, TheSampleLayoutBuildsEveryKindOfComponent) {
  SampleForm form(SampleLayout());
  EXPECT_EQ(form.ComponentCount(), 18);
  EXPECT_EQ(form.ClientWidth(), 400);
  EXPECT_EQ(form.ClientHeight(), 22);
  EXPECT_EQ(form.Font().Name, L"MS Sans Serif");

  // Arranged left to right in declaration order; the label takes the rest.
  auto* bar = form.Get<TToolBar>(L"NoteBar");
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(form.Get<TImage>(L"Logo")->BoundsRect().right, 30);
  EXPECT_EQ(bar->Left(), 30);
  EXPECT_EQ(bar->Width(), 23 + 8);  // the drop-down button's action is hidden
  auto* panel = form.Get<TPanel>(L"CountPanel");
  EXPECT_EQ(panel->Left(), 61);
  auto* label = form.Get<TLabel>(L"StatusLabel");
  EXPECT_EQ(label->Left(), 121);
  EXPECT_EQ(label->Width(), 400 - 121);
  EXPECT_EQ(label->Font().Color, clInfoText);
  auto* text = form.Get<TStaticText>(L"CountText");
  EXPECT_EQ(text->Parent(), panel);
  EXPECT_EQ(text->Width(), TextExtent(text->Font(), L" 0 ").cx + 2);  // " 0 " in a one-pixel frame
  EXPECT_EQ(form.Get<TShape>(L"Frame")->Brush().Color, clInfoBk);

  // Links by name.
  auto* icons = form.Get<TImageList>(L"Icons");
  EXPECT_EQ(icons->Count(), 3);
  EXPECT_EQ(bar->Images(), icons);
  EXPECT_EQ(bar->HotImages(), icons);
  auto* actions = form.Get<TActionList>(L"Actions");
  EXPECT_EQ(actions->Images(), icons);
  ASSERT_EQ(actions->ActionCount(), 2);
  auto* newBtn = form.Get<TToolButton>(L"NewBtn");
  EXPECT_EQ(newBtn->Action(), actions->Actions(0));
  EXPECT_EQ(newBtn->Hint(), L"New note");
  EXPECT_EQ(newBtn->ImageIndex(), 0);
  auto* moreBtn = form.Get<TToolButton>(L"MoreBtn");
  auto* menu = form.Get<TPopupMenu>(L"MoreMenu");
  EXPECT_EQ(moreBtn->DropdownMenu(), menu);
  EXPECT_FALSE(moreBtn->Visible());
  EXPECT_EQ(menu->Items()->Count(), 3);
  EXPECT_EQ(menu->Items()->Items(0)->Caption(), L"New note");
  EXPECT_TRUE(menu->Items()->Items(1)->IsLine());
  EXPECT_EQ(menu->Items()->Items(2)->Tag(), 7);
  auto* timer = form.Get<TTimer>(L"BlinkTimer");
  EXPECT_EQ(timer->Interval(), 250u);
  EXPECT_FALSE(timer->Running());
  EXPECT_TRUE(static_cast<bool>(timer->OnTimer()));
}

TEST(LayoutTest, EventsReachTheirNamedHandlers) {
  auto form = std::make_unique<SampleForm>(SampleLayout());
  EXPECT_TRUE(form->DoCreate());
  form->Get<TLabel>(L"StatusLabel")->Click();
  form->Get<TStaticText>(L"CountText")->Click();
  form->Get<TToolButton>(L"NewBtn")->MouseMove(0, 4, 5);
  form->Get<TToolButton>(L"NewBtn")->Click();  // through the action, which the update allows
  form->newAllowed = false;
  form->Get<TToolButton>(L"NewBtn")->Click();
  form->Get<TTimer>(L"BlinkTimer")->OnTimer()(form->Get<TTimer>(L"BlinkTimer"));

  auto* menu = form->Get<TPopupMenu>(L"MoreMenu");
  RecordingMenuPeer().Dismiss();
  menu->Popup(1, 2);
  ASSERT_TRUE(RecordingMenuPeer().Choose(menu->Items()->Items(2)));
  int width = 0, height = 0;
  menu->Items()->Items(2)->MeasureItem(nullptr, width, height);
  EXPECT_EQ(width, 99);

  const std::vector<std::wstring> expected = {L"FormCreate", L"StatusLabel", L"CountText", L"move NewBtn 4,5",
                                              L"NewAction",  L"BlinkTimer",  L"MoreMenu",  L"ClearItem"};
  EXPECT_EQ(form->log, expected);
  Free(form.release());  // runs FormDestroy first
}

TEST(LayoutTest, AFormFreedThroughItsOwnerRunsItsDestroyHandler) {
  std::vector<std::wstring> seen;
  {
    TComponent owner(nullptr);
    auto* form = new SampleForm(SampleLayout());
    owner.InsertComponent(form);
    form->OnDestroy = [&](TComponent* sender) { seen.push_back(L"destroy " + std::to_wstring(sender->ComponentCount())); };
  }
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"destroy 18"}));
}

// Watches components by name and hears when they are freed.
class FreeWatcher : public TComponent {
 public:
  FreeWatcher() : TComponent(nullptr) {}
  int freed = 0;
  void Watch(TComponent* c) { FreeNotification(c); }

 protected:
  void Notification(TComponent*, TOperation operation) override {
    if (operation == opRemove) ++freed;
  }
};

// A form whose constructor drops a layout error, as the band forms do.
class LenientForm : public TForm {
 public:
  LenientForm(const FormLayout& layout, std::wstring& error) : TForm(nullptr) {
    THandlerTable handlers = {{L"FormCreate", Bind(this, &LenientForm::Any)},
                              {L"FormDestroy", Bind(this, &LenientForm::Any)},
                              {L"BtnMouseMove", Bind(this, &LenientForm::Move)},
                              {L"CountTextClick", Bind(this, &LenientForm::Any)},
                              {L"StatusLabelClick", Bind(this, &LenientForm::Any)},
                              {L"NewActionExecute", Bind(this, &LenientForm::Any)},
                              {L"NewActionUpdate", Bind(this, &LenientForm::Any)},
                              {L"ClearItemClick", Bind(this, &LenientForm::Any)},
                              {L"ItemMeasure", Bind(this, &LenientForm::Measure)},
                              {L"MoreMenuPopup", Bind(this, &LenientForm::Any)},
                              {L"BlinkTimerTimer", Bind(this, &LenientForm::Any)}};
    try {
      BuildLayout(*this, layout, handlers);
    } catch (const ELayoutError& e) {
      error = e.message();
    }
  }

 private:
  void Any(TComponent*) {}
  void Move(TComponent*, TShiftState, int, int) {}
  void Measure(TComponent*, TCanvas*, int&, int&) {}
};

TEST(LayoutTest, ALayoutThatFailsMidwayRaisesAndLeavesWhatWasBuiltOwned) {
  struct Case {
    const char* what;
    FormLayout layout;
    THandlerTable extra;
    const wchar_t* message;
  };
  auto withChild = [](ComponentDecl child) {
    FormLayout layout = SampleLayout();
    layout.children.push_back(std::move(child));
    return layout;
  };
  std::vector<Case> cases;
  cases.push_back({"missing handler", withChild(LabelDecl{.name = L"Extra", .onClick = L"NoSuchHandler"}), {},
                   L"No handler named NoSuchHandler for Extra.OnClick"});
  cases.push_back({"handler of the wrong kind", withChild(LabelDecl{.name = L"Extra", .onMouseMove = L"FormCreate"}),
                   {}, L"Handler FormCreate does not fit Extra.OnMouseMove"});
  cases.push_back({"unknown component", withChild(ToolButtonDecl{.name = L"Extra", .action = L"Missing"}), {},
                   L"Unknown component Missing in Extra.Action"});
  cases.push_back({"component of the wrong kind", withChild(ToolButtonDecl{.name = L"Extra", .dropdownMenu = L"Icons"}),
                   {}, L"Component Icons does not fit Extra.DropdownMenu"});
  FormLayout badForm = SampleLayout();
  badForm.onDestroy = L"Nowhere";
  cases.push_back({"missing form handler", badForm, {}, L"No handler named Nowhere for the form.OnDestroy"});

  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    FreeWatcher watcher;
    // The form's own constructor drops the error by design: check what is left behind.
    std::wstring error;
    {
      LenientForm form(c.layout, error);
      EXPECT_EQ(error, c.message);
      EXPECT_GT(form.ComponentCount(), 0);
      for (int i = 0; i < form.ComponentCount(); ++i) watcher.Watch(form.Components(i));
      // Alignment is back on even though the build stopped.
      auto* bar = dynamic_cast<TToolBar*>(form.FindComponent(L"NoteBar"));
      if (bar) {
        EXPECT_EQ(bar->Left(), 30);
      }
      EXPECT_EQ(watcher.freed, 0);
    }
    EXPECT_GT(watcher.freed, 0);
  }
}

// Code reaches what the layout built by name and kind; a name that is not
// there, or a component of another kind, is the layout's error, named.
TEST(LayoutTest, ComponentsAreFoundByNameAndKind) {
  SampleForm form(SampleLayout());
  EXPECT_EQ(LayoutComponent<TToolBar>(form, L"NoteBar"), form.Get<TToolBar>(L"NoteBar"));
  EXPECT_THROW(LayoutComponent<TImage>(form, L"NoteBar"), ELayoutError);
  try {
    LayoutComponent<TToolBar>(form, L"NoSuchBar");
    ADD_FAILURE() << "a missing component must raise";
  } catch (const ELayoutError& e) {
    EXPECT_NE(e.message().find(L"NoSuchBar"), std::wstring::npos);
  }
}

TEST(LayoutTest, DataModulesHoldNonVisualComponentsOnly) {
  TDataModule module(nullptr);
  THandlerTable handlers;
  BuildLayout(module,
              DataModuleLayout{.children = {TimerDecl{.name = L"SpyTimer", .enabled = false, .interval = 100},
                                            ImageListDecl{.name = L"Pictures", .width = 8, .height = 8}}},
              handlers);
  EXPECT_EQ(module.ComponentCount(), 2);
  EXPECT_EQ(dynamic_cast<TTimer*>(module.FindComponent(L"SpyTimer"))->Interval(), 100u);

  TDataModule bad(nullptr);
  EXPECT_THROW(BuildLayout(bad, DataModuleLayout{.children = {LabelDecl{.name = L"Oops"}}}, handlers), ELayoutError);
  EXPECT_EQ(bad.ComponentCount(), 0);

  // Names follow the component rules: a duplicate is refused.
  TDataModule twice(nullptr);
  EXPECT_THROW(BuildLayout(twice,
                           DataModuleLayout{.children = {TimerDecl{.name = L"T"}, TimerDecl{.name = L"t"}}}, handlers),
               EComponentError);
  EXPECT_EQ(twice.ComponentCount(), 2);  // the second exists, unnamed, and is owned
}

}  // namespace
