// Popup menus as the system's own menus: the HMENU built from an item tree,
// owner drawing through the owner window's messages, images drawn from the
// image list, and real popups run by TrackPopupMenuEx and closed from inside
// the menu loop by a thread timer (which also ends any menu that outlives
// its bound, so that no test can wait for a user).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/forms/MenuPeer.h"
#include "platform/forms/TCanvas.h"
#include "platform/forms/TImageList.h"
#include "platform/forms/TPopupMenu.h"
#include "platform/forms/win32/NativeMenuPeer.h"

namespace {

using namespace forms;

struct ReadItem {
  UINT type = 0;
  UINT state = 0;
  UINT id = 0;
  ULONG_PTR data = 0;
  HMENU submenu = nullptr;
  HBITMAP bitmap = nullptr;
  std::wstring text;
};

ReadItem ReadMenuItem(HMENU menu, int position) {
  wchar_t text[128] = {};
  MENUITEMINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA | MIIM_SUBMENU | MIIM_BITMAP | MIIM_STRING;
  info.dwTypeData = text;
  info.cch = 127;
  ReadItem item;
  EXPECT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info)) << "item " << position;
  item.type = info.fType;
  item.state = info.fState;
  item.id = info.wID;
  item.data = info.dwItemData;
  item.submenu = info.hSubMenu;
  item.bitmap = info.hbmpItem;
  wchar_t shown[128] = {};
  GetMenuStringW(menu, static_cast<UINT>(position), shown, 127, MF_BYPOSITION);
  item.text = shown;
  return item;
}

// A white picture lent to GDI as a memory DC for the messages to draw into.
struct Surface {
  Surface(int width, int height) : picture(width, height, 0xFFFFFFFFu), lent(std::make_unique<TBitmapDC>(picture)) {}
  HDC Dc() const { return lent->Handle(); }
  // 0x00RRGGBB of what was drawn; the DC goes back first.
  std::uint32_t Pixel(int x, int y) {
    lent.reset();
    return picture.Pixel(x, y) & 0xFFFFFFu;
  }

  TBitmap picture;
  std::unique_ptr<TBitmapDC> lent;
};

class NativeMenuTest : public testing::Test {
 protected:
  TMenuItem* AddItem(TMenuItem* parent, const std::wstring& caption) {
    auto* item = new TMenuItem(&form_);
    item->SetCaption(caption);
    parent->Add(item);
    return item;
  }
  TPopupMenu* NewMenu() { return new TPopupMenu(&form_); }

  TComponent form_{nullptr};
};

