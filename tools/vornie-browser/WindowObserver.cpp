// The text, one line per window, indented two spaces per level of parent:
//
//   window CLASS "TEXT" visible=0|1 enabled=0|1 rect=LEFT,TOP,RIGHT,BOTTOM
//
// CLASS is the window's own class; a superclass of a system control adds
// " (SYSTEM-CLASS)". Rectangles are in screen pixels. A toolbar's line is
// followed by one line per button, in the bar's order:
//
//   button INDEX "TEXT" checked=0|1 enabled=0|1 hidden=0|1 dropdown=0|1 rect=...
//
// and an open popup menu's by one line per item: item INDEX "TEXT" grayed=0|1
// checked=0|1. Quotes and backslashes in texts are escaped with a backslash,
// line breaks as \n.
#include "WindowObserver.h"

#include <commctrl.h>

#include <cstdio>
#include <vector>

namespace vornie_browser {
namespace {

// The menu window's message that answers its menu handle.
constexpr UINT kMenuGetHMenu = 0x01E1;

std::wstring Quoted(const std::wstring& text) {
  std::wstring out = L"\"";
  for (wchar_t c : text) {
    if (c == L'"' || c == L'\\') out += L'\\';
    if (c == L'\n') {
      out += L"\\n";
    } else if (c != L'\r') {
      out += c;
    }
  }
  return out + L"\"";
}

std::wstring RectText(const RECT& r) {
  return L"rect=" + std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.right) + L"," +
         std::to_wstring(r.bottom);
}

std::wstring Flag(const wchar_t* name, bool on) { return std::wstring(L" ") + name + (on ? L"=1" : L"=0"); }

// The system class a window's class is built on. Windows answers that for a
// superclass of a system control; Wine answers the superclass's own name, so
// the library's own superclasses are named here too.
std::wstring SystemClassOf(HWND window) {
  wchar_t system[256] = {};
  RealGetWindowClassW(window, system, 256);
  static constexpr struct {
    const wchar_t* own;
    const wchar_t* system;
  } kLibraryClasses[] = {{L"VornToolBar", TOOLBARCLASSNAMEW}, {L"VornStaticText", L"Static"}};
  for (const auto& known : kLibraryClasses)
    if (lstrcmpiW(system, known.own) == 0) return known.system;
  return system;
}

std::wstring ClassOf(HWND window) {
  wchar_t own[256] = {};
  GetClassNameW(window, own, 256);
  const std::wstring system = SystemClassOf(window);
  std::wstring text = own;
  if (system != own && !system.empty()) text += L" (" + system + L")";
  return text;
}

std::wstring TextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

bool IsClass(HWND window, const wchar_t* systemClass) { return lstrcmpiW(SystemClassOf(window).c_str(), systemClass) == 0; }

void DescribeButtons(HWND bar, const std::wstring& indent, std::wstring& out) {
  const auto count = static_cast<int>(SendMessageW(bar, TB_BUTTONCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    TBBUTTON button = {};
    if (!SendMessageW(bar, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&button))) continue;
    std::wstring text;
    const auto length = SendMessageW(bar, TB_GETBUTTONTEXTW, static_cast<WPARAM>(button.idCommand), 0);
    if (length > 0) {
      text.resize(static_cast<std::size_t>(length) + 1);
      SendMessageW(bar, TB_GETBUTTONTEXTW, static_cast<WPARAM>(button.idCommand), reinterpret_cast<LPARAM>(text.data()));
      text.resize(static_cast<std::size_t>(length));
    }
    RECT r = {};
    SendMessageW(bar, TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    MapWindowPoints(bar, nullptr, reinterpret_cast<POINT*>(&r), 2);
    out += indent + L"button " + std::to_wstring(i) + L" " + Quoted(text) +
           Flag(L"checked", button.fsState & TBSTATE_CHECKED) + Flag(L"enabled", button.fsState & TBSTATE_ENABLED) +
           Flag(L"hidden", button.fsState & TBSTATE_HIDDEN) +
           Flag(L"dropdown", button.fsStyle & (BTNS_DROPDOWN | BTNS_WHOLEDROPDOWN)) + L" " + RectText(r) + L"\n";
  }
}

void DescribeMenu(HWND window, const std::wstring& indent, std::wstring& out) {
  const auto menu = reinterpret_cast<HMENU>(SendMessageW(window, kMenuGetHMenu, 0, 0));
  if (!menu) return;
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
    const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    out += indent + L"item " + std::to_wstring(i) + L" " + Quoted(text) + Flag(L"grayed", state & MF_GRAYED) +
           Flag(L"checked", state & MF_CHECKED) + L"\n";
  }
}

void Describe(HWND window, int depth, std::wstring& out) {
  const std::wstring indent(static_cast<std::size_t>(depth) * 2, L' ');
  RECT r = {};
  GetWindowRect(window, &r);
  out += indent + L"window " + ClassOf(window) + L" " + Quoted(TextOf(window)) +
         Flag(L"visible", IsWindowVisible(window)) + Flag(L"enabled", IsWindowEnabled(window)) + L" " + RectText(r) +
         L"\n";
  if (IsClass(window, TOOLBARCLASSNAMEW)) DescribeButtons(window, indent + L"  ", out);
  if (IsClass(window, L"#32768")) DescribeMenu(window, indent + L"  ", out);
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    Describe(child, depth + 1, out);
}

BOOL CALLBACK AddWindow(HWND window, LPARAM windows) {
  reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  return TRUE;
}

WindowObserver* g_observer = nullptr;

}  // namespace

std::wstring DescribeThreadWindows() {
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), AddWindow, reinterpret_cast<LPARAM>(&windows));
  std::wstring out;
  for (HWND window : windows) Describe(window, 0, out);
  return out;
}

WindowObserver::WindowObserver(std::wstring path, UINT intervalMs) : path_(std::move(path)) {
  // One observer per thread: the timer has no window to carry its owner.
  g_observer = this;
  timer_ = SetTimer(nullptr, 0, intervalMs, Tick);
  Update();
}

WindowObserver::~WindowObserver() {
  if (timer_) KillTimer(nullptr, timer_);
  g_observer = nullptr;
}

void CALLBACK WindowObserver::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (g_observer) g_observer->Update();
}

void WindowObserver::Update() {
  std::wstring text = DescribeThreadWindows();
  if (text == written_) return;
  const std::wstring temporary = path_ + L".tmp";
  FILE* file = _wfopen(temporary.c_str(), L"wb");
  if (!file) return;
  // UTF-8, as the scripts that read it expect.
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr, nullptr);
  const bool complete = std::fwrite(utf8.data(), 1, utf8.size(), file) == utf8.size();
  if (std::fclose(file) == 0 && complete &&
      MoveFileExW(temporary.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    written_ = std::move(text);
  }
}

}  // namespace vornie_browser
