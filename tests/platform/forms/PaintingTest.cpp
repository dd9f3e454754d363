// What the toolkit's controls look like: pictures of real windows (printed
// through the window system) and of bitmaps painted through a canvas, read
// back pixel by pixel.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/forms/PngWriter.h"
#include "platform/forms/TCanvas.h"
#include "platform/forms/TForm.h"
#include "platform/forms/TImageList.h"
#include "platform/forms/TLabel.h"
#include "platform/forms/TStaticText.h"
#include "platform/forms/TToolBar.h"
#include "platform/forms/WindowPicture.h"
#include "platform/win/WindowTestSupport.h"
#include "support/BuiltModule.h"

namespace {

using namespace forms;
using window_test::TestClass;

std::uint32_t Rgb(std::uint32_t pixel) { return pixel & 0xFFFFFF; }

// 0x00RRGGBB of a colour as a picture stores it.
std::uint32_t Rgb(TColor colour) { return Rgb(TCanvas::Resolve(colour)); }

// The bounding box of the pixels inside `area` that are not `ground`.
struct Ink {
  RECT box{0, 0, 0, 0};
  int count = 0;
  long sumX = 0;
  long sumY = 0;
};

Ink InkIn(const TBitmap& picture, RECT area, std::uint32_t ground) {
  Ink ink;
  ink.box = RECT{area.right, area.bottom, area.left, area.top};
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) {
      if (Rgb(picture.Pixel(x, y)) == Rgb(ground)) continue;
      ++ink.count;
      ink.sumX += x;
      ink.sumY += y;
      ink.box.left = std::min<LONG>(ink.box.left, x);
      ink.box.top = std::min<LONG>(ink.box.top, y);
      ink.box.right = std::max<LONG>(ink.box.right, x + 1);
      ink.box.bottom = std::max<LONG>(ink.box.bottom, y + 1);
    }
  return ink;
}

TBitmap Part(const TBitmap& picture, const RECT& r) {
  TBitmap part(r.right - r.left, r.bottom - r.top);
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) part.SetPixel(x - r.left, y - r.top, Rgb(picture.Pixel(x, y)));
  return part;
}

// A 16 x 16 image: a saturated blue square with a red centre.
TBitmap ColourfulImage() {
  TBitmap image(16, 16, 0xFF2040E0u);
  image.FillRect(4, 4, 12, 12, 0xFFE02020u);
  return image;
}

// With VORNIE_TEST_PICTURES set to a folder, the pictures the tests read are
// also saved there as PNG files, for a person to look at.
void Keep(const TBitmap& picture, const char* name) {
  const char* folder = std::getenv("VORNIE_TEST_PICTURES");
  if (folder && *folder) SavePng(picture, std::filesystem::path(folder) / (std::string(name) + ".png"));
}

class PaintingTest : public testing::Test {
 protected:
  // A flat bar without edges on the form, its images the one colourful image.
  static TToolBar* ColourfulBar(TForm& form) {
    auto* images = new TImageList(&form);
    images->SetSize(16, 16);
    images->Add(ColourfulImage());
    auto* bar = new TToolBar(&form);
    bar->SetParent(&form);
    bar->SetEdgeBorders(0);
    bar->SetFlat(true);
    bar->SetImages(images);
    return bar;
  }

  TestClass hostClass_;
  HWND host_ = hostClass_.Top(RECT{100, 100, 700, 160});
};

// A bar of three buttons: plain, down (checked) and disabled, all with the same image.
TEST_F(PaintingTest, ToolButtonsShowTheirStateInTheirLooks) {
  TForm form(nullptr, host_);
  form.SetBounds(0, 0, 300, 30);
  auto* bar = ColourfulBar(form);
  std::vector<TToolButton*> buttons;
  for (int i = 0; i < 3; ++i) {
    auto* button = new TToolButton(&form);
    button->SetImageIndex(0);
    button->SetParent(bar);
    buttons.push_back(button);
  }
  buttons[1]->SetDown(true);
  buttons[2]->SetEnabled(false);
  form.Show();

  const TBitmap picture = WindowPicture(form.Handle());
  auto rectOf = [&](TToolButton* b) {
    const POINT at = b->ClientToScreen(POINT{0, 0});
    RECT frame{};
    win::GetWindowRect(form.Handle(), &frame);
    return RECT{at.x - frame.left, at.y - frame.top, at.x - frame.left + b->Width(), at.y - frame.top + b->Height()};
  };
  const TBitmap plain = Part(picture, rectOf(buttons[0]));
  const TBitmap down = Part(picture, rectOf(buttons[1]));
  const TBitmap disabled = Part(picture, rectOf(buttons[2]));

  // The plain button shows its image, in colour, on the bar's face.
  EXPECT_EQ(Rgb(plain.Pixel(plain.Width() / 2, plain.Height() / 2)), 0xE02020u);
  EXPECT_EQ(Rgb(plain.Pixel(1, 1)), Rgb(clBtnFace));
  // Down: the same image on another ground with a sunken edge, so it looks different.
  EXPECT_NE(down, plain);
  EXPECT_NE(Rgb(down.Pixel(0, 0)), Rgb(clBtnFace)) << "a checked button has an edge";
  // Disabled: the image is there but grey (every channel equal) and not the face colour.
  const std::uint32_t centre = Rgb(disabled.Pixel(disabled.Width() / 2, disabled.Height() / 2));
  EXPECT_EQ(centre >> 16, (centre >> 8) & 0xFF);
  EXPECT_EQ(centre & 0xFF, (centre >> 8) & 0xFF);
  EXPECT_NE(centre, Rgb(clBtnFace));
  const Ink greyInk = InkIn(disabled, RECT{0, 0, disabled.Width(), disabled.Height()}, Rgb(clBtnFace));
  EXPECT_GE(greyInk.count, 16 * 16 / 2) << "the greyed image is still visible";
}

