// Text of the portable GDI: fonts measured and drawn with FreeType into DIB
// sections, the DC's colours and modes honoured, DrawTextW's placement, and
// a system without font files.
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "platform/portable/gdi/GdiControl.h"
#include "platform/win/Gdi.h"
#include "platform/win/GdiHandles.h"
#include "platform/portable/gdi/GdiCanvas.h"

namespace {

using gdi_test::Canvas;

constexpr std::uint32_t kWhite = 0xFFFFFF;

LOGFONTW Font(LONG height, LONG weight = FW_NORMAL, const wchar_t* face = L"MS Sans Serif", BYTE quality = DEFAULT_QUALITY) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = quality;
  std::wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  return lf;
}

// A font selected into a DC for the length of a scope.
class UseFont {
 public:
  UseFont(HDC dc, const LOGFONTW& lf) : font_(win::CreateFontIndirectW(&lf)) { selected_.Select(dc, font_.Get()); }
  bool Ready() const { return static_cast<bool>(font_); }

 private:
  win::GdiObjectHandle<HFONT> font_;
  win::SelectedObject selected_;
};

SIZE Extent(HDC dc, const std::wstring& text) {
  SIZE size{};
  EXPECT_TRUE(win::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size));
  return size;
}

TEST(GdiText, MetricsFollowTheLogicalHeight) {
  Canvas canvas(8, 8);
  struct Case {
    const char* what;
    LONG height;
    int em;  // the em asked for; 0: cell height given instead
  };
  for (const Case& c : {Case{"em of 11", -11, 11}, Case{"em of 20", -20, 20}, Case{"default", 0, 11}}) {
    SCOPED_TRACE(c.what);
    UseFont font(canvas.Dc(), Font(c.height));
    TEXTMETRICW tm{};
    ASSERT_TRUE(win::GetTextMetricsW(canvas.Dc(), &tm));
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, c.em) << "internal leading is the cell above the em";
    EXPECT_GT(tm.tmAveCharWidth, 0);
    EXPECT_GT(tm.tmMaxCharWidth, tm.tmAveCharWidth);
  }
  UseFont cell(canvas.Dc(), Font(20));
  TEXTMETRICW tm{};
  ASSERT_TRUE(win::GetTextMetricsW(canvas.Dc(), &tm));
  EXPECT_NEAR(tm.tmHeight, 20, 1) << "a positive height is the cell height";
}

TEST(GdiText, ExtentsGrowWithTheTextAndTheWeight) {
  Canvas canvas(8, 8);
  SIZE normal{}, longer{}, bold{};
  {
    UseFont font(canvas.Dc(), Font(-13));
    normal = Extent(canvas.Dc(), L"Archive");
    longer = Extent(canvas.Dc(), L"Archive page");
    TEXTMETRICW tm{};
    win::GetTextMetricsW(canvas.Dc(), &tm);
    EXPECT_EQ(normal.cy, tm.tmHeight);
    EXPECT_EQ(Extent(canvas.Dc(), L"").cx, 0);
    // Advances add up: no kerning between the parts.
    EXPECT_EQ(Extent(canvas.Dc(), L"AV").cx, Extent(canvas.Dc(), L"A").cx + Extent(canvas.Dc(), L"V").cx);
  }
  {
    UseFont font(canvas.Dc(), Font(-13, FW_BOLD));
    bold = Extent(canvas.Dc(), L"Archive");
  }
  EXPECT_GT(longer.cx, normal.cx);
  EXPECT_GT(bold.cx, normal.cx);
  {
    UseFont font(canvas.Dc(), Font(-13, FW_NORMAL, L"Courier New"));
    EXPECT_EQ(Extent(canvas.Dc(), L"iiii").cx, Extent(canvas.Dc(), L"WWWW").cx) << "Courier New is fixed pitch";
  }
}

TEST(GdiText, TextIsDrawnInTheTextColourInsideItsExtent) {
  for (BYTE quality : {BYTE{DEFAULT_QUALITY}, BYTE{NONANTIALIASED_QUALITY}}) {
    SCOPED_TRACE(quality);
    Canvas canvas(120, 40);
    UseFont font(canvas.Dc(), Font(-16, FW_NORMAL, L"Tahoma", quality));
    win::SetBkMode(canvas.Dc(), TRANSPARENT);
    win::SetTextColor(canvas.Dc(), RGB(0, 0, 255));
    const std::wstring text = L"Hello";
    ASSERT_TRUE(win::TextOutW(canvas.Dc(), 10, 5, text.c_str(), static_cast<int>(text.size())));
    const SIZE size = Extent(canvas.Dc(), text);
    const Canvas::Ink ink = canvas.InkOn(kWhite);
    ASSERT_GT(ink.count, 20);
    EXPECT_GE(ink.left, 10);
    EXPECT_GE(ink.top, 5);
    EXPECT_LT(ink.right, 10 + size.cx + 1);
    EXPECT_LT(ink.bottom, 5 + size.cy);
    // The darkest pixels are the text colour itself; anti-aliased edges lie between it and the paper.
    int solid = 0;
    for (int y = 0; y < canvas.Height(); ++y)
      for (int x = 0; x < canvas.Width(); ++x) {
        const std::uint32_t p = canvas.At(x, y);
        if (p == 0x0000FF) ++solid;
        if (p != kWhite) {
          EXPECT_EQ(p & 0xFF, 0xFFu) << "only white to blue";
        }
      }
    EXPECT_GT(solid, 10);
  }
}

