// Addresses resolved as a browser's DOM resolves href and src, row by row
// against the table that make-url-fixtures.mjs produced with node's URL.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/com/Text.h"
#include "standins/html/Url.h"

namespace {

using standins::html::ResolveUrl;
using standins::html::UrlOrigin;

std::string Unescape(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] != '\\' || i + 1 >= field.size()) {
      out += field[i];
      continue;
    }
    const char c = field[++i];
    if (c == 't') {
      out += '\t';
    } else if (c == 'n') {
      out += '\n';
    } else if (c == 'r') {
      out += '\r';
    } else if (c == 'x' && i + 2 < field.size()) {
      out += static_cast<char>(std::stoi(field.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

struct Row {
  std::wstring base, input, expected;
};

std::vector<Row> LoadRows() {
  const auto path = std::filesystem::path(VORN_SOURCE_DIR) / "tests/standins/html/url-fixtures.txt";
  std::ifstream in(path, std::ios::binary);
  std::vector<Row> rows;
  std::string line;
  while (std::getline(in, line)) {
    const size_t a = line.find('\t');
    const size_t b = line.find('\t', a + 1);
    if (a == std::string::npos || b == std::string::npos) continue;
    rows.push_back({com::FromUtf8(Unescape(line.substr(0, a))), com::FromUtf8(Unescape(line.substr(a + 1, b - a - 1))),
                    com::FromUtf8(Unescape(line.substr(b + 1)))});
  }
  return rows;
}

TEST(HtmlUrlResolution, EveryRowOfTheTableResolvesAsTheBrowserDoes) {
  const std::vector<Row> rows = LoadRows();
  ASSERT_GT(rows.size(), 500u) << "the table of cases is missing or truncated";
  int failures = 0;
  for (const Row& row : rows) {
    const std::wstring got = ResolveUrl(row.input, row.base).value_or(row.input);
    if (got != row.expected && ++failures <= 40) {
      ADD_FAILURE() << "base \"" << com::ToUtf8(row.base) << "\" input \"" << com::ToUtf8(row.input) << "\"\n  expected \""
                    << com::ToUtf8(row.expected) << "\"\n       got \"" << com::ToUtf8(got) << "\"";
    }
  }
  EXPECT_EQ(failures, 0);
}

TEST(HtmlUrlResolution, OriginsCompareSchemeHostAndEffectivePort) {
  EXPECT_EQ(UrlOrigin(L"http://Example.com/a"), UrlOrigin(L"http://example.com:80/b?c"));
  EXPECT_NE(UrlOrigin(L"http://example.com/"), UrlOrigin(L"https://example.com/"));
  EXPECT_NE(UrlOrigin(L"http://example.com/"), UrlOrigin(L"http://example.com:8080/"));
  EXPECT_NE(UrlOrigin(L"http://a.example.com/"), UrlOrigin(L"http://b.example.com/"));
  EXPECT_EQ(UrlOrigin(L"about:blank"), L"");
  EXPECT_EQ(UrlOrigin(L"http://[::1/"), L"");
}

}  // namespace
