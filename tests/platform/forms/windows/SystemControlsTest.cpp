// The toolkit's controls as the system's own controls on Windows, read back
// through the controls' own messages: the toolbar's buttons follow their
// actions, clicks and drop-down arrows reach the toolkit, the image lists and
// fonts are real, static texts answer their colours and report the mouse.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/forms/Graphics.h"
#include "platform/forms/MenuPeer.h"
#include "platform/forms/TAction.h"
#include "platform/forms/TCanvas.h"
#include "platform/forms/TForm.h"
#include "platform/forms/TImageList.h"
#include "platform/forms/TPopupMenu.h"
#include "platform/forms/TStaticText.h"
#include "platform/forms/TToolBar.h"
#include "platform/win/WindowTestSupport.h"

namespace {

using namespace forms;
using window_test::TestClass;

TBitmap Solid(std::uint32_t colour) { return TBitmap(16, 16, colour); }

TBBUTTONINFOW ButtonInfo(HWND bar, int index, std::wstring& text) {
  text.assign(64, L'\0');
  TBBUTTONINFOW info{};
  info.cbSize = sizeof(info);
  info.dwMask = TBIF_BYINDEX | TBIF_IMAGE | TBIF_STATE | TBIF_STYLE | TBIF_TEXT | TBIF_COMMAND;
  info.pszText = text.data();
  info.cchText = static_cast<int>(text.size());
  EXPECT_EQ(SendMessageW(bar, TB_GETBUTTONINFOW, index, reinterpret_cast<LPARAM>(&info)), index);
  text.resize(wcslen(text.c_str()));
  return info;
}

RECT ButtonRect(HWND bar, const TBBUTTONINFOW& info) {
  RECT rect{};
  EXPECT_TRUE(SendMessageW(bar, TB_GETRECT, info.idCommand, reinterpret_cast<LPARAM>(&rect)));
  return rect;
}

LPARAM Point(RECT r) { return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2); }

// A form in a host window with a list-style toolbar as the layouts make them:
// a plain button, a check button and a drop-down button, each linked to an
// action, a separator, and an auto-sized button with its caption.
class SystemControlsTest : public testing::Test {
 protected:
  void SetUp() override {
    form_.SetBounds(0, 0, 600, 40);
    images_ = new TImageList(&form_);
    images_->Add(Solid(0xFFE02020u));
    images_->Add(Solid(0xFF20C020u));
    images_->Add(Solid(0xFF2020E0u));
    bar_ = new TToolBar(&form_);
    bar_->SetParent(&form_);
    bar_->SetFlat(true);
    bar_->SetEdgeBorders(0);
    bar_->SetList(true);
    bar_->SetShowCaptions(true);
    bar_->SetWrapable(false);
    bar_->SetAlign(alLeft);
    bar_->SetAutoSize(true);
    bar_->SetImages(images_);
    menu_ = new TPopupMenu(&form_);
    for (int i = 0; i < 5; ++i) {
      actions_[i] = new TAction(&form_);
      actions_[i]->SetImageIndex(i % 3);
      actions_[i]->OnExecute = [this, i](TComponent*) { ++executed_[i]; };
      buttons_[i] = new TToolButton(&form_);
      buttons_[i]->SetParent(bar_);
    }
    buttons_[1]->SetStyle(tbsCheck);
    buttons_[2]->SetStyle(tbsDropDown);
    buttons_[2]->SetDropdownMenu(menu_);
    buttons_[3]->SetStyle(tbsSeparator);
    buttons_[4]->SetAutoSize(true);
    for (int i : {0, 1, 2, 4}) buttons_[i]->SetAction(actions_[i]);
    actions_[1]->SetChecked(true);
    actions_[4]->SetCaption(L"Domain links");
    form_.Show();
    ASSERT_TRUE(bar_->HandleAllocated());
  }
  void TearDown() override { RecordingMenuPeer().Dismiss(); }

  HWND Bar() { return bar_->Handle(); }

