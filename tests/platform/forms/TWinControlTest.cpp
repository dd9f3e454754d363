// Windowed controls: the window made on demand from the control's state, the
// replaceable message handler, focus, and changes made to the window directly.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/forms/FormsErrors.h"
#include "platform/forms/TWinControl.h"
#include "platform/win/WindowTestSupport.h"

namespace {

using forms::EInvalidOperation;
using forms::TMessage;
using forms::TWinControl;
using window_test::TestClass;

constexpr UINT kProbe = WM_USER + 3;

// A control that records what its own handler sees and answers kProbe.
class Recorder : public TWinControl {
 public:
  explicit Recorder(forms::TComponent* owner, std::vector<std::wstring>* trail = nullptr)
      : TWinControl(owner), trail_(trail) {}
  std::vector<UINT> seen;

 protected:
  void WndProc(TMessage& message) override {
    seen.push_back(message.Msg);
    if (message.Msg == kProbe) {
      if (trail_) trail_->push_back(L"control");
      message.Result = 40;
      return;
    }
    TWinControl::WndProc(message);
  }

 private:
  std::vector<std::wstring>* trail_;
};

class TWinControlTest : public testing::Test {
 protected:
  TestClass hostClass_;
  HWND host_ = hostClass_.Top(RECT{100, 100, 500, 300});
};

TEST_F(TWinControlTest, TheWindowIsMadeOnFirstUseFromTheControlsState) {
  Recorder control(nullptr);
  control.SetParentWindow(host_);
  control.SetBounds(5, 6, 70, 20);
  control.SetEnabled(false);
  EXPECT_FALSE(control.HandleAllocated());

  HWND hwnd = control.Handle();
  ASSERT_NE(hwnd, nullptr);
  EXPECT_TRUE(control.HandleAllocated());
  EXPECT_EQ(control.Handle(), hwnd) << "made once";
  EXPECT_EQ(win::GetParent(hwnd), host_);
  EXPECT_TRUE(win::GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD);
  EXPECT_TRUE(win::IsWindowVisible(hwnd));
  EXPECT_FALSE(win::IsWindowEnabled(hwnd));
  RECT r{};
  win::GetWindowRect(hwnd, &r);
  EXPECT_EQ(r.left, 105);
  EXPECT_EQ(r.top, 106);
  EXPECT_EQ(r.right - r.left, 70);
  EXPECT_EQ(control.ClientWidth(), 70);

  control.DestroyHandle();
  EXPECT_FALSE(control.HandleAllocated());
  EXPECT_FALSE(win::IsWindow(hwnd));
  EXPECT_TRUE(control.Visible()) << "state outlives the window";
  HWND again = control.Handle();
  EXPECT_NE(again, hwnd);
  EXPECT_TRUE(win::IsWindowVisible(again));
  win::GetWindowRect(again, &r);
  EXPECT_EQ(r.left, 105);
}

TEST_F(TWinControlTest, AReplacedWindowProcSeesMessagesFirstAndCanChainToTheSavedOne) {
  std::vector<std::wstring> trail;
  Recorder control(nullptr, &trail);
  control.SetParentWindow(host_);
  forms::TWndMethod saved = control.WindowProc;
  std::vector<UINT> front;
  control.WindowProc = [&](TMessage& message) {
    front.push_back(message.Msg);
    if (message.Msg == kProbe) trail.push_back(L"front");
    saved(message);
    if (message.Msg == kProbe) message.Result += 2;
  };
  HWND hwnd = control.Handle();
  EXPECT_EQ(win::SendMessageW(hwnd, kProbe, 0, 0), 42);
  EXPECT_EQ(trail, (std::vector<std::wstring>{L"front", L"control"}));
  EXPECT_EQ(control.Perform(kProbe), 42) << "Perform goes through the same handler";

  // Everything the window hears, creation included, passed the front handler before the control's.
  EXPECT_EQ(front, control.seen);
  ASSERT_FALSE(front.empty());
  EXPECT_EQ(front.front(), static_cast<UINT>(WM_NCCREATE));

  // Putting the saved handler back takes the front one out.
  control.WindowProc = saved;
  front.clear();
  win::SendMessageW(hwnd, kProbe, 0, 0);
  EXPECT_TRUE(front.empty());
}

TEST_F(TWinControlTest, FocusMessagesReachAFrontHandlerAndFocusedFollows) {
  TWinControl control(nullptr);
  control.SetParentWindow(host_);
  forms::TWndMethod saved = control.WindowProc;
  std::vector<bool> focusReports;
  control.WindowProc = [&](TMessage& message) {
    if (message.Msg == WM_SETFOCUS) focusReports.push_back(true);
    if (message.Msg == WM_KILLFOCUS) focusReports.push_back(false);
    saved(message);
  };
  control.SetFocus();
  EXPECT_TRUE(control.Focused());
  EXPECT_EQ(win::GetFocus(), control.Handle());
  win::SetFocus(host_);
  EXPECT_FALSE(control.Focused());
  EXPECT_EQ(focusReports, (std::vector<bool>{true, false}));
}

TEST_F(TWinControlTest, AControlThatCannotFocusRefusesAndLeavesTheFocusAlone) {
  struct Case {
    const char* what;
    bool visible;
    bool enabled;
    bool hostVisible;
    bool parentVisible;
  };
  for (const Case& c : {Case{"hidden", false, true, true, true}, Case{"disabled", true, false, true, true},
                        Case{"hidden host window", true, true, false, true},
                        Case{"hidden parent control", true, true, true, false}}) {
    SCOPED_TRACE(c.what);
    win::ShowWindow(host_, c.hostVisible ? SW_SHOW : SW_HIDE);
    win::SetFocus(host_);
    TWinControl parent(nullptr);
    parent.SetParentWindow(host_);
    parent.SetVisible(c.parentVisible);
    auto* control = new TWinControl(&parent);
    control->SetParent(&parent);
    control->SetVisible(c.visible);
    control->SetEnabled(c.enabled);
    EXPECT_FALSE(control->CanFocus());
    EXPECT_THROW(control->SetFocus(), EInvalidOperation);
    EXPECT_EQ(win::GetFocus(), host_);
  }
  win::ShowWindow(host_, SW_SHOW);
}

TEST_F(TWinControlTest, ChangesMadeToTheWindowAreReadBack) {
  TWinControl control(nullptr);
  control.SetParentWindow(host_);
  HWND hwnd = control.Handle();

  win::MoveWindow(hwnd, 11, 12, 130, 40, TRUE);
  EXPECT_EQ(control.Left(), 11);
  EXPECT_EQ(control.Top(), 12);
  EXPECT_EQ(control.Width(), 130);
  EXPECT_EQ(control.Height(), 40);
  win::SetWindowPos(hwnd, nullptr, 0, 0, 99, 9, SWP_NOZORDER | SWP_NOMOVE);
  EXPECT_EQ(control.Left(), 11) << "a move that was not asked for changes nothing";
  EXPECT_EQ(control.Width(), 99);

  win::ShowWindow(hwnd, SW_HIDE);
  EXPECT_FALSE(control.Visible());
  win::ShowWindow(hwnd, SW_SHOW);
  EXPECT_TRUE(control.Visible());
  win::EnableWindow(hwnd, FALSE);
  EXPECT_FALSE(control.Enabled());

  // And the other way round.
  control.SetEnabled(true);
  EXPECT_TRUE(win::IsWindowEnabled(hwnd));
  control.Hide();
  EXPECT_FALSE(win::IsWindowVisible(hwnd));
  control.SetBounds(1, 2, 3, 4);
  RECT r{};
  win::GetClientRect(hwnd, &r);
  EXPECT_EQ(r.right, 3);
  EXPECT_EQ(r.bottom, 4);
}

TEST_F(TWinControlTest, ChildControlsGetWindowsWithTheirParentAndLoseThemWithIt) {
  auto panel = std::make_unique<TWinControl>(nullptr);
  panel->SetParentWindow(host_);
  auto* button = new TWinControl(panel.get());
  button->SetParent(panel.get());
  auto* edit = new TWinControl(panel.get());
  edit->SetParent(panel.get());
  EXPECT_EQ(panel->ControlCount(), 2);

  // Asking a child for its window makes the parent's (and its siblings') first.
  HWND buttonWindow = button->Handle();
  ASSERT_TRUE(panel->HandleAllocated());
  EXPECT_TRUE(edit->HandleAllocated());
  EXPECT_EQ(win::GetParent(buttonWindow), panel->Handle());

  // A control that joins a parent with a window gets one at once.
  auto* late = new TWinControl(panel.get());
  late->SetParent(panel.get());
  EXPECT_TRUE(late->HandleAllocated());

  panel->DestroyHandle();
  EXPECT_FALSE(button->HandleAllocated());
  EXPECT_FALSE(edit->HandleAllocated());
  EXPECT_FALSE(win::IsWindow(buttonWindow));

  // Freeing a parent control leaves its children without one (their owner frees them).
  TWinControl outsider(nullptr);
  outsider.SetParent(panel.get());
  panel.reset();
  EXPECT_EQ(outsider.Parent(), nullptr);
}

TEST_F(TWinControlTest, MisplacedControlsAreErrors) {
  TWinControl orphan(nullptr);
  EXPECT_THROW(orphan.Handle(), EInvalidOperation) << "a child control needs a parent window";
  EXPECT_FALSE(orphan.HandleAllocated());

  TWinControl outer(nullptr);
  TWinControl inner(nullptr);
  inner.SetParent(&outer);
  EXPECT_THROW(outer.SetParent(&inner), EInvalidOperation);
  EXPECT_THROW(outer.SetParent(&outer), EInvalidOperation);
  EXPECT_EQ(outer.Parent(), nullptr);
  EXPECT_THROW(outer.Controls(1), forms::EComponentError);
  inner.SetParent(nullptr);
  EXPECT_EQ(outer.ControlCount(), 0);
}

TEST_F(TWinControlTest, AHandlerThatThrowsCountsAsAnsweredWithZero) {
  TWinControl control(nullptr);
  control.SetParentWindow(host_);
  forms::TWndMethod saved = control.WindowProc;
  control.WindowProc = [&](TMessage& message) {
    if (message.Msg == kProbe) {
      message.Result = 9;
      throw std::runtime_error("handler failed");
    }
    saved(message);
  };
  HWND hwnd = control.Handle();
  EXPECT_EQ(win::SendMessageW(hwnd, kProbe, 0, 0), 0);
  EXPECT_TRUE(win::IsWindow(hwnd));
}

TEST_F(TWinControlTest, AWindowDestroyedByItsHostLeavesTheControlReadyForANewOne) {
  TWinControl control(nullptr);
  control.SetParentWindow(host_);
  HWND hwnd = control.Handle();
  win::DestroyWindow(host_);
  EXPECT_FALSE(win::IsWindow(hwnd));
  EXPECT_FALSE(control.HandleAllocated());
}

}  // namespace