TEST_F(PaintingTest, TheHotButtonIsRaisedAndShowsItsHotImage) {
  TForm form(nullptr, host_);
  form.SetBounds(0, 0, 300, 30);
  auto* hot = new TImageList(&form);
  hot->SetSize(16, 16);
  hot->Add(TBitmap(16, 16, 0xFF20C020u));
  auto* bar = ColourfulBar(form);
  bar->SetHotImages(hot);
  auto* button = new TToolButton(&form);
  button->SetImageIndex(0);
  button->SetParent(bar);
  form.Show();

  const TBitmap before = WindowPicture(bar->Handle());
  bar->SetHotButton(button);
  const TBitmap after = WindowPicture(bar->Handle());
  const POINT middle{button->Left() + button->Width() / 2, button->Top() + button->Height() / 2};
  EXPECT_EQ(Rgb(before.Pixel(middle.x, middle.y)), 0xE02020u);
  EXPECT_EQ(Rgb(after.Pixel(middle.x, middle.y)), 0x20C020u);
  // Raised or lit: its edge is no longer the bar's face (each system has its own hot look).
  EXPECT_NE(Rgb(after.Pixel(button->Left(), button->Top())), Rgb(before.Pixel(button->Left(), button->Top())));
  bar->SetHotButton(nullptr);
  EXPECT_EQ(WindowPicture(bar->Handle()), before);
}

TEST_F(PaintingTest, CaptionsAndDropDownArrowsAreDrawnWhereTheLayoutPutsThem) {
  TForm form(nullptr, host_);
  form.SetBounds(0, 0, 400, 30);
  auto* bar = ColourfulBar(form);
  bar->SetShowCaptions(true);
  bar->SetList(true);
  bar->SetWrapable(false);
  auto* button = new TToolButton(&form);
  button->SetImageIndex(0);
  button->SetAutoSize(true);
  button->SetStyle(tbsDropDown);
  button->SetCaption(L"Domain links");
  button->SetParent(bar);
  form.Show();

  const TBitmap picture = WindowPicture(bar->Handle());
  Keep(picture, "caption-and-arrow");
  const TTextSize text = TextExtent(bar->Font(), L"Domain links");
  // The caption's pixels lie within its measured extent, beside the image.
  const int textLeft = button->Left() + 3 + 16 + 4;
  const RECT captionArea{textLeft, button->Top(), button->Left() + button->Width() - TToolBar::kDropDownArrowWidth,
                         button->Top() + button->Height()};
  const Ink ink = InkIn(picture, captionArea, Rgb(clBtnFace));
  ASSERT_GT(ink.count, 20) << "no caption drawn";
  EXPECT_GE(ink.box.left, textLeft);
  EXPECT_LE(ink.box.right, textLeft + text.cx);
  const int textTop = button->Top() + (button->Height() - text.cy) / 2;
  EXPECT_GE(ink.box.top, textTop);
  EXPECT_LE(ink.box.bottom, textTop + text.cy);
  // The arrow part holds a dark mark pointing down (a triangle or a chevron),
  // wider at its top than at its bottom.
  const RECT arrow{button->Left() + button->Width() - TToolBar::kDropDownArrowWidth, button->Top(),
                   button->Left() + button->Width(), button->Top() + button->Height()};
  const Ink arrowInk = InkIn(picture, arrow, Rgb(clBtnFace));
  ASSERT_GE(arrowInk.count, 5);
  auto rowCount = [&](int y) {
    int n = 0;
    for (int x = arrow.left; x < arrow.right; ++x) {
      const std::uint32_t p = Rgb(picture.Pixel(x, y));
      n += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 3 * 0x80;
    }
    return n;
  };
  EXPECT_GT(rowCount(arrowInk.box.top), rowCount(arrowInk.box.bottom - 1));
}

