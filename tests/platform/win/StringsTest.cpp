// Case-insensitive comparison and sort keys: addresses that differ only in
// letter case, in any script a page may use, must meet as one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win/Strings.h"
#include "platform/win/Window.h"

namespace {

std::string SortKey(const std::wstring& text, DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE) {
  const int needed = win::LCMapStringW(LOCALE_USER_DEFAULT, flags, text.c_str(), -1, nullptr, 0);
  EXPECT_GT(needed, 0);
  std::string key(static_cast<std::size_t>(needed), '\0');
  const int written =
      win::LCMapStringW(LOCALE_USER_DEFAULT, flags, text.c_str(), -1, reinterpret_cast<LPWSTR>(key.data()), needed);
  EXPECT_EQ(written, needed);
  return key;
}

struct CasePair {
  const wchar_t* upper;
  const wchar_t* lower;
};

const CasePair kCasePairs[] = {
    {L"HTTP://EXAMPLE.COM/A", L"http://example.com/a"},
    {L"\u00C9COLE-\u00D8\u00C5\u00DE", L"\u00E9cole-\u00F8\u00E5\u00FE"},     // Latin-1
    {L"\u0141\u00D3D\u0179-\u0150\u0170", L"\u0142\u00F3d\u017A-\u0151\u0171"},  // Latin Extended-A
    {L"\u03A3\u039F\u03A6\u0399\u0391-\u0386", L"\u03C3\u03BF\u03C6\u03B9\u03B1-\u03AC"},  // Greek
    {L"\u041C\u041E\u0421\u041A\u0412\u0410-\u0401\u0416", L"\u043C\u043E\u0441\u043A\u0432\u0430-\u0451\u0436"},  // Cyrillic
    {L"\u1E80\u1EA0", L"\u1E81\u1EA1"},  // Latin Extended Additional
};

TEST(StringsTest, LettersThatDifferOnlyInCaseCompareEqual) {
  for (const CasePair& pair : kCasePairs) {
    SCOPED_TRACE(testing::Message() << "pair starting U+" << std::hex << static_cast<unsigned>(pair.upper[0]));
    EXPECT_EQ(win::lstrcmpiW(pair.upper, pair.lower), 0);
    EXPECT_EQ(win::lstrcmpiW(pair.lower, pair.upper), 0);
    EXPECT_EQ(SortKey(pair.upper), SortKey(pair.lower));
    // Without NORM_IGNORECASE the case is part of the key.
    EXPECT_NE(SortKey(pair.upper, LCMAP_SORTKEY), SortKey(pair.lower, LCMAP_SORTKEY));
  }
}

TEST(StringsTest, DifferentTextsStayApartAndKeysOrderAsTheComparison) {
  const std::vector<std::pair<std::wstring, std::wstring>> ordered = {
      {L"abc", L"abd"}, {L"a", L"B"}, {L"http://a.com/x", L"HTTP://A.COM/XY"}, {L"", L"a"},
      {L"\u0430", L"\u0411"},  // Cyrillic a before Be
  };
  for (const auto& [first, second] : ordered) {
    SCOPED_TRACE(std::string(first.begin(), first.end()));
    EXPECT_LT(win::lstrcmpiW(first.c_str(), second.c_str()), 0);
    EXPECT_GT(win::lstrcmpiW(second.c_str(), first.c_str()), 0);
    EXPECT_LT(SortKey(first), SortKey(second));
  }
}

TEST(StringsTest, CaseMappingAndBadArguments) {
  const std::wstring mixed = L"Ab\u00E9\u0436\u03C9";
  std::wstring upper(mixed.size(), L'\0');
  ASSERT_EQ(win::LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, mixed.data(), static_cast<int>(mixed.size()),
                              upper.data(), static_cast<int>(upper.size())),
            static_cast<int>(mixed.size()));
  EXPECT_EQ(upper, L"AB\u00C9\u0416\u03A9");
  std::wstring lower(mixed.size(), L'\0');
  ASSERT_EQ(win::LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_LOWERCASE, upper.data(), static_cast<int>(upper.size()),
                              lower.data(), static_cast<int>(lower.size())),
            static_cast<int>(mixed.size()));
  EXPECT_EQ(lower, L"ab\u00E9\u0436\u03C9");

  // Too small a buffer, a missing source: nothing written, the reason in the last error.
  wchar_t small[2] = {L'x', L'x'};
  win::SetLastError(0);
  EXPECT_EQ(win::LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, mixed.data(), static_cast<int>(mixed.size()),
                              small, 2),
            0);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  win::SetLastError(0);
  EXPECT_EQ(win::LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, nullptr, 3, small, 2), 0);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
