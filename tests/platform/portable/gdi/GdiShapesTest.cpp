// Pens, shapes, the colour-keyed blit and the DC's state (viewport origin,
// clip rectangle, saved states) in the portable GDI, pixel by pixel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/portable/gdi/GdiCanvas.h"
#include "platform/portable/gdi/GdiControl.h"
#include "platform/win/Gdi.h"
#include "platform/win/GdiHandles.h"

namespace {

using gdi_test::Canvas;

constexpr std::uint32_t kWhite = 0xFFFFFF;

// The canvas as rows of characters: '.' white, and `mark` for every other colour given.
std::vector<std::string> Picture(const Canvas& c, std::uint32_t a, std::uint32_t b = 0xFFFFFFFF) {
  std::vector<std::string> rows;
  for (int y = 0; y < c.Height(); ++y) {
    std::string row;
    for (int x = 0; x < c.Width(); ++x) {
      const std::uint32_t p = c.At(x, y);
      row += p == kWhite ? '.' : p == a ? 'a' : p == b ? 'b' : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) { selected_.Select(dc, object); }

 private:
  win::SelectedObject selected_;
};

TEST(GdiShapes, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
  struct Case {
    const char* what;
    bool pen;
    bool brush;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases{
      {"pen and brush", true, true, {"......", ".aaaa.", ".abba.", ".aaaa.", "......"}},
      {"hollow brush", true, false, {"......", ".aaaa.", ".a..a.", ".aaaa.", "......"}},
      // Without a pen GDI fills one pixel less on the right and at the bottom.
      {"null pen", false, true, {"......", ".bbb..", ".bbb..", "......", "......"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Canvas canvas(6, 5);
    win::GdiObjectHandle<HPEN> pen(win::CreatePen(PS_SOLID, 1, RGB(255, 0, 0)));
    win::GdiObjectHandle<HBRUSH> brush(win::CreateSolidBrush(RGB(0, 0, 255)));
    Selected p(canvas.Dc(), c.pen ? pen.Get() : win::GetStockObject(NULL_PEN));
    Selected b(canvas.Dc(), c.brush ? static_cast<HGDIOBJ>(brush.Get()) : win::GetStockObject(NULL_BRUSH));
    ASSERT_TRUE(win::Rectangle(canvas.Dc(), 1, 1, 5, 4));
    EXPECT_EQ(Picture(canvas, 0xFF0000, 0x0000FF), c.expected);
  }
}

TEST(GdiShapes, FrameRectLinesAndPolygon) {
  Canvas canvas(6, 5);
  win::GdiObjectHandle<HBRUSH> brush(win::CreateSolidBrush(RGB(0, 128, 0)));
  RECT r{0, 0, 4, 3};
  ASSERT_NE(win::FrameRect(canvas.Dc(), &r, brush.Get()), 0);
  EXPECT_EQ(Picture(canvas, 0x008000),
            (std::vector<std::string>{"aaaa..", "a..a..", "aaaa..", "......", "......"}));

  canvas.Clear(0xFFFFFF);
  Selected pen(canvas.Dc(), win::GetStockObject(BLACK_PEN));
  POINT last{};
  ASSERT_TRUE(win::MoveToEx(canvas.Dc(), 0, 4, nullptr));
  ASSERT_TRUE(win::LineTo(canvas.Dc(), 5, 4));  // the end point is left out
  ASSERT_TRUE(win::LineTo(canvas.Dc(), 5, 0));
  ASSERT_TRUE(win::MoveToEx(canvas.Dc(), 0, 0, &last));
  EXPECT_EQ(last.x, 5);
  EXPECT_EQ(last.y, 0);
  EXPECT_EQ(Picture(canvas, 0x000000),
            (std::vector<std::string>{"......", ".....a", ".....a", ".....a", "aaaaaa"}))
      << "each line leaves its end out, and the next one starts there";

  // A drop-down arrow: a filled triangle pointing down.
  // Pixels whose centres lie inside are filled, so the right edge stays open as Rectangle's does.
  Canvas arrow(6, 4);
  Selected nullPen(arrow.Dc(), win::GetStockObject(NULL_PEN));
  Selected black(arrow.Dc(), win::GetStockObject(BLACK_BRUSH));
  const POINT tri[] = {{0, 0}, {6, 0}, {3, 3}};
  ASSERT_TRUE(win::Polygon(arrow.Dc(), tri, 3));
  EXPECT_EQ(Picture(arrow, 0x000000), (std::vector<std::string>{"aaaaa.", ".aaa..", "..a...", "......"}));
}

TEST(GdiShapes, TransparentBltSkipsTheKeyColour) {
  Canvas source(3, 2, RGB(255, 0, 255));
  win::GdiObjectHandle<HBRUSH> red(win::CreateSolidBrush(RGB(255, 0, 0)));
  RECT dot{1, 0, 2, 2};
  win::FillRect(source.Dc(), &dot, red.Get());
  Canvas target(5, 3, RGB(0, 0, 255));
  ASSERT_TRUE(win::TransparentBlt(target.Dc(), 1, 1, 3, 2, source.Dc(), 0, 0, 3, 2, RGB(255, 0, 255)));
  EXPECT_EQ(Picture(target, 0x0000FF, 0xFF0000),
            (std::vector<std::string>{"aaaaa", "aabaa", "aabaa"}));
  // Stretched twice as wide: the key is still left out.
  target.Clear(RGB(0, 0, 255));
  ASSERT_TRUE(win::TransparentBlt(target.Dc(), 0, 0, 6, 2, source.Dc(), 0, 0, 3, 2, RGB(255, 0, 255)));
  EXPECT_EQ(Picture(target, 0x0000FF, 0xFF0000)[0], "aabba");
}

// Every primitive, drawn at logical (0,0)-(2,2) in red.
using Primitive = void (*)(HDC);
const std::vector<std::pair<const char*, Primitive>>& Primitives() {
  static const std::vector<std::pair<const char*, Primitive>> list{
      {"FillRect",
       [](HDC dc) {
         RECT r{0, 0, 2, 2};
         HBRUSH brush = win::CreateSolidBrush(RGB(255, 0, 0));
         win::FillRect(dc, &r, brush);
         win::DeleteObject(brush);
       }},
      {"Rectangle",
       [](HDC dc) {
         HPEN pen = win::CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
         HGDIOBJ old = win::SelectObject(dc, pen);
         HGDIOBJ oldBrush = win::SelectObject(dc, win::GetStockObject(NULL_BRUSH));
         win::Rectangle(dc, 0, 0, 2, 2);
         win::SelectObject(dc, oldBrush);
         win::SelectObject(dc, old);
         win::DeleteObject(pen);
       }},
      {"BitBlt",
       [](HDC dc) {
         Canvas red(2, 2, RGB(255, 0, 0));
         win::BitBlt(dc, 0, 0, 2, 2, red.Dc(), 0, 0, SRCCOPY);
       }},
      {"StretchBlt",
       [](HDC dc) {
         Canvas red(1, 1, RGB(255, 0, 0));
         win::StretchBlt(dc, 0, 0, 2, 2, red.Dc(), 0, 0, 1, 1, SRCCOPY);
       }},
      {"TransparentBlt",
       [](HDC dc) {
         Canvas red(2, 2, RGB(255, 0, 0));
         win::TransparentBlt(dc, 0, 0, 2, 2, red.Dc(), 0, 0, 2, 2, RGB(0, 255, 0));
       }},
      {"Polygon",
       [](HDC dc) {
         HBRUSH brush = win::CreateSolidBrush(RGB(255, 0, 0));
         HGDIOBJ old = win::SelectObject(dc, brush);
         HGDIOBJ oldPen = win::SelectObject(dc, win::GetStockObject(NULL_PEN));
         const POINT square[] = {{0, 0}, {2, 0}, {2, 2}, {0, 2}};
         win::Polygon(dc, square, 4);
         win::SelectObject(dc, oldPen);
         win::SelectObject(dc, old);
         win::DeleteObject(brush);
       }},
      {"LineTo",
       [](HDC dc) {
         HPEN pen = win::CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
         HGDIOBJ old = win::SelectObject(dc, pen);
         win::MoveToEx(dc, 0, 0, nullptr);
         win::LineTo(dc, 2, 2);
         win::MoveToEx(dc, 1, 0, nullptr);
         win::LineTo(dc, 1, 2);
         win::SelectObject(dc, old);
         win::DeleteObject(pen);
       }},
  };
  return list;
}

TEST(GdiShapes, ViewportOriginShiftsAndClipRectsCutEveryPrimitive) {
  for (const auto& [name, draw] : Primitives()) {
    SCOPED_TRACE(name);
    Canvas canvas(8, 8);
    POINT old{};
    ASSERT_TRUE(win::SetViewportOrgEx(canvas.Dc(), 3, 3, &old));
    EXPECT_EQ(old.x, 0);
    draw(canvas.Dc());
    Canvas::Ink ink = canvas.InkOn(kWhite);
    ASSERT_GT(ink.count, 0);
    EXPECT_EQ(ink.left, 3);
    EXPECT_EQ(ink.top, 3);
    EXPECT_LE(ink.right, 4);
    EXPECT_LE(ink.bottom, 4);

    // A clip rectangle in logical coordinates keeps only its column.
    canvas.Clear(0xFFFFFF);
    const int saved = win::SaveDC(canvas.Dc());
    ASSERT_GT(saved, 0);
    EXPECT_EQ(win::IntersectClipRect(canvas.Dc(), 1, 0, 2, 2), SIMPLEREGION);
    draw(canvas.Dc());
    ink = canvas.InkOn(kWhite);
    ASSERT_GT(ink.count, 0);
    EXPECT_EQ(ink.left, 4);
    EXPECT_EQ(ink.right, 4);
    // Restoring brings back the unclipped, shifted DC.
    ASSERT_TRUE(win::RestoreDC(canvas.Dc(), -1));
    canvas.Clear(0xFFFFFF);
    draw(canvas.Dc());
    EXPECT_EQ(canvas.InkOn(kWhite).left, 3);
    ASSERT_TRUE(win::SetViewportOrgEx(canvas.Dc(), 0, 0, nullptr));
    canvas.Clear(0xFFFFFF);
    draw(canvas.Dc());
    EXPECT_EQ(canvas.InkOn(kWhite).left, 0);
  }
}

TEST(GdiShapes, SavedStatesKeepColoursAndObjects) {
  Canvas canvas(4, 4);
  HDC dc = canvas.Dc();
  EXPECT_EQ(win::GetTextColor(dc), RGB(0, 0, 0));
  EXPECT_EQ(win::GetBkColor(dc), RGB(255, 255, 255));
  EXPECT_EQ(win::GetBkMode(dc), OPAQUE);
  const int first = win::SaveDC(dc);
  win::SetTextColor(dc, RGB(1, 2, 3));
  win::SetBkMode(dc, TRANSPARENT);
  HGDIOBJ pen = win::CreatePen(PS_SOLID, 1, RGB(9, 9, 9));
  HGDIOBJ before = win::SelectObject(dc, pen);
  EXPECT_EQ(win::SaveDC(dc), first + 1);
  win::SetTextColor(dc, RGB(4, 5, 6));
  ASSERT_TRUE(win::RestoreDC(dc, first + 1));
  EXPECT_EQ(win::GetTextColor(dc), RGB(1, 2, 3));
  ASSERT_TRUE(win::RestoreDC(dc, first));
  EXPECT_EQ(win::GetTextColor(dc), RGB(0, 0, 0));
  EXPECT_EQ(win::GetBkMode(dc), OPAQUE);
  EXPECT_FALSE(win::RestoreDC(dc, first)) << "that state is used up";
  EXPECT_EQ(win::SelectObject(dc, before), before) << "the pen went back with the state";
  EXPECT_TRUE(win::DeleteObject(pen));
}

TEST(GdiShapes, ObjectsHeldBySavedStatesGoWhenTheLastHolderLetsGo) {
  const std::size_t before = win::gdi::LiveObjectCount();
  {
    Canvas canvas(4, 4);
    HPEN pen = win::CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HBRUSH brush = win::CreateSolidBrush(RGB(0, 255, 0));
    HGDIOBJ oldPen = win::SelectObject(canvas.Dc(), pen);
    HGDIOBJ oldBrush = win::SelectObject(canvas.Dc(), brush);
    win::SaveDC(canvas.Dc());
    win::SelectObject(canvas.Dc(), oldPen);
    win::SelectObject(canvas.Dc(), oldBrush);
    EXPECT_TRUE(win::DeleteObject(pen));
    EXPECT_TRUE(win::DeleteObject(brush));
    ASSERT_TRUE(win::RestoreDC(canvas.Dc(), -1));
    // Still usable: the saved state held them.
    ASSERT_TRUE(win::Rectangle(canvas.Dc(), 0, 0, 3, 3));
    EXPECT_EQ(canvas.At(0, 0), 0xFF0000u);
    EXPECT_EQ(canvas.At(1, 1), 0x00FF00u);
    win::SelectObject(canvas.Dc(), oldPen);
    win::SelectObject(canvas.Dc(), oldBrush);
  }
  EXPECT_EQ(win::gdi::LiveObjectCount(), before);
}

TEST(GdiShapes, StockAndSystemColourObjects) {
  Canvas canvas(3, 3);
  RECT all{0, 0, 3, 3};
  ASSERT_NE(win::FillRect(canvas.Dc(), &all, win::GetSysColorBrush(COLOR_BTNFACE)), 0);
  const COLORREF face = win::GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(canvas.At(1, 1), ((face & 0xFF) << 16) | (face & 0xFF00) | ((face >> 16) & 0xFF));
  // A colour index + 1 stands for the colour's brush, as class backgrounds give it.
  ASSERT_NE(win::FillRect(canvas.Dc(), &all, reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_WINDOW + 1))),
            0);
  EXPECT_EQ(canvas.At(1, 1), kWhite);
  HGDIOBJ old = win::SelectObject(canvas.Dc(), win::GetStockObject(DC_BRUSH));
  win::SetDCBrushColor(canvas.Dc(), RGB(0, 0, 128));
  win::SelectObject(canvas.Dc(), win::GetStockObject(NULL_PEN));
  win::Rectangle(canvas.Dc(), 0, 0, 3, 3);
  EXPECT_EQ(canvas.At(0, 0), 0x000080u);
  win::SelectObject(canvas.Dc(), old);
  EXPECT_EQ(win::GetSysColorBrush(1000), nullptr);
}

}  // namespace
