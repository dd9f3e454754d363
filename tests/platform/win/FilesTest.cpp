// The file subset (platform/win/Files.h) as Windows answers it: listings,
// attributes and the refusals a privacy cleaner meets. These run on both
// builds; what only the portable system can set up (symbolic links, files held
// open, names as bytes on disk) is in tests/platform/portable/system.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/win/Files.h"
#include "platform/win/Window.h"
#include "support/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;

constexpr DWORD kErrorDirectory = 267;  // ERROR_DIRECTORY: the name is not a folder's

struct Listed {
  std::wstring name;
  DWORD attributes;
  unsigned long long size;
};

class FilesTest : public ::testing::Test {
 protected:
  static std::wstring W(const fs::path& path) { return path.wstring(); }

  fs::path MakeFile(const fs::path& name, size_t bytes = 0) {
    const fs::path path = folder_.path() / name;
    std::ofstream(path, std::ios::binary) << std::string(bytes, 'x');
    return path;
  }
  fs::path MakeFolder(const fs::path& name) {
    const fs::path path = folder_.path() / name;
    fs::create_directory(path);
    return path;
  }

  // Every entry of a listing, in the order given; fails the test unless it ends with ERROR_NO_MORE_FILES.
  static std::vector<Listed> List(const std::wstring& pattern) {
    std::vector<Listed> listed;
    WIN32_FIND_DATAW data{};
    HANDLE search = win::FindFirstFileW(pattern.c_str(), &data);
    EXPECT_NE(search, INVALID_HANDLE_VALUE) << "error " << win::GetLastError();
    if (search == INVALID_HANDLE_VALUE) return listed;
    do {
      listed.push_back(Listed{data.cFileName, data.dwFileAttributes,
                              (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow});
    } while (win::FindNextFileW(search, &data));
    EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(win::FindClose(search));
    return listed;
  }

  static DWORD AttributesOf(const fs::path& path) { return win::GetFileAttributesW(W(path).c_str()); }

  testing_support::ScratchFolder folder_;
};

// ------------------------------------------------------------------ listing

TEST_F(FilesTest, ListsDotsFirstThenEveryEntryWithItsKindAndSize) {
  MakeFile("a.txt", 5);
  MakeFile("b", 70000);
  MakeFolder("sub");
  for (const wchar_t* tail : {L"\\*", L"\\*.*"}) {
    const auto listed = List(W(folder_.path()) + tail);
    ASSERT_EQ(listed.size(), 5u) << "pattern " << testing::PrintToString(std::wstring(tail));
    EXPECT_EQ(listed[0].name, L".");
    EXPECT_EQ(listed[1].name, L"..");
    EXPECT_TRUE(listed[0].attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(listed[1].attributes & FILE_ATTRIBUTE_DIRECTORY);
    std::map<std::wstring, Listed> byName;
    for (size_t i = 2; i < listed.size(); ++i) byName.emplace(listed[i].name, listed[i]);
    ASSERT_EQ(byName.size(), 3u);
    EXPECT_EQ(byName.at(L"a.txt").size, 5u);
    EXPECT_EQ(byName.at(L"b").size, 70000u);
    EXPECT_FALSE(byName.at(L"a.txt").attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(byName.at(L"sub").attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
}

TEST_F(FilesTest, AnEmptyFolderListsOnlyItsDotsAndAMissingOneIsAPathNotFound) {
  const auto listed = List(W(MakeFolder("empty")) + L"\\*");
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].name, L".");
  EXPECT_EQ(listed[1].name, L"..");

  WIN32_FIND_DATAW data{};
  for (const char* missing : {"missing\\*", "missing\\deeper\\*"}) {
    const std::wstring pattern = W(folder_.path()) + L"\\" + fs::path(missing).wstring();
    win::SetLastError(0);
    EXPECT_EQ(win::FindFirstFileW(pattern.c_str(), &data), INVALID_HANDLE_VALUE) << missing;
    EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND)) << missing;
  }
  EXPECT_FALSE(win::FindNextFileW(INVALID_HANDLE_VALUE, &data));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(FilesTest, ANonLatinNameIsListedAndDeletedByThatName) {
  // The same name twice: a wide path from std::filesystem would go through the C locale on Linux.
  const std::wstring name = L"\u0444\u0430\u0439\u043b \u6587\u4ef6 \u00e9t\u00e9.txt";
  MakeFile(fs::path(u8"\u0444\u0430\u0439\u043b \u6587\u4ef6 \u00e9t\u00e9.txt"), 3);
  const auto listed = List(W(folder_.path()) + L"\\*");
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(listed[2].name, name);
  EXPECT_EQ(listed[2].size, 3u);

  const std::wstring path = W(folder_.path()) + L"\\" + name;
  ASSERT_TRUE(win::DeleteFileW(path.c_str())) << win::GetLastError();
  EXPECT_EQ(win::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(List(W(folder_.path()) + L"\\*").size(), 2u);
}

// ------------------------------------------------------------------ attributes

TEST_F(FilesTest, AttributesTellFoldersFromFilesAndAMissingNameFromAMissingFolder) {
  const fs::path file = MakeFile("file.bin", 1);
  const fs::path sub = MakeFolder("sub");
  EXPECT_TRUE(AttributesOf(sub) & FILE_ATTRIBUTE_DIRECTORY);
  const DWORD fileAttributes = AttributesOf(file);
  ASSERT_NE(fileAttributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(fileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT));

  // Forward slashes and a trailing separator name the same folder.
  std::wstring slashed = W(sub);
  std::replace(slashed.begin(), slashed.end(), L'\\', L'/');
  EXPECT_TRUE(win::GetFileAttributesW((slashed + L"/").c_str()) & FILE_ATTRIBUTE_DIRECTORY);

  EXPECT_EQ(AttributesOf(folder_.path() / "nothing.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(AttributesOf(folder_.path() / "no folder" / "nothing.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(FilesTest, AReadOnlyFileIsRefusedUntilItsAttributesAreMadeNormal) {
  const std::wstring file = W(MakeFile("kept.txt", 4));
  ASSERT_TRUE(win::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(win::GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_READONLY);
  const auto listed = List(W(folder_.path()) + L"\\*");
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_TRUE(listed[2].attributes & FILE_ATTRIBUTE_READONLY);

  EXPECT_FALSE(win::DeleteFileW(file.c_str()));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_NE(win::GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES) << "the refused file is gone";

  ASSERT_TRUE(win::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_FALSE(win::GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(win::DeleteFileW(file.c_str())) << win::GetLastError();
  EXPECT_FALSE(fs::exists(fs::path(file)));
}

// ------------------------------------------------------------------ removal

TEST_F(FilesTest, DeleteFileRefusesFoldersAndMissingFiles) {
  const std::wstring sub = W(MakeFolder("sub"));
  EXPECT_FALSE(win::DeleteFileW(sub.c_str()));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(fs::is_directory(fs::path(sub)));

  const std::wstring missing = W(folder_.path() / "gone.txt");
  EXPECT_FALSE(win::DeleteFileW(missing.c_str()));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(FilesTest, RemoveDirectoryTakesOnlyEmptyFolders) {
  const fs::path sub = MakeFolder("sub");
  const fs::path inner = MakeFile(fs::path("sub") / "inner.txt", 2);
  EXPECT_FALSE(win::RemoveDirectoryW(W(sub).c_str()));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
  EXPECT_TRUE(fs::exists(inner)) << "a refused removal touched the folder's content";

  EXPECT_FALSE(win::RemoveDirectoryW(W(inner).c_str()));
  EXPECT_EQ(win::GetLastError(), kErrorDirectory);
  EXPECT_TRUE(fs::exists(inner));

  ASSERT_TRUE(win::DeleteFileW(W(inner).c_str()));
  EXPECT_TRUE(win::RemoveDirectoryW(W(sub).c_str())) << win::GetLastError();
  EXPECT_FALSE(fs::exists(sub));
  EXPECT_FALSE(win::RemoveDirectoryW(W(sub).c_str()));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
