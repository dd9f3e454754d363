#include "PortableTour.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "BrowserFrame.h"
#include "Session.h"
#include "sample_archive/SampleArchive.h"
#include "platform/com/Text.h"
#include "platform/forms/PngWriter.h"
#include "platform/forms/TBitmap.h"
#include "platform/forms/WindowPicture.h"
#include "platform/win/PopupMenuBoard.h"
#include "platform/portable/window/TestDriver.h"
#include "platform/win/Gdi.h"
#include "standins/app_server/ArchiveServer.h"

namespace vornie_browser {

namespace {

namespace driver = win::portable::driver;
namespace menus = win::portable::menus;

// The message the toolbars reconnect on when their thread retrieves it.
constexpr UINT kReconnectMessage = 0x500;
// The face colour of the toolbar rows.
constexpr std::uint32_t kFace = 0xD4D0C8;
// A flat toolbar button with a 16-pixel picture is 23 pixels wide; the main
// toolbar's first row shows the switches in this order (the hidden ones take no room).
constexpr int kButtonWidth = 23;
constexpr int kHighlightButton = 3;

// Every message queued and every timer due, until nothing more comes.
void Pump() {
  for (int round = 0; round < 50 && driver::PumpMessages() > 0; ++round) {
  }
}

void Wait(DWORD milliseconds) {
  driver::AdvanceClock(milliseconds);
  Pump();
}

std::wstring ClassOf(HWND window) {
  wchar_t name[128] = {};
  const int n = win::GetClassNameW(window, name, 128);
  return std::wstring(name, n > 0 ? n : 0);
}

std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  const int n = static_cast<int>(win::SendMessageW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text)));
  return std::wstring(text, n > 0 ? n : 0);
}

RECT RectOf(HWND window) {
  RECT r{};
  win::GetWindowRect(window, &r);
  return r;
}

POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

HWND At(POINT p) { return win::WindowFromPoint(p); }

// The innermost window at a screen point under `top`, disabled ones
// included (WindowFromPoint passes over a disabled label to its panel).
HWND Innermost(HWND top, POINT screen) {
  HWND at = top;
  for (int depth = 0; depth < 16; ++depth) {
    POINT client = screen;
    win::ScreenToClient(at, &client);
    HWND child = win::ChildWindowFromPointEx(at, client, CWP_SKIPINVISIBLE);
    if (!child || child == at) break;
    at = child;
  }
  return at;
}

// The windows a person sees along a band's row, left to right: what lies
// under each point of its middle line.
std::vector<HWND> AlongRow(HWND band) {
  const RECT r = RectOf(band);
  std::vector<HWND> seen;
  for (int x = r.left; x < r.right; x += 2) {
    HWND w = Innermost(band, POINT{x, (r.top + r.bottom) / 2});
    if (w && std::find(seen.begin(), seen.end(), w) == seen.end()) seen.push_back(w);
  }
  return seen;
}

// The nth window of the class whose text has textPart; nth -1: the last.
HWND FindInRow(HWND band, const std::wstring& cls, const std::wstring& textPart, int nth = 0) {
  HWND last = nullptr;
  for (HWND w : AlongRow(band)) {
    if (ClassOf(w) != cls || TextOf(w).find(textPart) == std::wstring::npos) continue;
    if (nth-- == 0) return w;
    last = w;
  }
  return nth < -1 ? last : nullptr;
}

// A top-level window shown over the frame: a hint or a card.
HWND PopupAt(POINT p, HWND frame) {
  HWND w = At(p);
  if (!w) return nullptr;
  while (win::GetParent(w)) w = win::GetParent(w);
  return w != frame && win::IsWindowVisible(w) ? w : nullptr;
}

void Blit(forms::TBitmap& onto, const forms::TBitmap& picture, int left, int top) {
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x)
      if (left + x >= 0 && top + y >= 0 && left + x < onto.Width() && top + y < onto.Height())
        onto.SetPixel(left + x, top + y, picture.Pixel(x, y));
}

