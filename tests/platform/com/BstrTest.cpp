#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "platform/com/Bstr.h"
#include "platform/com/ComError.h"

namespace {

std::uint32_t BytePrefix(BSTR s) {
  std::uint32_t n = 0;
  std::memcpy(&n, reinterpret_cast<const char*>(s) - sizeof(n), sizeof(n));
  return n;
}

TEST(SysStringTest, LengthComesFromTheBytePrefixAndTheStringIsTerminated) {
  struct Case {
    const wchar_t* text;
    UINT chars;
  };
  const Case cases[] = {{L"", 0}, {L"a", 1}, {L"Brisel", 6}};
  for (const Case& c : cases) {
    BSTR s = SysAllocString(c.text);
    ASSERT_NE(s, nullptr) << "text \"" << c.text << "\"";
    EXPECT_EQ(SysStringLen(s), c.chars);
    EXPECT_EQ(SysStringByteLen(s), c.chars * sizeof(OLECHAR));
    EXPECT_EQ(BytePrefix(s), c.chars * sizeof(OLECHAR));
    EXPECT_EQ(s[c.chars], L'\0');
    EXPECT_EQ(std::wstring(s), c.text);
    SysFreeString(s);
  }
}

TEST(SysStringTest, EmbeddedZerosAreKept) {
  const wchar_t text[] = {L'a', L'\0', L'b', L'\0', L'c'};
  BSTR s = SysAllocStringLen(text, 5);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 5u);
  EXPECT_EQ(std::wstring(s, SysStringLen(s)), std::wstring(text, 5));
  EXPECT_EQ(s[5], L'\0');
  SysFreeString(s);
}

TEST(SysStringTest, NullSourceGivesUninitialisedCharsButATerminator) {
  BSTR s = SysAllocStringLen(nullptr, 4);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringLen(s), 4u);
  EXPECT_EQ(s[4], L'\0');
  // The characters are the caller's to fill.
  for (int i = 0; i < 4; ++i) s[i] = L'x';
  EXPECT_EQ(std::wstring(s), L"xxxx");
  SysFreeString(s);
}

TEST(SysStringTest, ByteLengthNeedNotBeAWholeNumberOfCharacters) {
  BSTR s = SysAllocStringByteLen("abc", 3);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(SysStringByteLen(s), 3u);
  EXPECT_EQ(SysStringLen(s), 3u / sizeof(OLECHAR));
  EXPECT_EQ(std::memcmp(s, "abc", 3), 0);
  EXPECT_EQ(reinterpret_cast<const char*>(s)[3], '\0');
  SysFreeString(s);
}

TEST(SysStringTest, NullStringsAreHarmless) {
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysStringByteLen(nullptr), 0u);
  SysFreeString(nullptr);
}

TEST(SysStringTest, ImpossibleLengthsFailInsteadOfWrapping) {
  EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
  EXPECT_EQ(SysAllocStringByteLen(nullptr, 0xFFFFFFFFu), nullptr);
}

TEST(SysStringTest, ReAllocReplacesAndMayReuseItsOwnText) {
  BSTR s = SysAllocString(L"hello world");
  ASSERT_TRUE(SysReAllocString(&s, s + 6));
  EXPECT_EQ(std::wstring(s, SysStringLen(s)), L"world");
  ASSERT_TRUE(SysReAllocStringLen(&s, s, 3));
  EXPECT_EQ(std::wstring(s, SysStringLen(s)), L"wor");
  SysFreeString(s);
  EXPECT_FALSE(SysReAllocString(nullptr, L"x"));
}

TEST(BstrWrapperTest, ConstructsFromTextAndView) {
  com::Bstr a(L"Brisel");
  EXPECT_EQ(a.Length(), 6u);
  EXPECT_EQ(a.str(), L"Brisel");
  const std::wstring withZero(L"a\0b", 3);
  com::Bstr b{std::wstring_view(withZero)};
  EXPECT_EQ(b.Length(), 3u);
  EXPECT_EQ(b.str(), withZero);
  com::Bstr none(static_cast<const wchar_t*>(nullptr));
  EXPECT_TRUE(none.IsNull());
  EXPECT_EQ(none.Length(), 0u);
  EXPECT_EQ(none.str(), L"");
}

TEST(BstrWrapperTest, CopiesAreDeepAndKeepEmbeddedZeros) {
  const std::wstring text(L"x\0y", 3);
  com::Bstr a{std::wstring_view(text)};
  com::Bstr b = a;
  EXPECT_NE(a.Get(), b.Get());
  EXPECT_EQ(b.str(), text);
  com::Bstr c(L"other");
  c = a;
  EXPECT_NE(c.Get(), a.Get());
  EXPECT_EQ(c, a);
  c = c;  // self-assignment keeps the value
  EXPECT_EQ(c.str(), text);
}

TEST(BstrWrapperTest, MovesHandOverOwnership) {
  com::Bstr a(L"moved");
  BSTR raw = a.Get();
  com::Bstr b = std::move(a);
  EXPECT_EQ(b.Get(), raw);
  EXPECT_TRUE(a.IsNull());
  com::Bstr c(L"old");
  c = std::move(b);
  EXPECT_EQ(c.Get(), raw);
  EXPECT_TRUE(b.IsNull());
}

// A callee's [out] string is owned by the receiver whether the call
// succeeded or not; what the receiver held before is freed first.
TEST(BstrWrapperTest, ReceiveOwnsWhatTheCalleeLeaves) {
  auto callee = [](BSTR* out, HRESULT hr) {
    EXPECT_EQ(*out, nullptr) << "the slot is empty on entry";
    *out = SysAllocString(L"answer");
    return hr;
  };
  com::Bstr text(L"held before");
  EXPECT_EQ(callee(text.Receive(), S_OK), S_OK);
  EXPECT_EQ(text.str(), L"answer");
  EXPECT_EQ(callee(text.Receive(), E_FAIL), E_FAIL);
  EXPECT_EQ(text.str(), L"answer") << "a failed call's leftovers are owned too (the leak checker sees no loss)";
}

TEST(BstrWrapperTest, DetachAttachAndOutParameters) {
  com::Bstr a(L"one");
  BSTR raw = a.Detach();
  EXPECT_TRUE(a.IsNull());
  com::Bstr b(L"two");
  b.Attach(raw);  // frees "two"
  EXPECT_EQ(b.str(), L"one");

  auto produce = [](BSTR* out) {
    *out = SysAllocString(L"produced");
    return S_OK;
  };
  ASSERT_EQ(produce(b.ReleaseAndGetAddressOf()), S_OK);  // frees "one" first
  EXPECT_EQ(b.str(), L"produced");

  BSTR copy = nullptr;
  ASSERT_EQ(b.CopyTo(&copy), S_OK);
  EXPECT_NE(copy, b.Get());
  com::Bstr owned = com::Bstr::Adopt(copy);
  EXPECT_EQ(owned, b);
  EXPECT_EQ(b.CopyTo(nullptr), E_POINTER);
}

}  // namespace