  TestClass hostClass_;
  HWND host_ = hostClass_.Top(RECT{50, 50, 750, 150});
  TForm form_{nullptr, host_};
  TImageList* images_ = nullptr;
  TToolBar* bar_ = nullptr;
  TPopupMenu* menu_ = nullptr;
  TAction* actions_[5] = {};
  TToolButton* buttons_[5] = {};
  int executed_[5] = {};
};

TEST_F(SystemControlsTest, TheBarIsTheSystemsToolbarWithOneButtonPerToolButton) {
  const HWND bar = Bar();
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(bar, GWL_STYLE));
  EXPECT_TRUE(style & TBSTYLE_FLAT);
  EXPECT_TRUE(style & TBSTYLE_LIST);
  EXPECT_TRUE(style & CCS_NOPARENTALIGN);
  EXPECT_TRUE(style & CCS_NODIVIDER);
  // Only the system's toolbar answers this message (any other window: 0).
  ASSERT_EQ(SendMessageW(bar, TB_BUTTONCOUNT, 0, 0), 5);

  std::wstring text;
  const TBBUTTONINFOW plain = ButtonInfo(bar, 0, text);
  EXPECT_EQ(plain.iImage, 0);
  EXPECT_TRUE(plain.fsState & TBSTATE_ENABLED);
  EXPECT_FALSE(plain.fsState & TBSTATE_CHECKED);
  EXPECT_EQ(plain.fsStyle & (BTNS_CHECK | BTNS_DROPDOWN | BTNS_SEP), 0);
  EXPECT_TRUE(text.empty());
  const TBBUTTONINFOW check = ButtonInfo(bar, 1, text);
  EXPECT_TRUE(check.fsStyle & BTNS_CHECK);
  EXPECT_TRUE(check.fsState & TBSTATE_CHECKED) << "the action is checked";
  const TBBUTTONINFOW dropDown = ButtonInfo(bar, 2, text);
  EXPECT_TRUE(dropDown.fsStyle & BTNS_DROPDOWN);
  EXPECT_EQ(dropDown.iImage, 2);
  EXPECT_TRUE(ButtonInfo(bar, 3, text).fsStyle & BTNS_SEP);
  const TBBUTTONINFOW list = ButtonInfo(bar, 4, text);
  EXPECT_EQ(text, L"Domain links");
  EXPECT_TRUE(list.fsStyle & BTNS_AUTOSIZE);

  // Every tool button has the place the system's toolbar gave it.
  for (int i = 0; i < 5; ++i) {
    const RECT native = ButtonRect(bar, ButtonInfo(bar, i, text));
    const RECT bounds = buttons_[i]->BoundsRect();
    EXPECT_EQ(bounds.left, native.left) << i;
    EXPECT_EQ(bounds.top, native.top) << i;
    EXPECT_EQ(bounds.right, native.right) << i;
    EXPECT_EQ(bounds.bottom, native.bottom) << i;
  }
  // The captioned button is as wide as the real font's text asks, and the bar encloses its buttons.
  const TTextSize caption = TextExtent(bar_->Font(), L"Domain links");
  EXPECT_GT(buttons_[4]->Width(), caption.cx + 16);
  EXPECT_EQ(bar_->Width(), buttons_[4]->Left() + buttons_[4]->Width());
}

TEST_F(SystemControlsTest, ButtonsFollowTheirActionsAfterAnUpdate) {
  const HWND bar = Bar();
  std::wstring text;
  const RECT listBefore = ButtonRect(bar, ButtonInfo(bar, 4, text));
  actions_[0]->SetEnabled(false);
  actions_[0]->SetImageIndex(2);
  actions_[1]->SetChecked(false);
  actions_[2]->SetVisible(false);
  actions_[4]->SetCaption(L"Links of the domain");

  const TBBUTTONINFOW plain = ButtonInfo(bar, 0, text);
  EXPECT_FALSE(plain.fsState & TBSTATE_ENABLED);
  EXPECT_EQ(plain.iImage, 2);
  EXPECT_FALSE(ButtonInfo(bar, 1, text).fsState & TBSTATE_CHECKED);
  EXPECT_TRUE(ButtonInfo(bar, 2, text).fsState & TBSTATE_HIDDEN);
  const TBBUTTONINFOW list = ButtonInfo(bar, 4, text);
  EXPECT_EQ(text, L"Links of the domain");
  // The hidden button gave up its room and the longer caption takes more.
  const RECT listAfter = ButtonRect(bar, list);
  EXPECT_LT(listAfter.left, listBefore.left);
  EXPECT_GT(listAfter.right - listAfter.left, listBefore.right - listBefore.left);
  EXPECT_EQ(buttons_[4]->Left(), listAfter.left);
  EXPECT_EQ(buttons_[4]->Width(), listAfter.right - listAfter.left);
  EXPECT_EQ(bar_->Width(), listAfter.right);

  // Back again.
  actions_[2]->SetVisible(true);
  actions_[0]->SetEnabled(true);
  EXPECT_FALSE(ButtonInfo(bar, 2, text).fsState & TBSTATE_HIDDEN);
  EXPECT_TRUE(ButtonInfo(bar, 0, text).fsState & TBSTATE_ENABLED);
}