TEST_F(NativeMenuTest, TheMenuMirrorsTheVisibleItemsOfTheTree) {
  TPopupMenu* menu = NewMenu();
  TMenuItem* open = AddItem(menu->Items(), L"&Open");
  open->SetDefault(true);
  AddItem(menu->Items(), L"-");
  AddItem(menu->Items(), L"Hidden")->SetVisible(false);
  TMenuItem* disabled = AddItem(menu->Items(), L"Disabled");
  disabled->SetEnabled(false);
  TMenuItem* checked = AddItem(menu->Items(), L"Checked");
  checked->SetChecked(true);
  TMenuItem* radio = AddItem(menu->Items(), L"Radio");
  radio->SetRadioItem(true);
  radio->SetChecked(true);
  TMenuItem* more = AddItem(menu->Items(), L"&More");
  TMenuItem* a = AddItem(more, L"A");
  AddItem(more, L"B")->SetVisible(false);
  TMenuItem* c = AddItem(more, L"C");

  TNativeMenu native(*menu);
  HMENU handle = native.Handle();
  ASSERT_NE(handle, nullptr);
  ASSERT_EQ(GetMenuItemCount(handle), 6);

  struct Expected {
    const wchar_t* text;
    TMenuItem* item;  // null for the separator
    UINT type;
    UINT state;
  };
  const Expected expected[] = {
      {L"&Open", open, MFT_STRING, MFS_DEFAULT},
      {L"", nullptr, MFT_SEPARATOR, 0},
      {L"Disabled", disabled, MFT_STRING, MFS_DISABLED},
      {L"Checked", checked, MFT_STRING, MFS_CHECKED},
      {L"Radio", radio, MFT_RADIOCHECK, MFS_CHECKED},
      {L"&More", more, MFT_STRING, 0},
  };
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    const ReadItem item = ReadMenuItem(handle, i);
    EXPECT_EQ(item.text, expected[i].text);
    EXPECT_EQ(item.type & (MFT_SEPARATOR | MFT_RADIOCHECK | MFT_OWNERDRAW), expected[i].type);
    EXPECT_EQ(item.state & (MFS_DEFAULT | MFS_DISABLED | MFS_CHECKED), expected[i].state);
    EXPECT_EQ(item.bitmap, nullptr) << "no images without an image list";
    EXPECT_EQ(item.id, item.data) << "one number names the item";
    if (expected[i].item) {
      EXPECT_EQ(native.ItemOf(item.data), expected[i].item);
    }
  }

  const ReadItem sub = ReadMenuItem(handle, 5);
  ASSERT_NE(sub.submenu, nullptr);
  EXPECT_TRUE(native.Owns(sub.submenu));
  ASSERT_EQ(GetMenuItemCount(sub.submenu), 2);
  EXPECT_EQ(native.ItemOf(ReadMenuItem(sub.submenu, 0).data), a);
  EXPECT_EQ(ReadMenuItem(sub.submenu, 1).text, L"C");
  EXPECT_EQ(native.ItemOf(ReadMenuItem(sub.submenu, 1).data), c);
  EXPECT_EQ(ReadMenuItem(handle, 0).submenu, nullptr);
}

TEST_F(NativeMenuTest, NumbersNamingNoLiveItemAnswerNothing) {
  TPopupMenu* menu = NewMenu();
  TMenuItem* first = AddItem(menu->Items(), L"First");
  TMenuItem* second = AddItem(menu->Items(), L"Second");
  TNativeMenu native(*menu);
  const ULONG_PTR firstNumber = ReadMenuItem(native.Handle(), 0).data;
  const ULONG_PTR secondNumber = ReadMenuItem(native.Handle(), 1).data;
  EXPECT_EQ(native.ItemOf(0), nullptr);
  EXPECT_EQ(native.ItemOf(99), nullptr);
  EXPECT_EQ(native.ItemOf(reinterpret_cast<ULONG_PTR>(first)), nullptr) << "a pointer is not a number of the menu";
  EXPECT_FALSE(native.Owns(nullptr));

  delete first;
  EXPECT_EQ(native.ItemOf(firstNumber), nullptr);
  EXPECT_EQ(native.ItemOf(secondNumber), second);
  delete menu;
  EXPECT_EQ(native.ItemOf(secondNumber), nullptr);
}

