#include "platform/forms/WindowClassRegistry.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/com/ComError.h"
#include "platform/win/Window.h"

#ifdef _WIN32
extern "C" IMAGE_DOS_HEADER __ImageBase;
#endif

namespace forms::detail {

namespace {

struct RegisteredClasses {
  std::mutex mutex;
  std::vector<std::wstring> names;

  ~RegisteredClasses() {
    for (const auto& name : names) win::UnregisterClassW(name.c_str(), ModuleInstance());
  }
};

RegisteredClasses& Registered() {
  static RegisteredClasses classes;
  return classes;
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

void EnsureWindowClass(const std::wstring& name, UINT classStyle, WNDPROC proc) {
  auto& classes = Registered();
  std::lock_guard lock(classes.mutex);
  if (std::find(classes.names.begin(), classes.names.end(), name) != classes.names.end()) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = classStyle;
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hInstance = ModuleInstance();
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = name.c_str();
  if (!win::RegisterClassExW(&wc)) {
    DWORD error = win::GetLastError();
    if (error != ERROR_CLASS_ALREADY_EXISTS)
      throw com::ComError(error ? HRESULT_FROM_WIN32(error) : E_FAIL, L"Cannot register the window class " + name);
  }
  classes.names.push_back(name);
}

}  // namespace forms::detail
