#include "platform/portable/window/TestDriver.h"

#include <algorithm>

#include "platform/portable/system/Process.h"
#include "platform/portable/window/WindowSystem.h"
#include "platform/win/GdiHandles.h"

namespace win::portable::driver {

namespace {

// The window under a screen point and the point in its client coordinates.
HWND Target(POINT screen, POINT& client) {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  HWND hwnd = WindowAt(system, screen);
  if (!hwnd || hwnd == system.Desktop()) return nullptr;
  POINT origin = system.ClientOrigin(hwnd);
  client = POINT{screen.x - origin.x, screen.y - origin.y};
  return hwnd;
}

POINT MoveTo(int x, int y) {
  SetCursorPos(x, y);
  POINT at{};
  GetCursorPos(&at);
  return at;
}

}  // namespace

void Reset() {
  auto& system = WindowSystem::Get();
  {
    std::lock_guard lock(system.mutex);
    system.ResetDesktop();
  }
  system.posted.notify_all();
}

bool SetMonitors(const std::vector<RECT>& monitors) {
  if (monitors.empty() || monitors.front().left != 0 || monitors.front().top != 0) return false;
  for (const RECT& m : monitors) {
    if (m.right <= m.left || m.bottom <= m.top) return false;
  }
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  system.monitors = monitors;
  if (Window* desktop = system.Find(system.Desktop())) desktop->rect = monitors.front();
  const RECT screen = system.VirtualScreen();
  system.cursor.x = std::clamp<LONG>(system.cursor.x, screen.left, screen.right - 1);
  system.cursor.y = std::clamp<LONG>(system.cursor.y, screen.top, screen.bottom - 1);
  return true;
}

void MoveCursor(int x, int y) { SetCursorPos(x, y); }

bool Activate(HWND hwnd) {
  {
    auto& system = WindowSystem::Get();
    std::lock_guard lock(system.mutex);
    HWND root = system.Root(hwnd);
    Window* w = system.Find(root);
    if (!w) return false;
    if (w->exStyle & WS_EX_NOACTIVATE) return true;
  }
  return RequestForeground(hwnd, true);
}

HWND Hover(int x, int y, WPARAM keys) {
  POINT client{};
  HWND hwnd = Target(MoveTo(x, y), client);
  if (hwnd) PostMessageW(hwnd, WM_MOUSEMOVE, keys, MAKELPARAM(client.x, client.y));
  return hwnd;
}

HWND Click(int x, int y) {
  POINT client{};
  HWND hwnd = Target(MoveTo(x, y), client);
  if (!hwnd) return nullptr;
  Activate(hwnd);
  PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.x, client.y));
  PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
  return hwnd;
}

void AdvanceClock(DWORD milliseconds) {
  auto& system = WindowSystem::Get();
  {
    std::lock_guard lock(system.mutex);
    system.clock += milliseconds;
  }
  system.posted.notify_all();
}

int PumpMessages() {
  int dispatched = 0;
  MSG msg{};
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    ++dispatched;
  }
  return dispatched;
}

void SetModuleFileName(const std::wstring& name) { SetExecutableFileName(name); }

}  // namespace win::portable::driver

namespace win::portable::driver {

Picture WindowPicture(HWND hwnd) {
  Picture picture;
  RECT rect{};
  if (!GetWindowRect(hwnd, &rect)) return picture;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return picture;
  BITMAPINFO info = win::TopDownDibInfo(width, height);
  void* bits = nullptr;
  win::DcHandle dc(CreateCompatibleDC(nullptr));
  win::BitmapHandle bitmap(CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dc || !bitmap || !bits) return picture;
  {
    win::SelectedObject selected;
    if (!selected.Select(dc.Get(), bitmap.Get())) return picture;
    if (!PrintWindow(hwnd, dc.Get(), 0)) return picture;
  }
  picture.width = width;
  picture.height = height;
  picture.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  const auto* from = static_cast<const std::uint32_t*>(bits);
  for (std::size_t i = 0; i < picture.pixels.size(); ++i) picture.pixels[i] = from[i] | 0xFF000000u;
  return picture;
}

}  // namespace win::portable::driver
