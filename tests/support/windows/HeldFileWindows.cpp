#include <windows.h>

#include <stdexcept>

#include "support/HeldFile.h"

namespace testing_support {

struct HeldFile::Hold {
  HANDLE file;
};

HeldFile::HeldFile(const std::filesystem::path& path) {
  // Shared for reading and writing, not for deletion.
  HANDLE file = CreateFileW(path.wstring().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot hold " + path.string());
  hold_ = std::make_unique<Hold>(Hold{file});
}

HeldFile::~HeldFile() { CloseHandle(hold_->file); }

}  // namespace testing_support
