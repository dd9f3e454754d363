#include "platform/forms/TScreen.h"

#include <atomic>

#include "platform/win/Window.h"

namespace forms {
namespace {

std::atomic<TCursor> g_cursor{crDefault};

LPCWSTR SystemCursor(TCursor cursor) {
  switch (cursor) {
    case crHourGlass:
      return IDC_WAIT;
    default:
      return IDC_ARROW;
  }
}

}  // namespace

TCursor TScreen::Cursor() const { return g_cursor.load(); }

void TScreen::SetCursor(TCursor cursor) {
  g_cursor = cursor;
  win::SetCursor(win::LoadCursorW(nullptr, SystemCursor(cursor)));
}

TScreen& Screen() {
  static TScreen screen;
  return screen;
}

}  // namespace forms
