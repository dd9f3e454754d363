// A folder of a test's own under the temporary folder, removed with everything
// in it when the test ends. Its name is fresh on every run, so test programs
// running side by side (ctest -j, a CI run beside a developer's) never share one.
#pragma once

#include <chrono>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace testing_support {

class ScratchFolder {
 public:
  // A prefix with a space in it gives tests a path that needs quoting or escaping.
  explicit ScratchFolder(const std::string& prefix = "vornie test ") {
    std::random_device entropy;
    std::mt19937_64 names(entropy() ^ static_cast<std::uint64_t>(
                                          std::chrono::steady_clock::now().time_since_epoch().count()));
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      const auto candidate = base / (prefix + std::to_string(names()));
      // create_directory answers false when the name is taken: try another.
      if (std::filesystem::create_directory(candidate)) {
        path_ = candidate;
        return;
      }
    }
    throw std::runtime_error("no free name for a scratch folder under " + base.string());
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace testing_support