TEST(GdiText, OpaqueFillsTheBackgroundBoxAndTransparentLeavesIt) {
  struct Case {
    int mode;
    bool filled;
  };
  for (const Case& c : {Case{OPAQUE, true}, Case{TRANSPARENT, false}}) {
    SCOPED_TRACE(c.mode);
    Canvas canvas(100, 40);
    UseFont font(canvas.Dc(), Font(-12));
    win::SetBkMode(canvas.Dc(), c.mode);
    win::SetBkColor(canvas.Dc(), RGB(255, 255, 0));
    ASSERT_TRUE(win::TextOutW(canvas.Dc(), 4, 4, L"ii", 2));
    const SIZE size = Extent(canvas.Dc(), L"ii");
    int yellow = 0;
    for (int y = 0; y < canvas.Height(); ++y)
      for (int x = 0; x < canvas.Width(); ++x)
        if (canvas.At(x, y) == 0xFFFF00) {
          ++yellow;
          EXPECT_TRUE(x >= 4 && x < 4 + size.cx && y >= 4 && y < 4 + size.cy) << x << "," << y;
        }
    if (c.filled)
      EXPECT_GT(yellow, size.cx * size.cy / 2);
    else
      EXPECT_EQ(yellow, 0);
  }
}

TEST(GdiText, ClippingKeepsTextInsideTheRectangle) {
  Canvas canvas(200, 40);
  UseFont font(canvas.Dc(), Font(-20));
  win::SetBkMode(canvas.Dc(), TRANSPARENT);
  const RECT clip{10, 8, 40, 20};
  const std::wstring text = L"WWWWWWWW";
  ASSERT_TRUE(win::ExtTextOutW(canvas.Dc(), 5, 2, ETO_CLIPPED, &clip, text.c_str(), static_cast<UINT>(text.size()),
                               nullptr));
  const Canvas::Ink ink = canvas.InkOn(kWhite);
  ASSERT_GT(ink.count, 0);
  EXPECT_GE(ink.left, 10);
  EXPECT_GE(ink.top, 8);
  EXPECT_LT(ink.right, 40);
  EXPECT_LT(ink.bottom, 20);
  // ETO_OPAQUE fills the rectangle with the background colour, however short the text.
  canvas.Clear(kWhite);
  win::SetBkColor(canvas.Dc(), RGB(0, 128, 0));
  ASSERT_TRUE(win::ExtTextOutW(canvas.Dc(), 0, 0, ETO_OPAQUE, &clip, L"", 0, nullptr));
  EXPECT_EQ(canvas.At(10, 8), 0x008000u);
  EXPECT_EQ(canvas.At(39, 19), 0x008000u);
  EXPECT_EQ(canvas.At(40, 19), kWhite);
}

TEST(GdiText, DrawTextCentresAndMeasures) {
  Canvas canvas(160, 60);
  UseFont font(canvas.Dc(), Font(-14));
  win::SetBkMode(canvas.Dc(), TRANSPARENT);
  RECT box{20, 10, 140, 50};
  ASSERT_GT(win::DrawTextW(canvas.Dc(), L"Centre", -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE), 0);
  const Canvas::Ink ink = canvas.InkOn(kWhite);
  ASSERT_GT(ink.count, 0);
  EXPECT_NEAR(ink.cx, 80.0, 4.0);
  EXPECT_NEAR(ink.cy, 30.0, 4.0);

  RECT calc{5, 7, 5, 7};
  const int height = win::DrawTextW(canvas.Dc(), L"Centre", -1, &calc, DT_CALCRECT | DT_SINGLELINE);
  const SIZE size = Extent(canvas.Dc(), L"Centre");
  EXPECT_EQ(calc.right - calc.left, size.cx);
  EXPECT_EQ(calc.bottom - calc.top, size.cy);
  EXPECT_EQ(height, size.cy);
  RECT twoLines{0, 0, 0, 0};
  EXPECT_EQ(win::DrawTextW(canvas.Dc(), L"a\nbb", -1, &twoLines, DT_CALCRECT), 2 * size.cy);
  EXPECT_EQ(twoLines.right, Extent(canvas.Dc(), L"bb").cx);
}