TEST_F(PaintingTest, AStaticTextShowsItsFrameAndColoursWhereTheLayoutPutsThem) {
  TForm form(nullptr, host_);
  form.SetBounds(0, 0, 300, 30);
  form.SetColor(clBtnFace);
  auto* text = new TStaticText(&form);
  text->SetParent(&form);
  text->SetBorderStyle(sbsSingle);
  text->SetColor(0x00FFFF);  // yellow ground
  text->SetFontColor(clRed);
  text->SetCaption(L"  Rating: 5  ");
  text->SetLeft(40);
  text->SetTop(4);
  form.Show();

  const TBitmap picture = WindowPicture(form.Handle());
  const RECT r = text->BoundsRect();
  // The one-pixel frame on every side (the system's frame colour), the ground inside, the form around.
  const std::uint32_t frame = Rgb(clWindowFrame);
  EXPECT_EQ(Rgb(picture.Pixel(r.left, r.top + 3)), frame);
  EXPECT_EQ(Rgb(picture.Pixel(r.right - 1, r.top + 3)), frame);
  EXPECT_EQ(Rgb(picture.Pixel(r.left + 3, r.bottom - 1)), frame);
  EXPECT_NE(frame, 0xFFFF00u);
  EXPECT_EQ(Rgb(picture.Pixel(r.left + 1, r.top + 1)), 0xFFFF00u);
  EXPECT_EQ(Rgb(picture.Pixel(r.left - 1, r.top)), Rgb(clBtnFace));
  // The text is red, inside the frame.
  const Ink ink = InkIn(picture, RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, 0xFFFF00u);
  ASSERT_GT(ink.count, 10);
  // Smoothed edges blend into the ground, so count the pixels that are clearly red.
  int red = 0;
  for (int y = ink.box.top; y < ink.box.bottom; ++y)
    for (int x = ink.box.left; x < ink.box.right; ++x) {
      const std::uint32_t p = Rgb(picture.Pixel(x, y));
      red += (p >> 16) >= 0xC0 && ((p >> 8) & 0xFF) < 0x80 && (p & 0xFF) < 0x80;
    }
  EXPECT_GT(red, 5) << "the caption is drawn in the font's colour";
}

// A row as the main toolbar will have it, with the module's own icons: plain,
// checked, disabled and hot buttons, drop-down buttons, a list-style button
// with its caption, and a framed static text.
TEST_F(PaintingTest, AToolbarRowWithTheModulesIconsShowsEveryButton) {
  testing_support::BuiltModule module(VORN_MODULE_PATH);
  ASSERT_NE(module.Instance(), nullptr);
  TForm form(nullptr, host_);
  form.SetBounds(0, 0, 560, 22);
  auto* images = new TImageList(&form);
  images->SetSize(16, 16);
  images->LoadStrip(module.Instance(), L"MainToolbar");
  auto* hot = new TImageList(&form);
  hot->SetSize(16, 16);
  hot->LoadStrip(module.Instance(), L"MainToolbarHot");
  auto* bar = new TToolBar(&form);
  bar->SetParent(&form);
  bar->SetAlign(alLeft);
  bar->SetAutoSize(true);
  bar->SetFlat(true);
  bar->SetEdgeBorders(0);
  bar->SetWrapable(false);
  bar->SetImages(images);
  bar->SetHotImages(hot);
  const int icons[] = {9, 0, 15, 4, 6, 16, 10, 3, 17, 7, 18, 11, 22, 21, 19, 20, 23};
  std::vector<TToolButton*> buttons;
  for (int icon : icons) {
    auto* button = new TToolButton(&form);
    button->SetImageIndex(icon);
    button->SetAutoSize(true);
    if (icon == 21 || icon == 19 || icon == 23) button->SetStyle(tbsDropDown);
    button->SetParent(bar);
    buttons.push_back(button);
  }
  buttons[2]->SetDown(true);
  buttons[8]->SetEnabled(false);
  bar->SetHotButton(buttons[4]);
  auto* list = new TToolBar(&form);
  list->SetParent(&form);
  list->SetAlign(alClient);
  list->SetFlat(true);
  list->SetEdgeBorders(0);
  list->SetList(true);
  list->SetShowCaptions(true);
  list->SetWrapable(false);
  list->SetImages(images);
  auto* links = new TToolButton(&form);
  links->SetImageIndex(14);
  links->SetAutoSize(true);
  links->SetCaption(L"Domain links");
  links->SetParent(list);
  form.Show();

  const TBitmap picture = WindowPicture(form.Handle());
  Keep(picture, "toolbar-row");
  // Every button shows its icon: some pixels of its face differ from the face colour.
  for (TToolButton* button : buttons) {
    const POINT at = button->ClientToScreen(POINT{0, 0});
    RECT frame{};
    win::GetWindowRect(form.Handle(), &frame);
    const RECT r{at.x - frame.left, at.y - frame.top, at.x - frame.left + button->Width(),
                 at.y - frame.top + button->Height()};
    EXPECT_GT(InkIn(picture, r, Rgb(clBtnFace)).count, 40) << "button with image " << button->ImageIndex();
  }
  // The list toolbar begins where the buttons end and shows its caption.
  EXPECT_EQ(list->Left(), bar->Width());
  EXPECT_GT(InkIn(picture, RECT{list->Left() + 3 + 16 + 4, 0, list->Left() + links->Width(), 22}, Rgb(clBtnFace)).count,
            20);
}

