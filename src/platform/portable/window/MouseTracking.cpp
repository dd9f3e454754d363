// Mouse-leave tracking: the windows that asked to hear when the cursor leaves
// them, checked whenever the cursor moves.
#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/portable/window/WindowSystem.h"

namespace win::portable {

namespace {

std::mutex& TrackingLock() {
  static std::mutex lock;
  return lock;
}

std::vector<HWND>& Tracked() {
  static std::vector<HWND> windows;
  return windows;
}

// Whether the cursor is over the window or one of its children.
bool CursorOver(HWND hwnd) {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  for (HWND at = WindowAt(system, system.cursor); at;) {
    if (at == hwnd) return true;
    const Window* w = system.Find(at);
    at = w ? w->parent : nullptr;
  }
  return false;
}

}  // namespace

void CursorMoved() {
  std::vector<HWND> left;
  {
    std::lock_guard lock(TrackingLock());
    auto& tracked = Tracked();
    for (HWND hwnd : tracked)
      if (!CursorOver(hwnd)) left.push_back(hwnd);
    tracked.erase(std::remove_if(tracked.begin(), tracked.end(),
                                 [&](HWND h) { return std::find(left.begin(), left.end(), h) != left.end(); }),
                  tracked.end());
  }
  for (HWND hwnd : left) PostMessageW(hwnd, WM_MOUSELEAVE, 0, 0);
}

}  // namespace win::portable

namespace win {

BOOL TrackMouseEvent(TRACKMOUSEEVENT* track) {
  if (!track || track->cbSize != sizeof(TRACKMOUSEEVENT) || !(track->dwFlags & TME_LEAVE) || !IsWindow(track->hwndTrack)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  {
    std::lock_guard lock(portable::TrackingLock());
    auto& tracked = portable::Tracked();
    if (std::find(tracked.begin(), tracked.end(), track->hwndTrack) == tracked.end())
      tracked.push_back(track->hwndTrack);
  }
  portable::CursorMoved();
  return TRUE;
}

}  // namespace win
