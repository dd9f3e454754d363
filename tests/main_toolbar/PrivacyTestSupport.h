// Stores for the privacy cleaner's tests: folders of files in a scratch
// folder, and the user's shell-folder values pointed at them for the length
// of a test (the values found before come back afterwards, so that a run
// against a real registry leaves it as it was).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/com/Text.h"
#include "platform/win/RegKey.h"

namespace privacy_test {

namespace fs = std::filesystem;

inline const wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline const wchar_t kTypedUrls[] = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";

// The system's form of a path, whatever its script.
inline std::wstring Wide(const fs::path& path) {
  const std::u8string text = path.u8string();
  return com::FromUtf8(std::string(text.begin(), text.end()));
}
inline fs::path PathOf(const char8_t* utf8) { return fs::path(std::u8string(utf8)); }

inline void WriteFile(const fs::path& path, const std::string& text = "private") {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
  ASSERT_TRUE(fs::exists(path)) << path;
}

inline void MakeReadOnly(const fs::path& path) {
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

// Every entry below the folder, as paths relative to it, sorted.
inline std::vector<std::string> Contents(const fs::path& folder) {
  std::vector<std::string> out;
  if (!fs::exists(folder)) return out;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::u8string text = entry.path().lexically_relative(folder).generic_u8string();
    out.emplace_back(text.begin(), text.end());
  }
  std::sort(out.begin(), out.end());
  return out;
}

class ShellFolders {
 public:
  ShellFolders() = default;
  ShellFolders(const ShellFolders&) = delete;
  ShellFolders& operator=(const ShellFolders&) = delete;
  ~ShellFolders() {
    win::RegKey key;
    if (key.Create(HKEY_CURRENT_USER, kShellFolders) != ERROR_SUCCESS) return;
    for (const auto& [name, old] : saved_) {
      if (old) {
        key.SetString(name, *old);
      } else {
        key.DeleteValue(name);
      }
    }
  }

  void Set(const std::wstring& name, const fs::path& folder) { SetString(name, Wide(folder)); }
  void SetString(const std::wstring& name, const std::wstring& value) {
    win::RegKey key = Save(name);
    ASSERT_EQ(key.SetString(name, value), ERROR_SUCCESS);
  }
  void SetDword(const std::wstring& name, DWORD value) {
    win::RegKey key = Save(name);
    ASSERT_EQ(key.SetDword(name, value), ERROR_SUCCESS);
  }
  void Remove(const std::wstring& name) { Save(name).DeleteValue(name); }

 private:
  win::RegKey Save(const std::wstring& name) {
    win::RegKey key;
    EXPECT_EQ(key.Create(HKEY_CURRENT_USER, kShellFolders), ERROR_SUCCESS);
    if (!saved_.count(name)) saved_[name] = key.GetString(name);
    return key;
  }

  std::map<std::wstring, std::optional<std::wstring>> saved_;
};

inline void PutTypedUrls(const std::vector<std::wstring>& urls) {
  win::RegKey key;
  ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kTypedUrls), ERROR_SUCCESS);
  for (std::size_t i = 0; i < urls.size(); ++i)
    ASSERT_EQ(key.SetString(L"url" + std::to_wstring(i + 1), urls[i]), ERROR_SUCCESS);
}

inline bool TypedUrlsExist() {
  win::RegKey key;
  return key.Open(HKEY_CURRENT_USER, kTypedUrls, KEY_READ) == ERROR_SUCCESS;
}

}  // namespace privacy_test