// The menu held open, drawn by its items' own drawing code (owner-drawn
// items with their pictures) in a plain box, as the portable build has no
// menu window of its own to picture.
std::optional<forms::TBitmap> MenuPicture(const menus::MenuView& menu) {
  std::vector<std::size_t> shown;
  std::vector<SIZE> sizes;
  {
    forms::TBitmap scratch(1, 1);
    forms::TBitmapDC dc(scratch);
    for (std::size_t i = 0; i < menu.items.size(); ++i) {
      if (menu.items[i].depth != 0 || !menu.items[i].visible) continue;
      const auto size = menus::Measure(dc.Handle(), i);
      if (!size) return std::nullopt;
      shown.push_back(i);
      sizes.push_back(*size);
    }
    dc.Discard();
  }
  int width = 0, height = 0;
  for (const SIZE& s : sizes) {
    width = std::max<int>(width, s.cx);
    height += s.cy;
  }
  // As the system's menus do, an owner-drawn item gets the check mark's column beside what it measured.
  if (menu.ownerDraw) width += win::GetSystemMetrics(SM_CXMENUCHECK) - 1;
  forms::TBitmap box(width + 4, height + 4, 0xFF000000);
  {
    forms::TBitmapDC dc(box);
    int y = 2;
    for (std::size_t k = 0; k < shown.size(); ++k) {
      menus::Draw(dc.Handle(), shown[k], RECT{2, y, 2 + width, y + sizes[k].cy});
      y += sizes[k].cy;
    }
  }
  return box;
}

// Pixels of `area` (frame coordinates) that differ between two pictures.
int Differing(const forms::TBitmap& a, const forms::TBitmap& b, RECT area) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
  int n = 0;
  for (int y = std::max<LONG>(area.top, 0); y < std::min<LONG>(area.bottom, a.Height()); ++y)
    for (int x = std::max<LONG>(area.left, 0); x < std::min<LONG>(area.right, a.Width()); ++x)
      n += (a.Pixel(x, y) & 0xFFFFFF) != (b.Pixel(x, y) & 0xFFFFFF);
  return n;
}

// Pixels of `area` that are not the row's face colour.
int Drawn(const forms::TBitmap& picture, RECT area) {
  int n = 0;
  for (int y = std::max<LONG>(area.top, 0); y < std::min<LONG>(area.bottom, picture.Height()); ++y)
    for (int x = std::max<LONG>(area.left, 0); x < std::min<LONG>(area.right, picture.Width()); ++x)
      n += (picture.Pixel(x, y) & 0xFFFFFF) != kFace;
  return n;
}

class Tour {
 public:
  Tour(std::filesystem::path dir, BrowserFrame& frame) : dir_(std::move(dir)), frame_(frame) {
    log_.open(dir_ / "tour.log");
  }

  bool Failed() const { return failures_ > 0; }
  bool LogWritten() const { return static_cast<bool>(log_); }

  void Begin(std::string name) {
    name_ = std::move(name);
    did_.clear();
    checks_.clear();
    popups_.clear();
    stepFailed_ = false;
  }
  void Did(const std::string& what) { did_ += (did_.empty() ? "" : "; ") + what; }
  bool Check(bool ok, const std::string& what) {
    checks_ += std::string(checks_.empty() ? "" : "; ") + (ok ? "ok " : "FAILED ") + what;
    if (!ok) {
      ++failures_;
      stepFailed_ = true;
      std::fprintf(stderr, "vornie-browser: tour %s: FAILED %s\n", name_.c_str(), what.c_str());
    }
    return ok;
  }
  // A window over the frame that belongs in this step's picture.
  void Over(HWND popup) {
    if (popup) popups_.push_back(popup);
  }

  // The frame as a person sees it now: the frame, the windows over it and the menu held open.
  forms::TBitmap Picture() {
    forms::TBitmap picture = forms::WindowPicture(frame_.Window());
    const RECT frameRect = RectOf(frame_.Window());
    for (HWND popup : popups_) {
      if (!win::IsWindowVisible(popup)) continue;
      const RECT r = RectOf(popup);
      Blit(picture, forms::WindowPicture(popup), r.left - frameRect.left, r.top - frameRect.top);
    }
    if (const auto menu = menus::Shown()) {
      if (auto box = MenuPicture(*menu)) {
        Blit(picture, *box, menu->at.x - frameRect.left, menu->at.y - frameRect.top);
        menuDrawn_ = true;
      }
    }
    return picture;
  }

