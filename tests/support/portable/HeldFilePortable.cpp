#include "platform/com/Text.h"
#include "platform/portable/system/FileControl.h"
#include "support/HeldFile.h"

namespace testing_support {

struct HeldFile::Hold {
  std::wstring path;
};

HeldFile::HeldFile(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  hold_ = std::make_unique<Hold>(Hold{com::FromUtf8(std::string(utf8.begin(), utf8.end()))});
  win::files::HoldOpen(hold_->path);
}

HeldFile::~HeldFile() { win::files::Release(hold_->path); }

}  // namespace testing_support
