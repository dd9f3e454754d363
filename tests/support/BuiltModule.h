// The built product module, loaded as a host loads it, for tests of what the
// module carries rather than of its code (its bitmap resources). Freed when
// the test ends.
#pragma once

#include <string>

#include "platform/win/Module.h"

namespace testing_support {

class BuiltModule {
 public:
  // `path`: the module's file name beside the test program (Windows) or its full path.
  explicit BuiltModule(const char* path) {
    static const int anchor = 0;
    path_ = win::PathBesideModule(&anchor, std::wstring(path, path + std::char_traits<char>::length(path)));
    module_ = win::LoadLibraryW(path_.c_str());
  }
  ~BuiltModule() {
    if (module_) win::FreeLibrary(module_);
  }
  BuiltModule(const BuiltModule&) = delete;
  BuiltModule& operator=(const BuiltModule&) = delete;

  HINSTANCE Instance() const { return module_; }
  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
  HMODULE module_ = nullptr;
};

}  // namespace testing_support
