// Which link addresses the page commands may hand on, and in what form.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "page_utils/HTML_UI_Less.h"
#include "page_utils/OffUtilsFuncUnit.h"
#include "platform/win/System.h"

namespace {

struct AddressCase {
  const wchar_t* address;
  bool openable;
  const wchar_t* normalized;
};

const AddressCase kAddressCases[] = {
    {L"http://example.com/page", true, L"http://example.com/page"},
    {L"http://example.com/page#part", true, L"http://example.com/page"},
    {L"http://example.com/a#b#c", true, L"http://example.com/a"},
    {L"#top", true, L""},
    {L"", true, L""},
    {L"javascript:void(0)", false, L""},
    {L"JavaScript:open()", false, L""},
    {L"JAVASCRIPT", false, L""},
    {L"mailto:someone@example.com", false, L""},
    {L"MailTo:x", false, L""},
    // The prefix is compared over its own length only.
    {L"javascriptfoo.html", false, L""},
    {L"java", true, L"java"},
    {L"mail", true, L"mail"},
    {L"http://example.com/?go=javascript:x", true, L"http://example.com/?go=javascript:x"},
    {L" javascript:x", true, L" javascript:x"},
    // A fragment goes before the scheme test: "#" alone leaves nothing behind.
    {L"mailto#x", false, L""},
    {L"http://\u00E9xample.com/\u0436#\u03C9", true, L"http://\u00E9xample.com/\u0436"},
};

TEST(LinkAddressTest, ScriptAndMailAddressesAreNotOpenedAndFragmentsGo) {
  for (const AddressCase& c : kAddressCases) {
    SCOPED_TRACE(testing::Message() << "address #" << (&c - kAddressCases));
    EXPECT_EQ(vorn::IsOpenableURL(c.address), c.openable);
    EXPECT_EQ(vorn::NormalizeLinkURL(c.address), c.normalized);
  }
}

TEST(LinkAddressTest, AddressesDifferingOnlyInCaseShareAKey) {
  EXPECT_EQ(vorn::CaseInsensitiveKey(L"HTTP://Example.COM/\u00C9t\u00C9"),
            vorn::CaseInsensitiveKey(L"http://example.com/\u00E9t\u00E9"));
  EXPECT_NE(vorn::CaseInsensitiveKey(L"http://example.com/a"), vorn::CaseInsensitiveKey(L"http://example.com/b"));
  EXPECT_NE(vorn::CaseInsensitiveKey(L""), vorn::CaseInsensitiveKey(L"a"));
}

TEST(LinkAddressTest, ColoursBecomeBareUpperCaseRgbDigits) {
  // Windows colour values keep red in the low byte; style sheets want it first.
  EXPECT_EQ(vorn::ColorToStyleValue(0x000000FF), L"FF0000");
  EXPECT_EQ(vorn::ColorToStyleValue(0x0000FF00), L"00FF00");
  EXPECT_EQ(vorn::ColorToStyleValue(0x00FF0000), L"0000FF");
  EXPECT_EQ(vorn::ColorToStyleValue(0x00123456), L"563412");
  EXPECT_EQ(vorn::ColorToStyleValue(0), L"000000");
  // Only the low 24 bits of an ordinary value count.
  EXPECT_EQ(vorn::ColorToStyleValue(0x02ABCDEF), L"EFCDAB");
  // A system colour is the user's current one.
  const DWORD highlight = win::GetSysColor(COLOR_HIGHLIGHT);
  const DWORD swapped = ((highlight & 0xFF) << 16) | (highlight & 0xFF00) | ((highlight >> 16) & 0xFF);
  wchar_t expected[8];
  std::swprintf(expected, 8, L"%06X", static_cast<unsigned>(swapped));
  EXPECT_EQ(vorn::ColorToStyleValue(0x80000000u | COLOR_HIGHLIGHT), expected);
}

}  // namespace
