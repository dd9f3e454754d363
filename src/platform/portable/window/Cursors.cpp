// Cursor pictures. There is no screen to show them on, but a program that sets
// the wait cursor and must put the arrow back can still be checked: each of
// the system's cursors has one handle, shared by every LoadCursorW, and
// SetCursor keeps the one shown.
#include <algorithm>
#include <iterator>

#include "platform/portable/window/WindowSystem.h"
#include "platform/win/Resources.h"

namespace win {
namespace {

// The system's cursor identifiers (IDC_ARROW ... IDC_HELP, then IDC_PIN and IDC_PERSON).
constexpr ULONG_PTR kSystemCursorIds[] = {32512, 32513, 32514, 32515, 32516, 32640, 32641, 32642, 32643,
                                          32644, 32645, 32646, 32648, 32649, 32650, 32651, 32671, 32672};

// A handle is the address of its slot: unique, never null and never another object's.
const unsigned char kCursorSlots[std::size(kSystemCursorIds)] = {};

}  // namespace

HCURSOR LoadCursorW(HINSTANCE hInstance, LPCWSTR lpCursorName) {
  // A module's own cursors would be resources, and no module here carries any.
  if (hInstance || !IS_INTRESOURCE(lpCursorName)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  const auto id = reinterpret_cast<ULONG_PTR>(lpCursorName);
  const auto* found = std::find(std::begin(kSystemCursorIds), std::end(kSystemCursorIds), id);
  if (found == std::end(kSystemCursorIds)) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  const unsigned char* slot = &kCursorSlots[found - std::begin(kSystemCursorIds)];
  return reinterpret_cast<HCURSOR>(const_cast<unsigned char*>(slot));
}

HCURSOR SetCursor(HCURSOR hCursor) { return portable::WindowSystem::Get().shownCursor.exchange(hCursor); }

HCURSOR GetCursor() { return portable::WindowSystem::Get().shownCursor.load(); }

}  // namespace win