  // Saves the step's picture and writes its line; the picture stays for the next step to compare.
  const forms::TBitmap& End() {
    current_ = Picture();
    forms::SavePng(current_, dir_ / (name_ + ".png"));
    log_ << name_ << ": " << did_ << ". Checked: " << (checks_.empty() ? "nothing" : checks_) << "."
         << (stepFailed_ ? " STEP FAILED" : "") << "\n";
    log_.flush();
    previous_ = current_;
    return current_;
  }
  const forms::TBitmap& Previous() const { return previous_; }
  void Note(const std::string& line) { log_ << line << "\n"; }
  bool MenuDrawn() const { return menuDrawn_; }

 private:
  std::filesystem::path dir_;
  BrowserFrame& frame_;
  std::ofstream log_;
  std::string name_, did_, checks_;
  std::vector<HWND> popups_;
  forms::TBitmap current_, previous_;
  int failures_ = 0;
  bool stepFailed_ = false;
  bool menuDrawn_ = false;
};

std::string Utf8(const std::wstring& text) { return com::ToUtf8(text); }

// A rectangle of screen coordinates in the frame picture's coordinates.
RECT InFrame(const BrowserFrame& frame, RECT r) {
  const RECT f = RectOf(frame.Window());
  return RECT{r.left - f.left, r.top - f.top, r.right - f.left, r.bottom - f.top};
}

// Where a toolbar button is, as the pointer finds it: resting at `p` lights
// the button up, and what lit up is its rectangle (screen coordinates).
std::optional<RECT> HotButtonAt(HWND toolbar, POINT p) {
  driver::Hover(RectOf(toolbar).left - 30, RectOf(toolbar).bottom + 200);
  Pump();
  const forms::TBitmap before = forms::WindowPicture(toolbar);
  driver::Hover(p.x, p.y);
  Pump();
  const forms::TBitmap after = forms::WindowPicture(toolbar);
  if (before.Width() != after.Width() || before.Height() != after.Height()) return std::nullopt;
  RECT lit{after.Width(), after.Height(), -1, -1};
  for (int y = 0; y < after.Height(); ++y)
    for (int x = 0; x < after.Width(); ++x)
      if ((before.Pixel(x, y) & 0xFFFFFF) != (after.Pixel(x, y) & 0xFFFFFF)) {
        lit.left = std::min<LONG>(lit.left, x);
        lit.top = std::min<LONG>(lit.top, y);
        lit.right = std::max<LONG>(lit.right, x + 1);
        lit.bottom = std::max<LONG>(lit.bottom, y + 1);
      }
  if (lit.right < 0) return std::nullopt;
  const RECT t = RectOf(toolbar);
  return RECT{t.left + lit.left, t.top + lit.top, t.left + lit.right, t.top + lit.bottom};
}

std::string MenuCaptions(const menus::MenuView& menu) {
  std::string out;
  for (const auto& item : menu.items)
    if (item.depth == 0 && item.visible) out += (out.empty() ? "" : ", ") + ("\"" + Utf8(item.caption) + "\"");
  return out;
}

int VisibleItems(const menus::MenuView& menu) {
  return static_cast<int>(std::count_if(menu.items.begin(), menu.items.end(),
                                        [](const menus::ItemView& i) { return i.depth == 0 && i.visible; }));
}

// The address line as typed: every character of the old address erased, the
// new one typed, Enter.
void TypeAddress(BrowserFrame& frame, const std::wstring& address) {
  HWND line = frame.AddressWindow();
  driver::Click(Centre(RectOf(line)).x, Centre(RectOf(line)).y);
  Pump();
  const std::wstring title = TextOf(frame.Window());
  for (std::size_t i = 0; i < title.size() + 8; ++i) win::PostMessageW(line, WM_CHAR, 0x08, 0);
  for (wchar_t c : address) win::PostMessageW(line, WM_CHAR, c, 0);
  win::PostMessageW(line, WM_CHAR, 0x0D, 0);
  Pump();
}

struct Strip {
  HWND rating = nullptr, card = nullptr, comments = nullptr;
};

