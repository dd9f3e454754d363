// The executable file name the portable GetModuleFileNameW answers.
#pragma once

#include <string>

namespace win::portable {

// An empty name restores the real one (the program's own path).
void SetExecutableFileName(const std::wstring& name);

}  // namespace win::portable
