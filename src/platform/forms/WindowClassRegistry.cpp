#include "platform/forms/WindowClassRegistry.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/com/ComError.h"
#include "platform/win/Window.h"

#ifdef _WIN32
#include <commctrl.h>
extern "C" IMAGE_DOS_HEADER __ImageBase;
#endif

namespace forms::detail {

namespace {

struct RegisteredClass {
  std::wstring name;
  WNDPROC defaultProc;
};

struct RegisteredClasses {
  std::mutex mutex;
  std::vector<RegisteredClass> classes;

  ~RegisteredClasses() {
    for (const auto& c : classes) win::UnregisterClassW(c.name.c_str(), ModuleInstance());
  }

  const RegisteredClass* Find(const std::wstring& name) const {
    auto it = std::find_if(classes.begin(), classes.end(), [&](const RegisteredClass& c) { return c.name == name; });
    return it == classes.end() ? nullptr : &*it;
  }
};

RegisteredClasses& Registered() {
  static RegisteredClasses classes;
  return classes;
}

[[noreturn]] void ThrowLastError(const std::wstring& what) {
  const DWORD error = win::GetLastError();
  throw com::ComError(error ? HRESULT_FROM_WIN32(error) : E_FAIL, what);
}

// The system class's description; the common controls are made known on first use.
WNDCLASSEXW SystemClassInfo(const std::wstring& systemClass) {
  WNDCLASSEXW base{};
  base.cbSize = sizeof(base);
#ifdef _WIN32
  if (!::GetClassInfoExW(nullptr, systemClass.c_str(), &base)) {
    INITCOMMONCONTROLSEX init{sizeof(init), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&init);
    if (!::GetClassInfoExW(nullptr, systemClass.c_str(), &base))
      ThrowLastError(L"The system has no window class " + systemClass);
  }
#else
  win::SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
  ThrowLastError(L"The system has no window class " + systemClass);
#endif
  return base;
}

}  // namespace

HINSTANCE ModuleInstance() {
#ifdef _WIN32
  return reinterpret_cast<HINSTANCE>(&__ImageBase);
#else
  // Any address inside this module tells it apart from the others.
  static const char anchor = 0;
  return reinterpret_cast<HINSTANCE>(const_cast<char*>(&anchor));
#endif
}

WNDPROC EnsureWindowClass(const std::wstring& name, UINT classStyle, WNDPROC proc, const std::wstring& systemClass) {
  auto& registered = Registered();
  std::lock_guard lock(registered.mutex);
  if (const RegisteredClass* known = registered.Find(name)) return known->defaultProc;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = classStyle;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  WNDPROC defaultProc = &win::DefWindowProcW;
  if (!systemClass.empty()) {
    wc = SystemClassInfo(systemClass);
    defaultProc = wc.lpfnWndProc;
    wc.style = (wc.style & ~CS_GLOBALCLASS) | classStyle;
    wc.cbWndExtra += sizeof(LONG_PTR);
  }
  wc.lpfnWndProc = proc;
  wc.hInstance = ModuleInstance();
  wc.lpszClassName = name.c_str();
  if (!win::RegisterClassExW(&wc) && win::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    ThrowLastError(L"Cannot register the window class " + name);
  registered.classes.push_back(RegisteredClass{name, defaultProc});
  return defaultProc;
}

int ControlSlot([[maybe_unused]] HWND hwnd) {
#ifdef _WIN32
  // The pointer is the last of the class's extra bytes, whatever the system class keeps before it.
  return static_cast<int>(::GetClassLongPtrW(hwnd, GCL_CBWNDEXTRA)) - static_cast<int>(sizeof(LONG_PTR));
#else
  return 0;
#endif
}

WNDPROC ClassDefaultProc(HWND hwnd) {
  wchar_t name[256] = {};
  if (win::GetClassNameW(hwnd, name, 256) > 0) {
    auto& registered = Registered();
    std::lock_guard lock(registered.mutex);
    if (const RegisteredClass* known = registered.Find(name)) return known->defaultProc;
  }
  return &win::DefWindowProcW;
}

}  // namespace forms::detail
