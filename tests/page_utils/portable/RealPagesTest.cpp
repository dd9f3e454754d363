// The link collector over a real manual's pages, checked against an
// extraction by other means (compare_links.py beside this file, which also
// documents where the two legitimately differ and how both are normalized).
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "page_utils/HTML_UI_Less.h"
#include "platform/com/Text.h"
#include "platform/com/Variant.h"
#include "standins/html/HtmlDocument.h"

namespace {

namespace fs = std::filesystem;

// Installed by scripts/install-deps.sh (the libxslt1-dev package).
const char kManual[] = "/usr/share/doc/libxslt1-dev/html";

std::string RunCapturing(const std::string& command, int* status) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    *status = -1;
    return output;
  }
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof(buffer), pipe)) output.append(buffer, n);
  *status = pclose(pipe);
  return output;
}

TEST(RealPagesTest, LinksOfAManualMatchAnIndependentExtraction) {
  ASSERT_TRUE(fs::is_directory(kManual)) << kManual << " is missing: run scripts/install-deps.sh";
  std::vector<fs::path> pages;
  for (const auto& entry : fs::recursive_directory_iterator(kManual))
    if (entry.is_regular_file() && entry.path().extension() == ".html") pages.push_back(fs::canonical(entry.path()));
  std::sort(pages.begin(), pages.end());
  ASSERT_GE(pages.size(), 40u);

  const fs::path ours = fs::temp_directory_path() / ("vornie-links-" + std::to_string(getpid()) + ".txt");
  {
    std::ofstream out(ours);
    for (const fs::path& page : pages) {
      com::ComPtr<IDispatch> document = standins::html::LoadDocumentFile(page.string());
      ASSERT_TRUE(document) << page;
      std::vector<std::wstring> urls, titles;
      ASSERT_TRUE(vorn::CollectLinks(com::Variant(document.Get()), false, false, urls, titles));
      out << "== " << page.string() << "\n";
      for (std::size_t i = 0; i < urls.size(); ++i) {
        std::wstring title = titles[i];
        std::replace_if(title.begin(), title.end(), [](wchar_t c) { return c == L'\n' || c == L'\r' || c == L'\t'; },
                        L' ');
        out << com::ToUtf8(urls[i]) << "\t" << com::ToUtf8(title) << "\n";
      }
    }
  }
  const fs::path script = fs::path(VORN_SOURCE_DIR) / "tests/page_utils/portable/compare_links.py";
  int status = 0;
  const std::string report = RunCapturing("python3 '" + script.string() + "' '" + ours.string() + "' 2>&1", &status);
  fs::remove(ours);

  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << report;
  std::smatch match;
  ASSERT_TRUE(std::regex_search(report, match, std::regex("compared ([0-9]+) links"))) << report;
  // Enough links that a collector gathering nothing, or only some kinds, could not pass.
  EXPECT_GE(std::stoul(match[1].str()), 3000u) << report;
}

}  // namespace