// A picture painted in code, as the rating pictures are: a coloured box with
// a number centred in it.
TEST(CanvasPictureTest, TextCentredInARectangleIsCentred) {
  TBitmap picture(40, 20, 0xFFFFFFFFu);
  TCanvas canvas(picture);
  canvas.Brush.Color = 0x0000C0;  // dark red
  canvas.FillRect(RECT{0, 0, 40, 20});
  canvas.Brush.Style = bsClear;
  canvas.Font.Color = clWhite;
  canvas.TextCentred(RECT{0, 0, 40, 20}, L"10");
  const Ink ink = InkIn(picture, RECT{0, 0, 40, 20}, 0xC00000u);
  ASSERT_GT(ink.count, 10);
  EXPECT_NEAR(static_cast<double>(ink.sumX) / ink.count, 20.0, 2.5);
  EXPECT_NEAR(static_cast<double>(ink.sumY) / ink.count, 10.0, 2.5);
  // The background around the text stays as filled.
  EXPECT_EQ(Rgb(picture.Pixel(0, 0)), 0xC00000u);
  EXPECT_EQ(Rgb(picture.Pixel(39, 19)), 0xC00000u);
}

TEST(CanvasPictureTest, WiderTextsAndBolderFontsMeasureWider) {
  TFont font;
  const TTextSize one = TextExtent(font, L"Rating");
  const TTextSize two = TextExtent(font, L"Rating: 10");
  EXPECT_GT(one.cx, 0);
  EXPECT_GT(two.cx, one.cx);
  EXPECT_EQ(two.cy, one.cy);
  EXPECT_EQ(TextExtent(font, L"a\r\nb").cy, 2 * one.cy);
  TFont bold = font;
  bold.Style = fsBold;
  EXPECT_GT(TextExtent(bold, L"Rating: 10").cx, two.cx);
  TFont large = font;
  large.Height = -22;
  EXPECT_GT(TextExtent(large, L"Rating").cy, one.cy);
  // For comparing the builds' fonts: the widest caption the toolbars show.
  const TTextSize links = TextExtent(font, L"Domain links");
  RecordProperty("DomainLinksExtent", std::to_string(links.cx) + "x" + std::to_string(links.cy));
}

TEST(CanvasPictureTest, ShapesAndTransparentPicturesDrawExactPixels) {
  TBitmap picture(20, 20, 0xFFFFFFFFu);
  TCanvas canvas(picture);
  canvas.Pen = TPen{clBlue, 1, psSolid};
  canvas.Brush = TBrush{clLime, bsSolid};
  canvas.Rectangle(RECT{2, 2, 10, 10});
  EXPECT_EQ(Rgb(picture.Pixel(2, 2)), 0x0000FFu);   // the pen's outline
  EXPECT_EQ(Rgb(picture.Pixel(9, 9)), 0x0000FFu);
  EXPECT_EQ(Rgb(picture.Pixel(5, 5)), 0x00FF00u);   // the brush inside
  EXPECT_EQ(Rgb(picture.Pixel(10, 10)), 0xFFFFFFu);  // right and bottom edges are exclusive

  TBitmap sprite(4, 4, 0xFFFF00FFu);  // magenta is the see-through colour
  sprite.SetPixel(1, 1, 0xFF000000u);
  canvas.DrawTransparent(12, 12, sprite, static_cast<TColor>(0xFF00FF));
  EXPECT_EQ(Rgb(picture.Pixel(13, 13)), 0x000000u);
  EXPECT_EQ(Rgb(picture.Pixel(12, 12)), 0xFFFFFFu);

  // Straight alpha is blended over what is there: half-transparent black over white is grey.
  TBitmap glass(2, 2, 0x80000000u);
  glass.SetPixelFormat(pf32bit);
  canvas.Draw(0, 18, glass);
  const std::uint32_t grey = Rgb(picture.Pixel(0, 18));
  EXPECT_NEAR(static_cast<int>(grey & 0xFF), 127, 3);
}

}  // namespace