TEST_F(SystemControlsTest, AClickExecutesTheActionAndADisabledButtonIgnoresIt) {
  const HWND bar = Bar();
  std::wstring text;
  const LPARAM plain = Point(ButtonRect(bar, ButtonInfo(bar, 0, text)));
  SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, plain);
  SendMessageW(bar, WM_LBUTTONUP, 0, plain);
  EXPECT_EQ(executed_[0], 1);

  // A check button's click toggles it and runs its action once.
  const LPARAM check = Point(ButtonRect(bar, ButtonInfo(bar, 1, text)));
  SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, check);
  SendMessageW(bar, WM_LBUTTONUP, 0, check);
  EXPECT_EQ(executed_[1], 1);

  actions_[0]->SetEnabled(false);
  SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, plain);
  SendMessageW(bar, WM_LBUTTONUP, 0, plain);
  EXPECT_EQ(executed_[0], 1);
  EXPECT_EQ(executed_[2] + executed_[4], 0);
}

// The system's toolbar tracks the pointer itself, and each button still hears
// it move over it (a button's hint rests on that); one click stays one click.
TEST_F(SystemControlsTest, AButtonHearsThePointerMoveOverIt) {
  const HWND bar = Bar();
  std::wstring text;
  int moves[5] = {};
  for (int i = 0; i < 5; ++i) buttons_[i]->OnMouseMove = [&moves, i](TComponent*, TShiftState, int, int) { ++moves[i]; };
  const LPARAM second = Point(ButtonRect(bar, ButtonInfo(bar, 1, text)));
  SendMessageW(bar, WM_MOUSEMOVE, 0, second);
  SendMessageW(bar, WM_MOUSEMOVE, 0, second);
  EXPECT_EQ(moves[1], 2);
  EXPECT_EQ(moves[0] + moves[2] + moves[4], 0);
  SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, second);
  SendMessageW(bar, WM_LBUTTONUP, 0, second);
  EXPECT_EQ(executed_[1], 1);
}

TEST_F(SystemControlsTest, TheArrowOfADropDownButtonShowsItsMenuUnderIt) {
  const HWND bar = Bar();
  std::wstring text;
  const RECT rect = ButtonRect(bar, ButtonInfo(bar, 2, text));
  const int popups = RecordingMenuPeer().PopupCount();
  const LPARAM arrow = MAKELPARAM(rect.right - 3, (rect.top + rect.bottom) / 2);
  SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, arrow);
  SendMessageW(bar, WM_LBUTTONUP, 0, arrow);
  ASSERT_EQ(RecordingMenuPeer().PopupCount(), popups + 1);
  EXPECT_EQ(RecordingMenuPeer().LastMenu(), menu_);
  EXPECT_EQ(menu_->PopupComponent(), buttons_[2]);
  // Below the button's left edge, in screen coordinates.
  POINT corner{rect.left, rect.bottom};
  ClientToScreen(bar, &corner);
  EXPECT_EQ(RecordingMenuPeer().LastPoint().x, corner.x);
  EXPECT_EQ(RecordingMenuPeer().LastPoint().y, corner.y);
  RecordingMenuPeer().Dismiss();
  EXPECT_EQ(executed_[2], 0) << "the arrow is not a click";

  // The face of the same button is a click.
  const LPARAM face = MAKELPARAM(rect.left + 4, (rect.top + rect.bottom) / 2);
  SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, face);
  SendMessageW(bar, WM_LBUTTONUP, 0, face);
  EXPECT_EQ(executed_[2], 1);
  EXPECT_EQ(RecordingMenuPeer().PopupCount(), popups + 1);
}

