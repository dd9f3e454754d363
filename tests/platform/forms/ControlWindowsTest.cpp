// What the toolkit's windowed controls carry over to their windows: frames,
// positions on the screen, mouse input routed to the controls without windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/forms/TForm.h"
#include "platform/forms/TLabel.h"
#include "platform/forms/TPanel.h"
#include "platform/forms/TStaticText.h"
#include "platform/win/WindowTestSupport.h"

namespace {

using namespace forms;
using window_test::TestClass;

class ControlWindowsTest : public testing::Test {
 protected:
  TestClass hostClass_;
  HWND host_ = hostClass_.Top(RECT{200, 100, 840, 122});
};

TEST_F(ControlWindowsTest, AStaticTextsFrameIsPartOfItsWindow) {
  TForm form(nullptr, host_);
  form.SetBounds(0, 0, 640, 22);
  auto* text = new TStaticText(&form);
  text->SetCaption(L"  Rating: 0  ");
  text->SetParent(&form);
  text->SetBorderStyle(sbsSingle);
  form.Show();
  ASSERT_TRUE(text->HandleAllocated());
  auto style = [&] { return static_cast<DWORD>(win::GetWindowLongPtrW(text->Handle(), GWL_STYLE)); };
  auto exStyle = [&] { return static_cast<DWORD>(win::GetWindowLongPtrW(text->Handle(), GWL_EXSTYLE)); };
  EXPECT_TRUE(style() & WS_BORDER);
  RECT client{};
  ASSERT_TRUE(win::GetClientRect(text->Handle(), &client));
  const TTextSize extent = TextExtent(text->Font(), L"  Rating: 0  ");
  EXPECT_EQ(client.right, extent.cx);  // the text fits the client area exactly
  EXPECT_EQ(client.bottom, extent.cy);

  text->SetBorderStyle(sbsSunken);  // a new window with the new frame
  ASSERT_TRUE(text->HandleAllocated());
  EXPECT_FALSE(style() & WS_BORDER);
  EXPECT_TRUE(exStyle() & WS_EX_STATICEDGE);
  EXPECT_TRUE(win::IsWindowVisible(text->Handle()));
}

TEST_F(ControlWindowsTest, ScreenPositionsFollowTheWindowsOnceTheyExist) {
  TForm form(nullptr, host_);
  form.SetBounds(0, 0, 640, 22);
  auto* panel = new TPanel(&form);
  panel->SetBevelOuter(bvNone);
  panel->SetBounds(100, 0, 80, 22);
  panel->SetParent(&form);
  auto* label = new TLabel(&form);
  label->SetBounds(3, 3, 10, 10);
  label->SetParent(panel);

  const POINT before = label->ClientToScreen(POINT{1, 2});
  form.Show();
  const POINT after = label->ClientToScreen(POINT{1, 2});
  EXPECT_EQ(after.x, 200 + 100 + 3 + 1);
  EXPECT_EQ(after.y, 100 + 0 + 3 + 2);
  EXPECT_EQ(before.x, after.x);
  EXPECT_EQ(before.y, after.y);
}

TEST_F(ControlWindowsTest, MouseMessagesOfAWindowReachItsControlsWithoutWindows) {
  TForm form(nullptr, host_);
  form.SetBounds(0, 0, 640, 22);
  auto* label = new TLabel(&form);
  label->SetCaption(L"Comments");
  label->SetBounds(10, 2, 0, 0);
  label->SetParent(&form);
  std::vector<std::wstring> journal;
  label->OnMouseDown = [&](TComponent*, TMouseButton b, TShiftState s, int x, int y) {
    journal.push_back(L"down " + std::to_wstring(b) + L" " + std::to_wstring(s) + L" " + std::to_wstring(x) + L"," +
                      std::to_wstring(y));
  };
  label->OnClick = [&](TComponent*) { journal.push_back(L"click"); };
  form.OnClick = [&](TComponent*) { journal.push_back(L"form click"); };
  form.Show();
  HWND hwnd = form.Handle();

  win::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(15, 7));
  win::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(16, 8));
  // Pressed on the label, released elsewhere: no click for anyone.
  win::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 7));
  win::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(300, 8));
  // Pressed beside it: the form's own click.
  win::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 7));
  win::SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(300, 7));
  const std::vector<std::wstring> expected = {L"down 0 9 5,5", L"click", L"down 0 8 5,5", L"form click"};
  EXPECT_EQ(journal, expected);
}

}  // namespace
