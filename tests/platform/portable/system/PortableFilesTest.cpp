// What the portable file functions add to the Windows behaviour pinned in
// tests/platform/win/FilesTest.cpp: symbolic links, files held open by another
// program, names as UTF-8 bytes on disk, read-only folders, hidden dot names
// and the handles of searches.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/portable/system/FileControl.h"
#include "platform/win/Files.h"
#include "platform/win/Window.h"
#include "support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;

constexpr DWORD kErrorDirectory = 267;

class PortableFilesTest : public ::testing::Test {
 protected:
  fs::path MakeFile(const fs::path& name, const std::string& content = "data") {
    const fs::path path = folder_.path() / name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  fs::path MakeFolder(const fs::path& name) {
    const fs::path path = folder_.path() / name;
    fs::create_directories(path);
    return path;
  }
  // The scratch folder's path is ASCII, so its wide form needs no locale.
  std::wstring Wide(const std::string& relative) const {
    return folder_.path().wstring() + L"\\" + fs::path(relative).wstring();
  }
  static DWORD Attributes(const std::wstring& path) { return win::GetFileAttributesW(path.c_str()); }

  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data{};
    const std::wstring pattern = folder_.path().wstring() + L"/*";
    HANDLE search = win::FindFirstFileW(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.push_back(data.cFileName);
    while (win::FindNextFileW(search, &data));
    win::FindClose(search);
    return names;
  }

  testing_support::ScratchFolder folder_;
};

// ------------------------------------------------------------------ symbolic links

TEST_F(PortableFilesTest, ALinkToAFolderIsAReparsePointWhoseRemovalLeavesTheTarget) {
  const fs::path target = MakeFolder("target");
  const fs::path kept = MakeFile("target/kept.txt");
  fs::create_directory_symlink(target, folder_.path() / "link");

  EXPECT_EQ(Attributes(Wide("link")), static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_FALSE(win::DeleteFileW(Wide("link").c_str())) << "a link to a folder is a folder to DeleteFileW";
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  ASSERT_TRUE(win::RemoveDirectoryW(Wide("link").c_str())) << win::GetLastError();
  EXPECT_FALSE(fs::exists(fs::symlink_status(folder_.path() / "link")));
  EXPECT_TRUE(fs::exists(kept)) << "removing the link emptied its target";
}

TEST_F(PortableFilesTest, ALinkToAFileIsDeletedAloneAndKeepsNoAttributesOfItsOwn) {
  const fs::path target = MakeFile("target.txt");
  fs::permissions(target, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  fs::create_symlink(target, folder_.path() / "link");
  fs::create_symlink(folder_.path() / "nowhere", folder_.path() / "dangling");

  EXPECT_EQ(Attributes(Wide("link")), static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT))
      << "the target's read-only attribute leaked through the link";
  EXPECT_EQ(Attributes(Wide("dangling")), static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_FALSE(win::SetFileAttributesW(Wide("link").c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_TRUE(Attributes(target.wstring()) & FILE_ATTRIBUTE_READONLY) << "the link's target was changed";
  EXPECT_FALSE(win::RemoveDirectoryW(Wide("link").c_str()));
  EXPECT_EQ(win::GetLastError(), kErrorDirectory);

  EXPECT_TRUE(win::DeleteFileW(Wide("link").c_str())) << win::GetLastError();
  EXPECT_TRUE(win::DeleteFileW(Wide("dangling").c_str())) << win::GetLastError();
  EXPECT_TRUE(fs::exists(target));
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L".", L"..", L"target.txt"}));
}

// ------------------------------------------------------------------ attributes of this system

TEST_F(PortableFilesTest, ReadOnlyIsTheOwnersWritePermissionAndDotNamesAreHidden) {
  const fs::path file = MakeFile("plain");
  MakeFile(".profile");
  EXPECT_EQ(Attributes(Wide("plain")), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(Attributes(Wide(".profile")), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN));
  // "." stands for the folder, whose own name is not hidden.
  EXPECT_FALSE(Attributes(Wide(".")) & FILE_ATTRIBUTE_HIDDEN);

  fs::permissions(file, fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_TRUE(Attributes(Wide("plain")) & FILE_ATTRIBUTE_READONLY);
  fs::permissions(file, fs::perms::owner_write | fs::perms::group_write, fs::perm_options::add);
  EXPECT_FALSE(Attributes(Wide("plain")) & FILE_ATTRIBUTE_READONLY);

  // Read-only takes every write permission away; clearing it gives the owner's back only.
  ASSERT_TRUE(win::SetFileAttributesW(Wide("plain").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(fs::status(file).permissions() & (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write),
            fs::perms::none);
  ASSERT_TRUE(win::SetFileAttributesW(Wide("plain").c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(fs::status(file).permissions() & (fs::perms::owner_write | fs::perms::group_write), fs::perms::owner_write);
}

TEST_F(PortableFilesTest, AReadOnlyFolderIsNotRemovedEvenWhenEmpty) {
  const fs::path sub = MakeFolder("sub");
  ASSERT_TRUE(win::SetFileAttributesW(Wide("sub").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(Attributes(Wide("sub")), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(win::RemoveDirectoryW(Wide("sub").c_str()));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(fs::is_directory(sub));
  ASSERT_TRUE(win::SetFileAttributesW(Wide("sub").c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(win::RemoveDirectoryW(Wide("sub").c_str())) << win::GetLastError();
}

TEST_F(PortableFilesTest, ANonLatinNameIsUtf8OnDisk) {
  const std::string utf8 = "\xd0\xb6\xd1\x83\xd1\x80\xd0\xbd\xd0\xb0\xd0\xbb \xe6\x97\xa5\xe8\xaa\x8c";  // журнал 日誌
  const std::wstring wide = L"\u0436\u0443\u0440\u043d\u0430\u043b \u65e5\u8a8c";
  std::ofstream(folder_.path().string() + "/" + utf8) << "x";
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L".", L"..", wide}));
  const std::wstring path = folder_.path().wstring() + L"\\" + wide;
  EXPECT_EQ(win::GetFileAttributesW(path.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_TRUE(win::DeleteFileW(path.c_str())) << win::GetLastError();
  EXPECT_FALSE(fs::exists(folder_.path().string() + "/" + utf8));
}

// ------------------------------------------------------------------ files held open

TEST_F(PortableFilesTest, AFileHeldOpenIsNotDeletedNorItsFolderRemoved) {
  MakeFolder("sub");
  const fs::path file = MakeFile("sub/open.log");
  // Held by one spelling of the path, deleted by another.
  const std::wstring held = folder_.path().wstring() + L"//sub\\open.log";
  const std::wstring deleted = Wide("sub") + L"/open.log";
  {
    win::files::ScopedHold hold(held);
    win::files::HoldOpen(deleted);
    EXPECT_FALSE(win::DeleteFileW(deleted.c_str()));
    EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    win::files::Release(held);
    EXPECT_FALSE(win::DeleteFileW(deleted.c_str())) << "holds are counted: one is still there";
    EXPECT_FALSE(win::RemoveDirectoryW(Wide("sub").c_str()));
    EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
    EXPECT_TRUE(fs::exists(file));
  }
  EXPECT_TRUE(win::DeleteFileW(deleted.c_str())) << win::GetLastError();
  EXPECT_TRUE(win::RemoveDirectoryW(Wide("sub").c_str())) << win::GetLastError();
}

// ------------------------------------------------------------------ searches

TEST_F(PortableFilesTest, EntriesRemovedDuringASearchAreNotListed) {
  for (const char* name : {"one", "two", "three"}) MakeFile(name);
  WIN32_FIND_DATAW data{};
  HANDLE search = win::FindFirstFileW((folder_.path().wstring() + L"\\*").c_str(), &data);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  EXPECT_EQ(std::wstring(data.cFileName), L".");
  ASSERT_TRUE(win::FindNextFileW(search, &data));
  EXPECT_EQ(std::wstring(data.cFileName), L"..");
  // The first real entry makes the system read the folder ahead: the other two are read before they go.
  ASSERT_TRUE(win::FindNextFileW(search, &data));
  for (const char* name : {"one", "two", "three"}) fs::remove(folder_.path() / name);
  EXPECT_FALSE(win::FindNextFileW(search, &data)) << "listed a removed entry";
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  EXPECT_TRUE(win::FindClose(search));
}

TEST_F(PortableFilesTest, SearchHandlesAreCheckedAndPatternsLimited) {
  WIN32_FIND_DATAW data{};
  HANDLE first = win::FindFirstFileW((folder_.path().wstring() + L"\\*").c_str(), &data);
  HANDLE second = win::FindFirstFileW((folder_.path().wstring() + L"\\*.*").c_str(), &data);
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  ASSERT_NE(second, INVALID_HANDLE_VALUE);
  EXPECT_NE(first, second);
  EXPECT_NE(first, nullptr);
  ASSERT_TRUE(win::FindClose(first));
  EXPECT_FALSE(win::FindNextFileW(first, &data));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(win::FindClose(first));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  // The other search goes on unharmed.
  EXPECT_TRUE(win::FindNextFileW(second, &data));
  EXPECT_EQ(std::wstring(data.cFileName), L"..");
  EXPECT_TRUE(win::FindClose(second));

  for (const wchar_t* pattern : {L"\\*.txt", L"\\a*", L"\\"}) {
    EXPECT_EQ(win::FindFirstFileW((folder_.path().wstring() + pattern).c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  // The root folder has no parent to list, as on NTFS.
  HANDLE root = win::FindFirstFileW(L"\\*", &data);
  ASSERT_NE(root, INVALID_HANDLE_VALUE);
  EXPECT_NE(std::wstring(data.cFileName), L".");
  EXPECT_TRUE(win::FindClose(root));
}

}  // namespace
