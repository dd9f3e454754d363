// A file that another program holds open without letting it be deleted, as a
// browser holds a cookie file it is using: deleting it fails while the
// HeldFile lives.
#pragma once

#include <filesystem>
#include <memory>

namespace testing_support {

class HeldFile {
 public:
  explicit HeldFile(const std::filesystem::path& path);
  ~HeldFile();
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

 private:
  struct Hold;
  std::unique_ptr<Hold> hold_;
};

}  // namespace testing_support