TEST_F(NativeMenuTest, OwnerDrawnItemsAreMeasuredAndDrawnByTheirHandlers) {
  TPopupMenu* menu = NewMenu();
  menu->SetOwnerDraw(true);
  TMenuItem* advanced = AddItem(menu->Items(), L"Advanced");
  AddItem(menu->Items(), L"-");
  TMenuItem* simple = AddItem(menu->Items(), L"Simple");
  TMenuItem* more = AddItem(menu->Items(), L"More");
  AddItem(more, L"Inner");

  bool measuredWithCanvas = false;
  advanced->OnMeasureItem = [&](TComponent*, TCanvas* canvas, int& width, int& height) {
    measuredWithCanvas = canvas && canvas->Handle();
    width = 77;
    height = 19;
  };
  TOwnerDrawState drawnState = 0;
  advanced->OnAdvancedDrawItem = [&](TComponent*, TCanvas* canvas, RECT rect, TOwnerDrawState state) {
    drawnState = state;
    canvas->Brush.Color = clRed;
    canvas->FillRect(rect);
  };
  int simpleDraws = 0;
  bool simpleSelected = true;
  simple->OnDrawItem = [&](TComponent*, TCanvas*, RECT, bool selected) {
    ++simpleDraws;
    simpleSelected = selected;
  };

  TNativeMenu native(*menu);
  HMENU handle = native.Handle();
  for (int i = 0; i < GetMenuItemCount(handle); ++i)
    EXPECT_TRUE(ReadMenuItem(handle, i).type & MFT_OWNERDRAW) << "item " << i;
  HMENU sub = ReadMenuItem(handle, 3).submenu;
  ASSERT_NE(sub, nullptr);
  EXPECT_TRUE(ReadMenuItem(sub, 0).type & MFT_OWNERDRAW);

  TMenuOwnerWindow owner(native);
  const ReadItem item = ReadMenuItem(handle, 0);
  MEASUREITEMSTRUCT measure{ODT_MENU, 0, item.id, 0, 0, item.data};
  EXPECT_TRUE(SendMessageW(owner.Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)));
  EXPECT_TRUE(measuredWithCanvas);
  EXPECT_EQ(measure.itemWidth, 77u);
  EXPECT_EQ(measure.itemHeight, 19u);

  // The standard size where no handler changes it: a separator is 8 high.
  const ReadItem line = ReadMenuItem(handle, 1);
  MEASUREITEMSTRUCT lineMeasure{ODT_MENU, 0, line.id, 0, 0, line.data};
  EXPECT_TRUE(SendMessageW(owner.Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&lineMeasure)));
  EXPECT_EQ(lineMeasure.itemHeight, 8u);

  Surface surface(40, 30);
  DRAWITEMSTRUCT draw{};
  draw.CtlType = ODT_MENU;
  draw.itemID = item.id;
  draw.itemAction = ODA_DRAWENTIRE;
  draw.itemState = ODS_SELECTED | ODS_CHECKED | ODS_DEFAULT;
  draw.hwndItem = reinterpret_cast<HWND>(handle);
  draw.hDC = surface.Dc();
  draw.rcItem = RECT{5, 5, 25, 15};
  draw.itemData = item.data;
  EXPECT_TRUE(SendMessageW(owner.Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)));
  EXPECT_EQ(drawnState, TOwnerDrawState{odSelected | odChecked | odDefault});
  EXPECT_EQ(surface.Pixel(10, 10), 0xFF0000u) << "drawn into the message's DC";
  EXPECT_EQ(surface.Pixel(2, 2), 0xFFFFFFu) << "inside the item's rectangle only";
  Surface again(40, 30);  // the first went back to its picture
  draw.hDC = again.Dc();

  draw.itemState = ODS_GRAYED | ODS_DISABLED;
  EXPECT_TRUE(SendMessageW(owner.Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)));
  EXPECT_EQ(drawnState, TOwnerDrawState{odGrayed | odDisabled});

  const ReadItem simpleItem = ReadMenuItem(handle, 2);
  draw.itemState = 0;
  draw.itemID = simpleItem.id;
  draw.itemData = simpleItem.data;
  EXPECT_TRUE(SendMessageW(owner.Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)));
  EXPECT_EQ(simpleDraws, 1);
  EXPECT_FALSE(simpleSelected);

  // What does not name an item of this menu is left alone.
  TPopupMenu* other = NewMenu();
  AddItem(other->Items(), L"Elsewhere");
  TNativeMenu otherNative(*other);
  DRAWITEMSTRUCT foreign = draw;
  foreign.hwndItem = reinterpret_cast<HWND>(otherNative.Handle());
  EXPECT_FALSE(SendMessageW(owner.Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&foreign)));
  foreign = draw;
  foreign.itemData = 1000;
  EXPECT_FALSE(SendMessageW(owner.Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&foreign)));
  foreign = draw;
  foreign.CtlType = ODT_BUTTON;
  EXPECT_FALSE(SendMessageW(owner.Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&foreign)));
  MEASUREITEMSTRUCT unknown{ODT_MENU, 0, 0, 0, 0, 1000};
  EXPECT_FALSE(SendMessageW(owner.Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&unknown)));
  EXPECT_EQ(simpleDraws, 1);

  // A handler that throws fails quietly.
  simple->OnDrawItem = [](TComponent*, TCanvas*, RECT, bool) { throw std::runtime_error("draw failed"); };
  EXPECT_FALSE(SendMessageW(owner.Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)));
}