TEST(GdiText, PrefixesAndEllipses) {
  Canvas canvas(8, 8);
  UseFont font(canvas.Dc(), Font(-12));
  struct Case {
    const wchar_t* text;
    UINT format;
    const wchar_t* shown;
  };
  for (const Case& c : {Case{L"&File", 0, L"File"}, Case{L"A&&B", 0, L"A&B"}, Case{L"&File", DT_NOPREFIX, L"&File"}}) {
    SCOPED_TRACE(testing::Message() << std::string(c.text, c.text + std::wcslen(c.text)));
    RECT r{0, 0, 0, 0};
    win::DrawTextW(canvas.Dc(), c.text, -1, &r, DT_CALCRECT | DT_SINGLELINE | c.format);
    EXPECT_EQ(r.right, Extent(canvas.Dc(), c.shown).cx);
  }
  RECT narrow{0, 0, 40, 20};
  win::DrawTextW(canvas.Dc(), L"A long caption that does not fit", -1, &narrow,
                 DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS);
  EXPECT_LE(narrow.right, 40);
  EXPECT_GT(narrow.right, 0);

  // The prefixed character is underlined: more ink than without the prefix.
  Canvas plain(60, 24), prefixed(60, 24);
  for (Canvas* c : {&plain, &prefixed}) {
    UseFont f(c->Dc(), Font(-12));
    win::SetBkMode(c->Dc(), TRANSPARENT);
    RECT r{0, 0, 60, 24};
    win::DrawTextW(c->Dc(), c == &plain ? L"File" : L"&File", -1, &r, DT_SINGLELINE);
  }
  EXPECT_GT(prefixed.InkOn(kWhite).count, plain.InkOn(kWhite).count);
}

TEST(GdiText, UnderlineAndStrikeOutAddLines) {
  auto inkWith = [](BYTE underline, BYTE strike) {
    Canvas canvas(80, 30);
    LOGFONTW lf = Font(-14);
    lf.lfUnderline = underline;
    lf.lfStrikeOut = strike;
    UseFont font(canvas.Dc(), lf);
    win::SetBkMode(canvas.Dc(), TRANSPARENT);
    win::TextOutW(canvas.Dc(), 2, 2, L"mm", 2);
    return canvas.InkOn(kWhite).count;
  };
  const int plain = inkWith(0, 0);
  EXPECT_GT(inkWith(1, 0), plain);
  EXPECT_GT(inkWith(0, 1), plain);
}

TEST(GdiText, WithoutFontFilesTextFailsAndMeasuringFallsBack) {
  win::gdi::ScopedFontFolders none({"/nonexistent-font-folder"});
  Canvas canvas(40, 20);
  UseFont font(canvas.Dc(), Font(-12));
  SIZE size{};
  ASSERT_TRUE(win::GetTextExtentPoint32W(canvas.Dc(), L"abcd", 4, &size));
  EXPECT_EQ(size.cx, 4 * 6);
  EXPECT_EQ(size.cy, 12);
  TEXTMETRICW tm{};
  EXPECT_TRUE(win::GetTextMetricsW(canvas.Dc(), &tm));
  EXPECT_FALSE(win::TextOutW(canvas.Dc(), 0, 0, L"abcd", 4));
  RECT r{0, 0, 40, 20};
  EXPECT_EQ(win::DrawTextW(canvas.Dc(), L"abcd", -1, &r, DT_SINGLELINE), 0);
  EXPECT_EQ(canvas.InkOn(kWhite).count, 0);
}

TEST(GdiText, FontsComeAndGoWithoutLeaking) {
  const std::size_t before = win::gdi::LiveObjectCount();
  {
    Canvas canvas(8, 8);
    const LOGFONTW lf = Font(-11, FW_BOLD);
    HFONT font = win::CreateFontIndirectW(&lf);
    ASSERT_NE(font, nullptr);
    HGDIOBJ previous = win::SelectObject(canvas.Dc(), font);
    EXPECT_NE(previous, nullptr);
    LOGFONTW back{};
    EXPECT_EQ(win::GetObjectW(font, sizeof back, &back), static_cast<int>(sizeof back));
    EXPECT_EQ(back.lfWeight, FW_BOLD);
    EXPECT_TRUE(win::DeleteObject(font));
    EXPECT_EQ(win::SelectObject(canvas.Dc(), previous), font) << "a selected font lives until it leaves its DC";
    EXPECT_EQ(win::GetObjectW(font, sizeof back, &back), 0);
  }
  EXPECT_EQ(win::gdi::LiveObjectCount(), before);
  HGDIOBJ gui = win::GetStockObject(DEFAULT_GUI_FONT);
  ASSERT_NE(gui, nullptr);
  EXPECT_TRUE(win::DeleteObject(gui));
  EXPECT_EQ(win::GetStockObject(DEFAULT_GUI_FONT), gui) << "stock objects stay";
}

}  // namespace
