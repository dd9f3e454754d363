#include <windows.h>

#include "support/Platform.h"

namespace testing_support {

bool RunningUnderWine() {
  // Wine's ntdll exports its version; Windows' does not.
  static const bool wine = [] {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return wine;
}

}  // namespace testing_support