TEST_F(NativeMenuTest, ImagesAreDrawnFromTheImageListByTheOwner) {
  auto* images = new TImageList(&form_);
  images->SetSize(8, 8);
  images->Add(TBitmap(8, 8, 0xFF0000FFu));  // opaque blue
  TPopupMenu* menu = NewMenu();
  menu->SetImages(images);
  TMenuItem* pictured = AddItem(menu->Items(), L"Pictured");
  pictured->SetImageIndex(0);
  AddItem(menu->Items(), L"Plain");
  AddItem(menu->Items(), L"Beyond the list")->SetImageIndex(5);

  TNativeMenu native(*menu);
  HMENU handle = native.Handle();
  const ReadItem item = ReadMenuItem(handle, 0);
  EXPECT_EQ(item.bitmap, HBMMENU_CALLBACK);
  EXPECT_FALSE(item.type & MFT_OWNERDRAW) << "the system draws the rest of the item";
  EXPECT_EQ(ReadMenuItem(handle, 1).bitmap, nullptr);
  EXPECT_EQ(ReadMenuItem(handle, 2).bitmap, nullptr);

  TMenuOwnerWindow owner(native);
  MEASUREITEMSTRUCT measure{ODT_MENU, 0, item.id, 0, 0, item.data};
  EXPECT_TRUE(SendMessageW(owner.Handle(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)));
  EXPECT_EQ(measure.itemWidth, 8u);
  EXPECT_EQ(measure.itemHeight, 8u);

  Surface surface(20, 20);
  DRAWITEMSTRUCT draw{};
  draw.CtlType = ODT_MENU;
  draw.itemID = item.id;
  draw.hwndItem = reinterpret_cast<HWND>(handle);
  draw.hDC = surface.Dc();
  draw.rcItem = RECT{0, 0, 20, 20};
  draw.itemData = item.data;
  EXPECT_TRUE(SendMessageW(owner.Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)));
  EXPECT_EQ(surface.Pixel(10, 10), 0x0000FFu) << "the image, centred";
  EXPECT_EQ(surface.Pixel(2, 2), 0xFFFFFFu);
}

// ---------------------------------------------------------------- real popups

// The popup menu window of this thread, when one is shown.
HWND ShownMenuWindow() {
  HWND menu = FindWindowW(L"#32768", nullptr);
  return menu && IsWindowVisible(menu) ? menu : nullptr;
}

// Runs `action` once a popup menu is shown, from a thread timer the menu loop
// dispatches; any menu still open after the bound is ended.
class MenuDriver {
 public:
  explicit MenuDriver(std::function<void(HWND menu)> action) {
    current_ = this;
    action_ = std::move(action);
    timer_ = SetTimer(nullptr, 0, 20, &MenuDriver::Tick);
  }
  ~MenuDriver() {
    if (timer_) KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  MenuDriver(const MenuDriver&) = delete;
  MenuDriver& operator=(const MenuDriver&) = delete;

  bool Started() const { return timer_ != 0; }
  bool SawMenu() const { return sawMenu_; }
  bool TimedOut() const { return timedOut_; }

 private:
  static constexpr int kBoundTicks = 250;  // about five seconds

  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    MenuDriver* self = current_;
    if (!self) return;
    ++self->ticks_;
    HWND menu = ShownMenuWindow();
    if (menu && !self->acted_) {
      self->sawMenu_ = true;
      self->acted_ = true;
      self->action_(menu);
    } else if (self->ticks_ > kBoundTicks) {
      self->timedOut_ = true;
      EndMenu();
    }
  }

  static inline MenuDriver* current_ = nullptr;
  std::function<void(HWND)> action_;
  UINT_PTR timer_ = 0;
  int ticks_ = 0;
  bool acted_ = false;
  bool sawMenu_ = false;
  bool timedOut_ = false;
};

