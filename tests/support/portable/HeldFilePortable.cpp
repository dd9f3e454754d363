#include "platform/portable/system/FileControl.h"
#include "support/HeldFile.h"

namespace testing_support {

struct HeldFile::Hold {
  std::string path;
};

HeldFile::HeldFile(const std::filesystem::path& path) : hold_(std::make_unique<Hold>(Hold{path.string()})) {
  win::files::HoldOpen(hold_->path);
}

HeldFile::~HeldFile() { win::files::Release(hold_->path); }

}  // namespace testing_support
