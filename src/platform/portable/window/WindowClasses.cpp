// Window classes: registration, removal and names.
#include <algorithm>
#include <cwchar>

#include "platform/portable/window/WindowSystem.h"

namespace win {

using portable::WindowClass;
using portable::WindowSystem;

namespace {

// Windows keeps class names in the atom table (at most 255 characters). The
// extra-byte limit is this build's: enough for any real use, small enough that
// a wrong value cannot exhaust memory one window at a time.
constexpr size_t kMaxClassName = 255;
constexpr int kMaxExtraBytes = 4096;

}  // namespace

ATOM RegisterClassExW(const WNDCLASSEXW* lpWndClass) {
  if (!lpWndClass || lpWndClass->cbSize != sizeof(WNDCLASSEXW)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const WNDCLASSEXW& wc = *lpWndClass;
  if (!wc.lpszClassName || IS_INTRESOURCE(wc.lpszClassName) || wc.lpszClassName[0] == 0 ||
      std::wcslen(wc.lpszClassName) > kMaxClassName || wc.cbClsExtra < 0 || wc.cbWndExtra < 0 ||
      wc.cbClsExtra > kMaxExtraBytes || wc.cbWndExtra > kMaxExtraBytes) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  // A name is taken when the same module registered it, or when either class is global.
  for (HINSTANCE probe : {wc.hInstance, static_cast<HINSTANCE>(nullptr)}) {
    auto existing = system.FindClass(wc.lpszClassName, probe, false);
    if (existing && (existing->instance == wc.hInstance || (existing->style & CS_GLOBALCLASS) ||
                     (wc.style & CS_GLOBALCLASS))) {
      SetLastError(ERROR_CLASS_ALREADY_EXISTS);
      return 0;
    }
  }
  auto cls = std::make_shared<WindowClass>();
  cls->name = wc.lpszClassName;
  cls->style = wc.style;
  cls->proc = wc.lpfnWndProc;
  cls->clsExtra = wc.cbClsExtra;
  cls->wndExtra = wc.cbWndExtra;
  cls->instance = wc.hInstance;
  cls->icon = wc.hIcon;
  cls->cursor = wc.hCursor;
  cls->background = wc.hbrBackground;
  cls->iconSmall = wc.hIconSm;
  return system.AddClass(std::move(cls));
}

ATOM RegisterClassW(const WNDCLASSW* lpWndClass) {
  if (!lpWndClass) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = lpWndClass->style;
  wc.lpfnWndProc = lpWndClass->lpfnWndProc;
  wc.cbClsExtra = lpWndClass->cbClsExtra;
  wc.cbWndExtra = lpWndClass->cbWndExtra;
  wc.hInstance = lpWndClass->hInstance;
  wc.hIcon = lpWndClass->hIcon;
  wc.hCursor = lpWndClass->hCursor;
  wc.hbrBackground = lpWndClass->hbrBackground;
  wc.lpszMenuName = lpWndClass->lpszMenuName;
  wc.lpszClassName = lpWndClass->lpszClassName;
  return RegisterClassExW(&wc);
}

BOOL UnregisterClassW(LPCWSTR lpClassName, HINSTANCE hInstance) {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  auto cls = system.FindClass(lpClassName, hInstance, true);
  if (!cls) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  if (cls->windows > 0) {
    SetLastError(ERROR_CLASS_HAS_WINDOWS);
    return FALSE;
  }
  system.RemoveClass(cls);
  return TRUE;
}

int GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount) {
  auto& system = WindowSystem::Get();
  std::lock_guard lock(system.mutex);
  portable::Window* w = system.Find(hWnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (!lpClassName || nMaxCount <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::wstring& name = w->cls->name;
  size_t n = std::min(name.size(), static_cast<size_t>(nMaxCount - 1));
  name.copy(lpClassName, n);
  lpClassName[n] = 0;
  return static_cast<int>(n);
}

}  // namespace win