// Puts a peer in use for the scope, the recording peer back after it.
class PeerInUse {
 public:
  explicit PeerInUse(TMenuPeer& peer) { SetMenuPeer(&peer); }
  ~PeerInUse() { SetMenuPeer(nullptr); }
  PeerInUse(const PeerInUse&) = delete;
  PeerInUse& operator=(const PeerInUse&) = delete;
};

void ChooseFirstItem(HWND menu) {
  PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
}

TEST_F(NativeMenuTest, ThePeersInUse) {
  EXPECT_NE(dynamic_cast<TNativeMenuPeer*>(&SystemMenuPeer()), nullptr) << "the system's menus on Windows";
  EXPECT_EQ(&MenuPeer(), &RecordingMenuPeer()) << "no test enters a menu loop unasked";
}

TEST_F(NativeMenuTest, AMenuClosedWithoutChoiceClicksNothing) {
  TPopupMenu* menu = NewMenu();
  int clicks = 0;
  AddItem(menu->Items(), L"First")->OnClick = [&](TComponent*) { ++clicks; };
  TNativeMenuPeer peer;
  MenuDriver driver([](HWND) { EndMenu(); });
  ASSERT_TRUE(driver.Started());
  peer.Popup(*menu, 100, 100);
  EXPECT_TRUE(driver.SawMenu()) << "a real menu was shown";
  EXPECT_FALSE(driver.TimedOut());
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(ShownMenuWindow(), nullptr);
}

TEST_F(NativeMenuTest, TheChosenItemIsClickedAfterTheMenuClosed) {
  TPopupMenu* menu = NewMenu();
  menu->SetOwnerDraw(true);
  int clicks = 0;
  bool menuShownDuringClick = true;
  int measured = 0;
  TMenuItem* first = AddItem(menu->Items(), L"First");
  first->OnClick = [&](TComponent* sender) {
    clicks += sender == first ? 1 : 100;
    menuShownDuringClick = ShownMenuWindow() != nullptr;
  };
  first->OnMeasureItem = [&](TComponent*, TCanvas*, int&, int&) { ++measured; };
  int otherClicks = 0;
  AddItem(menu->Items(), L"Second")->OnClick = [&](TComponent*) { ++otherClicks; };

  TNativeMenuPeer peer;
  PeerInUse inUse(peer);
  MenuDriver driver(&ChooseFirstItem);
  menu->Popup(100, 100);
  EXPECT_TRUE(driver.SawMenu());
  EXPECT_FALSE(driver.TimedOut());
  EXPECT_GT(measured, 0) << "the owner window measured the shown item";
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(menuShownDuringClick);
  EXPECT_EQ(otherClicks, 0);
}

TEST_F(NativeMenuTest, AThrowingClickHandlerFailsQuietly) {
  TPopupMenu* menu = NewMenu();
  bool ran = false;
  AddItem(menu->Items(), L"First")->OnClick = [&](TComponent*) {
    ran = true;
    throw std::runtime_error("click failed");
  };
  TNativeMenuPeer peer;
  MenuDriver driver(&ChooseFirstItem);
  EXPECT_NO_THROW(peer.Popup(*menu, 50, 50));
  EXPECT_TRUE(ran);
}

TEST_F(NativeMenuTest, AMenuFreedWhileItIsOpenIsForgotten) {
  TPopupMenu* menu = NewMenu();
  int clicks = 0;
  AddItem(menu->Items(), L"First")->OnClick = [&](TComponent*) { ++clicks; };
  TNativeMenuPeer peer;
  PeerInUse inUse(peer);
  MenuDriver driver([&](HWND shown) {
    delete menu;  // a handler of the menu loop frees it
    ChooseFirstItem(shown);
  });
  menu->Popup(100, 100);
  EXPECT_TRUE(driver.SawMenu());
  EXPECT_FALSE(driver.TimedOut());
  EXPECT_EQ(clicks, 0) << "the chosen item went with its menu";
  EXPECT_EQ(form_.ComponentCount(), 0);
}

}  // namespace