TEST_F(SystemControlsTest, ImageListsAndFontAreTheSystemsOwn) {
  const HWND bar = Bar();
  auto list = reinterpret_cast<HIMAGELIST>(SendMessageW(bar, TB_GETIMAGELIST, 0, 0));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(list), 3);
  int cx = 0, cy = 0;
  ASSERT_TRUE(ImageList_GetIconSize(list, &cx, &cy));
  EXPECT_EQ(cx, 16);
  EXPECT_EQ(cy, 16);
  IMAGEINFO info{};
  ASSERT_TRUE(ImageList_GetImageInfo(list, 1, &info));
  EXPECT_NE(info.hbmMask, nullptr);
  // The pictures are the list's: the second image draws green.
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP target = CreateCompatibleBitmap(screen, 16, 16);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, target);
  ASSERT_TRUE(ImageList_Draw(list, 1, dc, 0, 0, ILD_NORMAL));
  EXPECT_EQ(GetPixel(dc, 8, 8), RGB(0x20, 0xC0, 0x20));
  SelectObject(dc, old);
  DeleteObject(target);
  DeleteDC(dc);

  // A picture added to the toolkit's list reaches the window's.
  images_->Add(Solid(0xFF808080u));
  list = reinterpret_cast<HIMAGELIST>(SendMessageW(bar, TB_GETIMAGELIST, 0, 0));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(list), 4);

  // The font the layouts declare, as a font handle the toolbar measures its captions with.
  auto font = reinterpret_cast<HFONT>(SendMessageW(bar, WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  LOGFONTW logical{};
  ASSERT_GT(GetObjectW(font, sizeof(logical), &logical), 0);
  EXPECT_EQ(std::wstring(logical.lfFaceName), bar_->Font().Name);
  EXPECT_EQ(logical.lfHeight, bar_->Font().Height);
}

TEST_F(SystemControlsTest, AStaticTextAnswersItsColoursAndReportsTheMouse) {
  auto* text = new TStaticText(&form_);
  text->SetParent(&form_);
  text->SetAlign(alNone);
  text->SetBorderStyle(sbsSingle);
  text->SetColor(0x00FFFF);
  text->SetFontColor(clRed);
  text->SetCaption(L"Rating: 5");
  text->SetBounds(400, 4, 80, 20);
  int clicks = 0, moves = 0;
  text->OnClick = [&](TComponent*) { ++clicks; };
  text->OnMouseMove = [&](TComponent*, TShiftState, int, int) { ++moves; };
  const HWND window = text->Handle();
  // The system's static control says what it is to dialogs; a plain window says nothing.
  EXPECT_EQ(SendMessageW(window, WM_GETDLGCODE, 0, 0) & DLGC_STATIC, DLGC_STATIC);
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & WS_BORDER);
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & SS_NOTIFY);
  wchar_t shown[64] = {};
  GetWindowTextW(window, shown, 64);
  EXPECT_STREQ(shown, L"Rating: 5");

  // The parent answers the system control's question for its colours with the control's.
  HDC dc = CreateCompatibleDC(nullptr);
  const auto brush = reinterpret_cast<HBRUSH>(
      SendMessageW(form_.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(window)));
  ASSERT_NE(brush, nullptr);
  LOGBRUSH logical{};
  ASSERT_GT(GetObjectW(brush, sizeof(logical), &logical), 0);
  EXPECT_EQ(logical.lbColor, RGB(0xFF, 0xFF, 0x00));
  EXPECT_EQ(GetTextColor(dc), RGB(0xFF, 0, 0));
  EXPECT_EQ(GetBkColor(dc), RGB(0xFF, 0xFF, 0x00));
  DeleteDC(dc);

  SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_GE(moves, 1);
  EXPECT_EQ(clicks, 1);
}

}  // namespace
