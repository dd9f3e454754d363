// Pages and frames read from disk: only regular files, and no more than a page may hold.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/browser/LateBound.h"
#include "platform/com/Variant.h"
#include "standins/html/HtmlDocument.h"
#include "standins/html/PageFile.h"
#include "support/ComTest.h"

namespace {

namespace fs = std::filesystem;
namespace html = standins::html;

class PageFile : public testing_support::ComTest {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vornie page file " + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + " " +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
    ComTest::TearDown();
  }
  fs::path Write(const std::string& name, const std::string& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  // The message ReadPageFile throws, empty when it reads the file.
  static std::string Refusal(const fs::path& path, std::uintmax_t limit = html::kMaxPageBytes) {
    try {
      html::ReadPageFile(path, limit);
      return {};
    } catch (const html::PageFileError& e) {
      return e.what();
    }
  }

  fs::path dir_;
};

TEST_F(PageFile, ReadsUpToTheLimitAndRefusesOneByteMore) {
  EXPECT_EQ(html::kMaxPageBytes, 256u * 1024 * 1024);
  constexpr std::uintmax_t kMiB = 1u << 20;
  struct Case {
    std::uintmax_t size, limit;
    const char* refusal;  // nullptr: read whole
  } const cases[] = {
      {0, 0, nullptr},
      {10, 10, nullptr},
      {11, 10, "larger than 10 bytes, the most a page may hold"},
      {2 * kMiB, 2 * kMiB, nullptr},
      {2 * kMiB + 1, 2 * kMiB, "larger than 2 MiB, the most a page may hold"},
      {200 * 1024 + 7, 100 * 1024, "larger than 102400 bytes"},
  };
  for (const Case& c : cases) {
    std::string bytes(static_cast<size_t>(c.size), '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>("a\r\n\0\xFF"[i % 5]);
    const fs::path path = Write("page.html", bytes);
    const std::string why = Refusal(path, c.limit);
    if (!c.refusal) {
      EXPECT_EQ(why, "") << c.size;
      EXPECT_EQ(html::ReadPageFile(path, c.limit), bytes) << c.size;
    } else {
      EXPECT_NE(why.find(c.refusal), std::string::npos) << why;
      EXPECT_NE(why.find("page.html"), std::string::npos) << why;
    }
  }
}

TEST_F(PageFile, ADirectoryOrAMissingFileIsRefusedWithItsReason) {
  fs::create_directory(dir_ / "folder.html");
  EXPECT_NE(Refusal(dir_ / "folder.html").find("folder.html: a directory, not a regular file"), std::string::npos)
      << Refusal(dir_ / "folder.html");
  EXPECT_NE(Refusal(dir_ / "absent.html").find("absent.html: no such file"), std::string::npos)
      << Refusal(dir_ / "absent.html");

  EXPECT_FALSE(html::LoadDocumentFile((dir_ / "folder.html").string()));
  try {
    html::OpenDocumentFile((dir_ / "folder.html").string());
    ADD_FAILURE() << "a directory opened as a page";
  } catch (const html::PageFileError& e) {
    EXPECT_NE(std::string(e.what()).find("a directory"), std::string::npos) << e.what();
  }
}

TEST_F(PageFile, AFrameThatIsNoRegularFileIsLeftEmptyAndThePageStillLoads) {
  fs::create_directory(dir_ / "folder");
  Write("inner.html", "<a href='inner-link.html'>i</a>");
  const fs::path page = Write("main.html",
                              "<a id=l href='main-link.html'>l</a><iframe src='folder'></iframe>"
                              "<iframe src='inner.html'></iframe><iframe src='absent.html'></iframe>");
  auto doc = html::OpenDocumentFile(page.string(), {"", html::FileLoader()});
  ASSERT_TRUE(doc);
  auto frames = browser::GetObjectProperty(doc.Get(), L"frames");
  ASSERT_EQ(browser::GetProperty(frames.Get(), L"length").ToLong(), 3);
  auto linksOf = [&](LONG index) {
    auto window = browser::DispatchOf(browser::CallMethod(frames.Get(), L"item", {com::Variant(index)}));
    auto document = browser::GetObjectProperty(window.Get(), L"document");
    auto all = browser::GetObjectProperty(document.Get(), L"all");
    auto anchors = browser::DispatchOf(browser::CallMethod(all.Get(), L"tags", {com::Variant(L"A")}));
    return browser::GetProperty(anchors.Get(), L"length").ToLong();
  };
  EXPECT_EQ(linksOf(0), 0);
  EXPECT_EQ(linksOf(1), 1);
  EXPECT_EQ(linksOf(2), 0);
}

}  // namespace
