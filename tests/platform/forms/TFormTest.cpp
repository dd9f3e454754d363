// Forms: living in a host's window, showing and hiding, and the creation
// handler that runs once construction is complete.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/forms/TForm.h"
#include "platform/win/WindowTestSupport.h"

namespace {

using forms::TForm;
using forms::TWinControl;
using window_test::TestClass;

class TFormTest : public testing::Test {
 protected:
  TestClass hostClass_;
  HWND host_ = hostClass_.Top(RECT{0, 0, 640, 22});
};

TEST_F(TFormTest, AFormInAHostsWindowIsABorderlessChildThatStartsHidden) {
  TForm form(nullptr, host_);
  form.SetBounds(0, 0, 650, 22);
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(form.Color(), forms::clBtnFace);

  HWND hwnd = form.Handle();
  EXPECT_EQ(win::GetParent(hwnd), host_);
  const DWORD style = static_cast<DWORD>(win::GetWindowLongPtrW(hwnd, GWL_STYLE));
  EXPECT_TRUE(style & WS_CHILD);
  EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER));
  EXPECT_FALSE(win::IsWindowVisible(hwnd));
  EXPECT_EQ(form.ClientWidth(), 650);
  EXPECT_EQ(form.ClientHeight(), 22);

  form.Show();
  EXPECT_TRUE(win::IsWindowVisible(hwnd));
  form.Hide();
  EXPECT_FALSE(win::IsWindowVisible(hwnd));
  EXPECT_EQ(form.Handle(), hwnd);
}

TEST_F(TFormTest, ShowingMakesTheWindowAndTheControlsOnIt) {
  TForm form(nullptr, host_);
  auto* panel = new TWinControl(&form);
  panel->SetParent(&form);
  EXPECT_FALSE(form.HandleAllocated());
  form.Show();
  ASSERT_TRUE(form.HandleAllocated());
  EXPECT_TRUE(panel->HandleAllocated());
  EXPECT_TRUE(win::IsWindowVisible(panel->Handle()));
}

TEST_F(TFormTest, ATopLevelFormIsABorderlessPopup) {
  TForm form(nullptr);
  form.SetBounds(10, 20, 200, 100);
  form.SetClientHeight(50);
  form.Show();
  HWND hwnd = form.Handle();
  const DWORD style = static_cast<DWORD>(win::GetWindowLongPtrW(hwnd, GWL_STYLE));
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_FALSE(style & WS_CHILD);
  EXPECT_EQ(win::GetParent(hwnd), nullptr);
  RECT r{};
  win::GetWindowRect(hwnd, &r);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.bottom - r.top, 50);
}

TEST_F(TFormTest, MovingIntoAnotherHostKeepsTheWindow) {
  HWND otherHost = hostClass_.Top(RECT{0, 100, 640, 122});
  TForm form(nullptr, host_);
  HWND hwnd = form.Handle();
  form.SetParentWindow(otherHost);
  EXPECT_EQ(form.Handle(), hwnd);
  EXPECT_EQ(win::GetParent(hwnd), otherHost);

  // Leaving every host changes the kind of window: a new one is made when needed.
  form.SetParentWindow(nullptr);
  EXPECT_FALSE(win::IsWindow(hwnd));
  EXPECT_EQ(win::GetParent(form.Handle()), nullptr);
}

// A form built the way band forms are: components in the constructor, its
// creation handler run by whoever made it, after its own bookkeeping.
class ProbeForm : public TForm {
 public:
  ProbeForm(HWND host, std::vector<std::wstring>& trail, bool failInCreate)
      : TForm(nullptr, host), trail_(trail), failInCreate_(failInCreate) {
    auto* panel = new TWinControl(this);
    panel->SetName(L"Panel1");
    panel->SetParent(this);
    trail_.push_back(L"constructed");
  }

 protected:
  void FormCreate() override {
    trail_.push_back(FindComponent(L"Panel1") ? L"FormCreate sees Panel1" : L"FormCreate without Panel1");
    if (failInCreate_) throw std::runtime_error("creation handler failed");
  }

 private:
  std::vector<std::wstring>& trail_;
  bool failInCreate_;
};

TEST_F(TFormTest, TheCreationHandlerRunsOnceWhenTheCreatorAsks) {
  std::vector<std::wstring> trail;
  ProbeForm form(host_, trail, false);
  form.OnCreate = [&](forms::TComponent* sender) {
    trail.push_back(sender == &form ? L"OnCreate" : L"OnCreate from elsewhere");
  };
  trail.push_back(L"registered");
  EXPECT_TRUE(form.DoCreate());
  EXPECT_TRUE(form.DoCreate());
  EXPECT_EQ(trail, (std::vector<std::wstring>{L"constructed", L"registered", L"FormCreate sees Panel1", L"OnCreate"}));
}

TEST_F(TFormTest, AFailingCreationHandlerIsStoppedQuietly) {
  std::vector<std::wstring> trail;
  ProbeForm form(host_, trail, true);
  bool onCreateRan = false;
  form.OnCreate = [&](forms::TComponent*) { onCreateRan = true; };
  EXPECT_FALSE(form.DoCreate());
  EXPECT_FALSE(onCreateRan);
  EXPECT_FALSE(form.DoCreate()) << "not run again";
  EXPECT_EQ(trail.size(), 2u);
}

TEST_F(TFormTest, FreeingAFormDestroysItsWindowsThroughItsMessageHandler) {
  auto form = std::make_unique<TForm>(nullptr, host_);
  auto* panel = new TWinControl(form.get());
  panel->SetParent(form.get());
  form->Show();
  HWND formWindow = form->Handle();
  HWND panelWindow = panel->Handle();
  win::SetFocus(formWindow);

  forms::TWndMethod saved = form->WindowProc;
  std::vector<UINT> heard;
  form->WindowProc = [&](forms::TMessage& message) {
    heard.push_back(message.Msg);
    saved(message);
  };
  form.reset();
  EXPECT_FALSE(win::IsWindow(formWindow));
  EXPECT_FALSE(win::IsWindow(panelWindow));
  EXPECT_EQ(win::GetFocus(), host_) << "the focus went back to the host";
  auto has = [&](UINT msg) { return std::find(heard.begin(), heard.end(), msg) != heard.end(); };
  EXPECT_TRUE(has(WM_KILLFOCUS));
  EXPECT_TRUE(has(WM_DESTROY));
  EXPECT_TRUE(has(WM_NCDESTROY));
}

}  // namespace
