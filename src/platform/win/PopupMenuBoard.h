// The popup menu the portable build holds open. That build draws no menus:
// its recording menu peer posts the menu it was handed here, once per
// process, so that a program driving the windows as a user would (a guided
// tour, a test of the loaded module) can read the items, draw them with their
// own drawing code and choose one, even when the menu lives in a module with a
// toolkit of its own. The portable build's only (the board is kept by its
// window system); on Windows the system's menus are there to be seen.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/win/Gdi.h"

namespace win::portable::menus {

// One item of the tree, in the order a menu lists them; depth 0 for the
// menu's own items, 1 for those of a sub-menu, and so on.
struct ItemView {
  std::wstring caption;
  int depth = 0;
  bool line = false;
  bool visible = true;
  bool enabled = true;
  bool checked = false;
  bool hasItems = false;
};

struct MenuView {
  POINT at{0, 0};
  bool ownerDraw = false;
  std::vector<ItemView> items;
};

// What the peer that holds the menu does for it. `choose` runs the item as
// the user's choice would (false: it cannot be chosen); `measure` and `draw`
// are the item's own owner-drawing, into a DC the caller provides.
struct Holder {
  const void* menu = nullptr;
  MenuView view;
  std::function<bool(std::size_t index)> choose;
  std::function<SIZE(HDC dc, std::size_t index)> measure;
  std::function<void(HDC dc, std::size_t index, RECT rect)> draw;
};

// The menu shown now replaces any earlier one.
void Post(Holder holder);
// The menu closed or went away: forgotten, when it is the one shown.
void Withdraw(const void* menu);

// The user closed the menu without choosing (Escape, a click elsewhere).
void Dismiss();

std::optional<MenuView> Shown();
bool Choose(std::size_t index);
std::optional<SIZE> Measure(HDC dc, std::size_t index);
bool Draw(HDC dc, std::size_t index, RECT rect);

}  // namespace win::portable::menus
