// The screen cursor a program shows while it is busy: crHourGlass during a
// long step, crDefault again afterwards. The cursor is the system's, shared by
// every window of the program.
#pragma once

namespace forms {

using TCursor = int;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crHourGlass = -11;

class TScreen {
 public:
  TCursor Cursor() const;
  // Shows the cursor at once; crDefault shows the arrow.
  void SetCursor(TCursor cursor);
};

TScreen& Screen();

// Shows the hourglass for the life of the scope and then the default cursor,
// however the scope ends.
class THourGlass {
 public:
  THourGlass() { Screen().SetCursor(crHourGlass); }
  ~THourGlass() { Screen().SetCursor(crDefault); }
  THourGlass(const THourGlass&) = delete;
  THourGlass& operator=(const THourGlass&) = delete;
};

}  // namespace forms
