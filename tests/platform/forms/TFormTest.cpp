// Forms: living in a host's window, showing and hiding, the creation handler
// that runs once construction is complete, and the window a top-level form's
// properties give it (layered, topmost, tool window, never activated).
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

DWORD ExStyle(HWND hwnd) { return static_cast<DWORD>(win::GetWindowLongPtrW(hwnd, GWL_EXSTYLE)); }

// What the window system answers for a layered window's attributes; alpha -1 when it answers nothing.
struct Layer {
  int alpha = -1;
  DWORD flags = 0;
};
Layer LayerOf(HWND hwnd) {
  BYTE alpha = 0;
  DWORD flags = 0;
  COLORREF key = 0;
  if (!win::GetLayeredWindowAttributes(hwnd, &key, &alpha, &flags)) return Layer{};
  return Layer{alpha, flags};
}

struct ExStyleCase {
  const char* name;
  bool alphaBlend;
  forms::TFormStyle formStyle;
  forms::TFormBorderStyle borderStyle;
  DWORD expected;  // of WS_EX_LAYERED, WS_EX_TOPMOST, WS_EX_TOOLWINDOW, WS_EX_NOACTIVATE
};
constexpr DWORD kFormExStyles = WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
const ExStyleCase kExStyleCases[] = {
    {"plain", false, forms::fsNormal, forms::bsNone, 0},
    {"translucent", true, forms::fsNormal, forms::bsNone, WS_EX_LAYERED},
    {"stay on top", false, forms::fsStayOnTop, forms::bsSingle, WS_EX_TOPMOST},
    {"tool window", false, forms::fsNormal, forms::bsToolWindow, WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE},
    {"sizeable tool window", false, forms::fsNormal, forms::bsSizeToolWin, WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE},
    {"hint window", true, forms::fsStayOnTop, forms::bsToolWindow,
     WS_EX_LAYERED | WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE},
};

TEST_F(TFormTest, ATopLevelFormsWindowHasTheExtendedStylesItsPropertiesGive) {
  for (const auto& c : kExStyleCases) {
    SCOPED_TRACE(c.name);
    TForm form(nullptr);
    form.SetBounds(10, 10, 120, 40);
    form.SetAlphaBlend(c.alphaBlend);
    form.SetFormStyle(c.formStyle);
    form.SetBorderStyle(c.borderStyle);
    form.Show();
    HWND hwnd = form.Handle();
    EXPECT_EQ(ExStyle(hwnd) & kFormExStyles, c.expected);
    const DWORD style = static_cast<DWORD>(win::GetWindowLongPtrW(hwnd, GWL_STYLE));
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER)) << "the toolkit paints its own frames";
    EXPECT_TRUE(win::IsWindowVisible(hwnd));
  }
}

TEST_F(TFormTest, ChangedPropertiesReachTheShownWindow) {
  TForm form(nullptr);
  form.SetBounds(10, 10, 120, 40);
  form.Show();
  HWND hwnd = form.Handle();
  EXPECT_EQ(ExStyle(hwnd) & kFormExStyles, 0u);

  form.SetFormStyle(forms::fsStayOnTop);
  EXPECT_TRUE(ExStyle(hwnd) & WS_EX_TOPMOST);
  form.SetBorderStyle(forms::bsToolWindow);
  EXPECT_EQ(ExStyle(hwnd) & (WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE), DWORD{WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE});
  form.SetBorderStyle(forms::bsSingle);
  EXPECT_FALSE(ExStyle(hwnd) & (WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE));
  form.SetFormStyle(forms::fsNormal);
  EXPECT_FALSE(ExStyle(hwnd) & WS_EX_TOPMOST);
  EXPECT_EQ(form.Handle(), hwnd) << "the same window throughout";
  EXPECT_TRUE(win::IsWindowVisible(hwnd));
}

TEST_F(TFormTest, AnAlphaBlendedFormIsALayeredWindowOfItsAlpha) {
  TForm form(nullptr);
  form.SetBounds(10, 10, 120, 40);
  form.SetAlphaBlend(true);
  form.SetAlphaBlendValue(200);
  form.Show();
  HWND hwnd = form.Handle();
  ASSERT_TRUE(ExStyle(hwnd) & WS_EX_LAYERED);
  Layer layer = LayerOf(hwnd);
  EXPECT_EQ(layer.alpha, 200);
  EXPECT_EQ(layer.flags, DWORD{LWA_ALPHA});

  form.SetAlphaBlendValue(90);
  EXPECT_EQ(LayerOf(hwnd).alpha, 90);

  form.SetAlphaBlend(false);
  EXPECT_FALSE(ExStyle(hwnd) & WS_EX_LAYERED);
  EXPECT_EQ(LayerOf(hwnd).alpha, -1) << "no layer left";
  form.SetAlphaBlendValue(120);  // kept for later
  EXPECT_FALSE(ExStyle(hwnd) & WS_EX_LAYERED);

  form.SetAlphaBlend(true);
  EXPECT_TRUE(ExStyle(hwnd) & WS_EX_LAYERED);
  layer = LayerOf(hwnd);
  EXPECT_EQ(layer.alpha, 120);
  EXPECT_EQ(layer.flags, DWORD{LWA_ALPHA});
  EXPECT_TRUE(win::IsWindowVisible(hwnd));
}

TEST_F(TFormTest, AFormInAHostsWindowKeepsThesePropertiesAsStateOnly) {
  TForm form(nullptr, host_);
  form.SetAlphaBlend(true);
  form.SetFormStyle(forms::fsStayOnTop);
  form.SetBorderStyle(forms::bsToolWindow);
  form.Show();
  EXPECT_EQ(ExStyle(form.Handle()) & kFormExStyles, 0u);
  EXPECT_TRUE(form.AlphaBlend());
  EXPECT_EQ(form.FormStyle(), forms::fsStayOnTop);
}

TEST_F(TFormTest, ShowingATopLevelFormNeverActivatesIt) {
  win::SetForegroundWindow(host_);
  ASSERT_EQ(win::GetForegroundWindow(), host_);
  ASSERT_EQ(win::GetActiveWindow(), host_);
  for (forms::TFormBorderStyle border : {forms::bsNone, forms::bsToolWindow}) {
    TForm form(nullptr);
    form.SetBounds(10, 10, 120, 40);
    form.SetBorderStyle(border);
    form.SetFormStyle(forms::fsStayOnTop);
    form.Show();
    EXPECT_TRUE(win::IsWindowVisible(form.Handle()));
    EXPECT_EQ(win::GetForegroundWindow(), host_) << "border style " << border;
    EXPECT_EQ(win::GetActiveWindow(), host_) << "border style " << border;

    // A window made again for a visible form is shown the same way.
    form.DestroyHandle();
    EXPECT_TRUE(win::IsWindowVisible(form.Handle()));
    EXPECT_EQ(win::GetForegroundWindow(), host_) << "border style " << border;
    EXPECT_EQ(win::GetActiveWindow(), host_) << "border style " << border;
  }
}

}  // namespace