Strip FindStrip(HWND band) {
  return Strip{FindInRow(band, L"VornStaticText", L"Rating"), FindInRow(band, L"VornStaticText", L"Info"),
               FindInRow(band, L"VornStaticText", L"Comments")};
}

bool Ends(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

int TakeTour(Tour& tour, BrowserFrame& frame, standins::ArchiveServer& server, const std::wstring& samples,
             const std::vector<std::wstring>& archived) {
  HWND mainBand = frame.Bands().size() > 0 ? frame.Bands()[0]->BandWindow() : nullptr;
  HWND qlBand = frame.Bands().size() > 1 ? frame.Bands()[1]->BandWindow() : nullptr;
  const POINT rest{RectOf(frame.Window()).right + 100, RectOf(frame.Window()).bottom + 100};
  auto restPointer = [&] {
    driver::Hover(rest.x, rest.y);
    Wait(100);
  };

  // ---------------------------------------------------------------- 01
  tour.Begin("01-page-not-archived");
  const std::wstring elsewhere = samples + L"/sample-elsewhere.html";
  ShowPage(frame, elsewhere);
  Pump();
  Strip strip = FindStrip(mainBand);
  tour.Did("opened " + Utf8(elsewhere));
  tour.Check(mainBand && qlBand, "both toolbar bands are hosted");
  tour.Check(Ends(TextOf(frame.Window()), L"sample-elsewhere.html"), "the frame shows the page's address");
  tour.Check(strip.rating && strip.card && strip.comments, "the information strip shows its three labels");
  if (strip.rating) {
    tour.Check(TextOf(strip.rating) == L"  Rating: 0  ", "rating label reads \"" + Utf8(TextOf(strip.rating)) + "\"");
    tour.Check(!win::IsWindowEnabled(strip.rating), "rating label is disabled (page not archived)");
  }
  if (strip.card) tour.Check(!win::IsWindowEnabled(strip.card), "Info label is disabled");
  {
    bool asked = false;
    for (const auto& call : server.CallsTo(L"GetDocumentData")) asked |= call.Text().find(L"elsewhere") != std::wstring::npos;
    tour.Check(asked, "the server was asked for the page's data (GetDocumentData)");
  }
  tour.End();

  // ---------------------------------------------------------------- 02
  tour.Begin("02-page-archived");
  const std::wstring page = samples + L"/sample-page.html";
  TypeAddress(frame, page);
  tour.Did("typed " + Utf8(page) + " into the address line and pressed Enter");
  strip = FindStrip(mainBand);
  tour.Check(Ends(TextOf(frame.Window()), L"sample-page.html"), "the browser went to the typed address");
  if (tour.Check(strip.rating && strip.card && strip.comments, "the strip's labels are there")) {
    tour.Check(TextOf(strip.rating) == L"  Rating: 3  ", "rating label reads \"" + Utf8(TextOf(strip.rating)) + "\"");
    tour.Check(win::IsWindowEnabled(strip.rating) && win::IsWindowEnabled(strip.card) &&
                   win::IsWindowEnabled(strip.comments),
               "rating, Info and comments labels are enabled");
  }
  {
    const forms::TBitmap before = tour.Previous();
    const forms::TBitmap now = tour.Picture();
    if (strip.rating)
      tour.Check(Differing(before, now, InFrame(frame, RectOf(strip.rating))) > 50,
                 "the rating label's colours changed (rating 3's colours)");
    if (strip.card)
      tour.Check(Differing(before, now, InFrame(frame, RectOf(strip.card))) > 50, "the card label's colour changed");
    if (strip.comments)
      tour.Check(Differing(before, now, InFrame(frame, RectOf(strip.comments))) > 50,
                 "the comments label's colours changed (the page has comments)");
  }
  tour.End();

  // ---------------------------------------------------------------- 03
  tour.Begin("03-button-hint");
  HWND toolbar1 = FindInRow(mainBand, L"VornToolBar", L"");
  HWND hint = nullptr;
  POINT onButton{0, 0};
  if (tour.Check(toolbar1 != nullptr, "the switches' toolbar is there")) {
    const RECT t = RectOf(toolbar1);
    onButton = POINT{t.left + kHighlightButton * kButtonWidth + kButtonWidth / 2, t.top + 6};
    const auto button = HotButtonAt(toolbar1, onButton);
    // Hot, a flat button shows its hot picture: what lights up lies in the button's slot.
    tour.Check(button && button->left >= t.left + kHighlightButton * kButtonWidth &&
                   button->right <= t.left + (kHighlightButton + 1) * kButtonWidth && button->right - button->left >= 8,
               "the highlighting switch lights up under the pointer");
    driver::Hover(onButton.x, onButton.y);
    Wait(499);
    const POINT below{onButton.x, onButton.y + 25};
    tour.Check(PopupAt(below, frame.Window()) == nullptr, "no hint before the pause (499 ms)");
    Wait(1);
    hint = PopupAt(below, frame.Window());
    tour.Did("rested the pointer on the highlighting switch for 500 ms");
    if (tour.Check(hint != nullptr, "a hint window shows below the pointer after 500 ms")) {
      const RECT h = RectOf(hint);
      tour.Check(h.top == onButton.y + 20, "the hint's top is 20 pixels below the pointer");
      tour.Check(std::abs((h.left + h.right) / 2 - onButton.x) <= 1, "the hint is centred on the pointer");
      tour.Check(h.right - h.left > 40, "the hint is wide enough for its text");
      tour.Over(hint);
    }
  }
  {
    const forms::TBitmap before = tour.Previous();
    const forms::TBitmap now = tour.Picture();
    if (hint) tour.Check(Differing(before, now, InFrame(frame, RectOf(hint))) > 50, "the picture shows the hint");
  }
  tour.End();

  // ---------------------------------------------------------------- 04
  tour.Begin("04-info-card");
  HWND card = nullptr;
  if (strip.card) {
    const std::size_t picturesBefore = server.CallCount(L"GetDocumentPicture");
    const RECT c = RectOf(strip.card);
    const POINT on{c.left + 4, c.top + 4};
    driver::Hover(on.x, on.y);
    Wait(500);
    tour.Check(!hint || !win::IsWindowVisible(hint), "the button's hint went once the pointer left the button");
    // The card waits for the application's delay once its object is made: up to two seconds here.
    int waited = 500;
    for (; waited < 2000 && !PopupAt(POINT{on.x + 10, on.y + 40}, frame.Window()); waited += 100) Wait(100);
    tour.Did("rested the pointer on the Info label (" + std::to_string(waited) + " ms)");
    card = PopupAt(POINT{on.x + 10, on.y + 40}, frame.Window());
    if (tour.Check(card != nullptr && card != hint, "a card window shows below the Info label")) {
      const RECT r = RectOf(card);
      tour.Check(r.top == on.y + 20, "the card's top is 20 pixels below the pointer");
      tour.Check(r.right - r.left >= 100 && r.bottom - r.top >= 80, "the card is big enough for a picture");
      tour.Over(card);
    }
    tour.Check(server.CallCount(L"GetDocumentPicture") > picturesBefore, "the server was asked for the page's picture");
  }
  {
    const forms::TBitmap now = tour.Picture();
    if (card) {
      const RECT r = InFrame(frame, RectOf(card));
      int colours = 0;
      std::vector<std::uint32_t> seen;
      for (int y = r.top; y < r.bottom && y < now.Height(); y += 3)
        for (int x = r.left; x < r.right && x < now.Width(); x += 3) {
          const std::uint32_t p = now.Pixel(x, y) & 0xFFFFFF;
          if (std::find(seen.begin(), seen.end(), p) == seen.end() && seen.size() < 64) seen.push_back(p);
        }
      colours = static_cast<int>(seen.size());
      tour.Check(colours >= 5, "the card shows a picture (" + std::to_string(colours) + " colours in it)");
    }
  }
  tour.End();

  // ---------------------------------------------------------------- 05
  tour.Begin("05-ratings-menu");
  restPointer();
  tour.Check(!card || !win::IsWindowVisible(card), "the card went when the pointer left the label");
  std::optional<menus::MenuView> ratings;
  if (strip.rating) {
    const POINT on = Centre(RectOf(strip.rating));
    driver::Click(on.x, on.y);
    Pump();
    tour.Did("clicked the rating label");
    ratings = menus::Shown();
    if (tour.Check(ratings.has_value(), "a menu is held open")) {
      tour.Check(VisibleItems(*ratings) == 4, "it offers the server's 4 ratings");
      tour.Check(ratings->ownerDraw, "its items are owner-drawn (each rating in its colours)");
      tour.Check(ratings->at.y >= RectOf(strip.rating).bottom && std::abs(ratings->at.x - RectOf(strip.rating).left) <= 2,
                 "it opens under the rating label");
    }
  }
  tour.End();
  tour.Note(tour.MenuDrawn() ? "   (the portable build has no menu window: the picture shows the held menu's items "
                               "drawn by their own drawing code in a plain box at the menu's place)"
                             : "   (the portable build has no menu window and the held menu could not be drawn)");

  // ---------------------------------------------------------------- 06
  tour.Begin("06-rating-chosen");
  if (ratings) {
    const std::size_t before = server.CallCount(L"SetDocumentRating");
    tour.Check(menus::Choose(1), "the second rating (rating 1) could be chosen");
    Pump();
    tour.Did("chose rating 1 in the ratings menu");
    const auto calls = server.CallsTo(L"SetDocumentRating");
    tour.Check(calls.size() == before + 1 && calls.back().Text() == L"SetDocumentRating(42, 1)",
               "the server recorded " + (calls.empty() ? std::string("no call") : Utf8(calls.back().Text())));
    tour.Check(!menus::Shown(), "the menu closed");
    tour.Check(strip.rating && TextOf(strip.rating) == L"  Rating: 1  ",
               "the rating label reads \"" + (strip.rating ? Utf8(TextOf(strip.rating)) : std::string()) + "\"");
    const forms::TBitmap before5 = tour.Previous();
    const forms::TBitmap now = tour.Picture();
    if (strip.rating)
      tour.Check(Differing(before5, now, InFrame(frame, RectOf(strip.rating))) > 30, "the rating label's look changed");
  }
  tour.End();

  // ---------------------------------------------------------------- 07
  tour.Begin("07-domain-links-menu");
  HWND toolbar2 = FindInRow(mainBand, L"VornToolBar", L"", -1);
  std::optional<menus::MenuView> links;
  if (tour.Check(toolbar2 != nullptr, "the domain links' toolbar is there")) {
    const RECT t = RectOf(toolbar2);
    const auto button = HotButtonAt(toolbar2, POINT{t.left + 10, t.top + 8});
    tour.Check(button.has_value(), "the Domain links button lights up under the pointer");
    const std::size_t pictures = server.CallCount(L"GetDocumentPicture");
    driver::Click(t.left + 10, t.top + 8);
    Pump();
    tour.Did("clicked Domain links");
    links = menus::Shown();
    if (tour.Check(links.has_value(), "a menu is held open")) {
      tour.Check(VisibleItems(*links) == static_cast<int>(archived.size()),
                 "it lists the site's " + std::to_string(archived.size()) + " archived pages");
      tour.Check(links->ownerDraw, "its items are owner-drawn");
    }
    tour.Picture();
    tour.Check(server.CallCount(L"GetDocumentPicture") > pictures, "drawing it asked the server for the pages' pictures");
  }
  tour.End();

  // ---------------------------------------------------------------- 08
  tour.Begin("08-domain-link-opened");
  if (links) {
    tour.Check(menus::Choose(1), "the second link could be chosen");
    Pump();
    tour.Did("chose the second domain link");
    tour.Check(!menus::Shown(), "the menu closed");
    tour.Check(Ends(TextOf(frame.Window()), L"sample-news.html"), "the browser went to the page chosen");
    strip = FindStrip(mainBand);
    tour.Check(strip.rating && TextOf(strip.rating) == L"  Rating: 1  ", "the strip shows that page's rating");
  }
  restPointer();
  tour.End();

  // ---------------------------------------------------------------- 09
  tour.Begin("09-feature-toggled");
  if (toolbar1) {
    const std::size_t before = server.CallCount(L"SetHighlightEnabled");
    driver::Click(onButton.x, onButton.y);
    Pump();
    restPointer();
    tour.Did("clicked the highlighting switch and moved the pointer away");
    const auto calls = server.CallsTo(L"SetHighlightEnabled");
    if (tour.Check(calls.size() == before + 1, "the server recorded SetHighlightEnabled")) {
      const bool asked = calls.back().Text() == L"SetHighlightEnabled(true)";
      tour.Check(server.GetHighlightSettings().enabled == asked,
                 "the server's switch followed: " + Utf8(calls.back().Text()));
    }
    const forms::TBitmap before8 = tour.Previous();
    const forms::TBitmap now = tour.Picture();
    const RECT t = RectOf(toolbar1);
    const RECT button{t.left + kHighlightButton * kButtonWidth, t.top, t.left + (kHighlightButton + 1) * kButtonWidth,
                      t.bottom};
    tour.Check(Differing(before8, now, InFrame(frame, button)) > 10, "the switch's checked look changed");
  }
  tour.End();

  // ---------------------------------------------------------------- 10
  tour.Begin("10-quick-links");
  HWND mngBar = FindInRow(qlBand, L"VornToolBar", L"", 0);
  HWND groupBar = FindInRow(qlBand, L"VornToolBar", L"", 1);
  std::optional<RECT> group1;
  if (tour.Check(mngBar && groupBar, "the quick links' two toolbars are there")) {
    const RECT g = RectOf(groupBar);
    group1 = HotButtonAt(groupBar, POINT{g.left + 8, g.top + 8});
    tour.Did("rested the pointer on the first group");
    const auto texts = server.CallsTo(L"GetQuickGroup");
    tour.Check(texts.size() >= 3, "the server was asked for its groups");
    tour.Check(group1.has_value() && group1->right - group1->left > 40, "the first group's button lights up");
    const forms::TBitmap now = tour.Picture();
    tour.Check(Drawn(now, InFrame(frame, RectOf(groupBar))) > 300, "the groups' buttons are drawn");
    tour.Check(Drawn(now, InFrame(frame, RectOf(mngBar))) > 100, "the Manage groups button is drawn");
  }
  tour.End();

  // ---------------------------------------------------------------- 11
  tour.Begin("11-quick-links-menu");
  if (group1) {
    driver::Click(group1->right - 4, (group1->top + group1->bottom) / 2);
    Pump();
    tour.Did("clicked the first group's drop-down arrow");
    const auto menu = menus::Shown();
    if (tour.Check(menu.has_value(), "a menu is held open")) {
      tour.Check(MenuCaptions(*menu) == "\"Link 1\", \"Link 2\", \"Link 3\", \"Link 4\"",
                 "it lists the group's links: " + MenuCaptions(*menu));
      tour.Check(menu->at.y >= group1->bottom - 1, "it opens under the button");
    }
  }
  tour.End();

  // ---------------------------------------------------------------- 12
  tour.Begin("12-manage-groups-menu");
  menus::Dismiss();
  if (mngBar) {
    const RECT m = RectOf(mngBar);
    const auto button = HotButtonAt(mngBar, POINT{m.left + 8, m.top + 8});
    if (tour.Check(button.has_value(), "the Manage groups button lights up")) {
      const std::size_t manage = server.CallCount(L"ManageQuickGroups");
      driver::Click(button->right - 4, (button->top + button->bottom) / 2);
      Pump();
      tour.Did("closed the group's menu and clicked Manage groups' drop-down arrow");
      const auto menu = menus::Shown();
      if (tour.Check(menu.has_value(), "a menu is held open")) {
        tour.Check(MenuCaptions(*menu).find("\"Group 1\"") != std::string::npos && VisibleItems(*menu) == 3,
                   "it lists the groups: " + MenuCaptions(*menu));
      }
      tour.Check(server.CallCount(L"ManageQuickGroups") == manage, "the arrow opened the menu only (no manager)");
    }
  }
  tour.End();

  // ---------------------------------------------------------------- 13
  tour.Begin("13-server-stopped");
  menus::Dismiss();
  restPointer();
  server.FireQuit();
  server.Revoke();
  Pump();
  tour.Did("closed the menu; the server said it quits and left the running-object table");
  strip = FindStrip(mainBand);
  if (tour.Check(strip.rating != nullptr, "the rating label is there")) {
    tour.Check(TextOf(strip.rating) == L"  Rating: 0  ", "rating label reads \"" + Utf8(TextOf(strip.rating)) + "\"");
    tour.Check(!win::IsWindowEnabled(strip.rating) && (!strip.card || !win::IsWindowEnabled(strip.card)),
               "rating and Info labels are disabled");
  }
  {
    const forms::TBitmap now = tour.Picture();
    if (mngBar) tour.Check(Drawn(now, InFrame(frame, RectOf(qlBand))) < 1000 ||
                               (RectOf(mngBar).right - RectOf(mngBar).left) == 0,
                           "the quick links' manager button and groups are gone");
    if (groupBar)
      tour.Check(Drawn(now, InFrame(frame, RectOf(groupBar))) == 0, "no group buttons are left");
    if (toolbar1)
      tour.Check(Differing(tour.Previous(), now, InFrame(frame, RectOf(toolbar1))) > 50, "the switches turned grey");
  }
  tour.End();

  // ---------------------------------------------------------------- 14
  tour.Begin("14-server-back");
  const std::size_t groupCalls = server.CallCount(L"GetQuickGroupCount");
  server.Register();
  win::PostThreadMessageW(win::GetCurrentThreadId(), kReconnectMessage, 0, 0);
  Pump();
  restPointer();
  tour.Did("the server entered the running-object table again; message 0x500 posted to the browser's thread");
  strip = FindStrip(mainBand);
  if (tour.Check(strip.rating != nullptr, "the rating label is there")) {
    tour.Check(TextOf(strip.rating) == L"  Rating: 1  ", "rating label reads \"" + Utf8(TextOf(strip.rating)) + "\"");
    tour.Check(win::IsWindowEnabled(strip.rating), "the rating label is enabled again");
  }
  tour.Check(server.CallCount(L"GetQuickGroupCount") > groupCalls, "the quick links asked for their groups again");
  {
    const forms::TBitmap now = tour.Picture();
    groupBar = FindInRow(qlBand, L"VornToolBar", L"", 1);
    if (groupBar) tour.Check(Drawn(now, InFrame(frame, RectOf(groupBar))) > 300, "the groups' buttons are back");
    if (toolbar1)
      tour.Check(Differing(tour.Previous(), now, InFrame(frame, RectOf(toolbar1))) > 50, "the switches are active again");
  }
  tour.End();
  return tour.Failed() ? 1 : 0;
}

}  // namespace

int RunTour(const std::wstring& dir, const std::wstring& samples) {
  const std::filesystem::path folder(com::ToUtf8(dir));
  std::filesystem::create_directories(folder);
  Apartment apartment;
  if (FAILED(apartment.Result())) {
    Fail(L"cannot start COM: " + HResultText(apartment.Result()));
    return 1;
  }
  driver::Reset();
  standins::BrowserWindows newWindows;
  const auto speech = StartSpeech();

  auto server = standins::ArchiveServer::CreateWithSampleArchive();
  const std::vector<std::wstring> archived = vornie_tools::ArchivePages(
      *server.Get(), {samples + L"/sample-page.html", samples + L"/sample-news.html", samples + L"/sample-garden.html"});
  server->SetQuickGroups(vornie_tools::QuickGroups(3, 4));
  server->SetAnnounceChanges(true);
  if (HRESULT hr = server->Register(); FAILED(hr)) {
    Fail(L"cannot register the archive server: " + HResultText(hr));
    return 1;
  }

  int code = 1;
  {
    BrowserFrame frame(LibraryBands(), 900, 560);
    for (const auto& band : frame.Bands())
      if (!band->Hosted()) Fail(band->Failure());
    Tour tour(folder, frame);
    if (!tour.LogWritten()) {
      Fail(L"cannot write " + com::FromUtf8((folder / "tour.log").string()));
    } else {
      code = TakeTour(tour, frame, *server.Get(), samples, archived);
      std::printf("%s\n", (folder / "tour.log").string().c_str());
    }
    menus::Dismiss();
    frame.Close();
    Pump();
  }
  server->Revoke();
  return code;
}

}  // namespace vornie_browser
