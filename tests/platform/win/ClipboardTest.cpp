// The clipboard as Windows keeps it: who may open it, who may put data on it,
// and the text formats it makes from each other.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "platform/win/Clipboard.h"
#include "platform/win/Window.h"
#include "support/Platform.h"

namespace {

HGLOBAL Block(const void* data, size_t size) {
  HGLOBAL h = win::GlobalAlloc(GMEM_MOVEABLE, size);
  if (!h) return nullptr;
  std::memcpy(win::GlobalLock(h), data, size);
  win::GlobalUnlock(h);
  return h;
}

HGLOBAL WideBlock(const std::wstring& text) { return Block(text.c_str(), (text.size() + 1) * sizeof(wchar_t)); }
HGLOBAL AnsiBlock(const std::string& text) { return Block(text.c_str(), text.size() + 1); }

template <class Char>
std::basic_string<Char> Read(UINT format) {
  HANDLE h = win::GetClipboardData(format);
  if (!h) return {};
  std::basic_string<Char> text(static_cast<const Char*>(win::GlobalLock(h)));
  win::GlobalUnlock(h);
  return text;
}

// Puts one format on the clipboard as its owner; true when the clipboard took it.
bool Put(UINT format, HGLOBAL data) {
  if (!win::OpenClipboard(nullptr)) return false;
  win::EmptyClipboard();
  const bool taken = win::SetClipboardData(format, data) != nullptr;
  if (!taken) win::GlobalFree(data);
  win::CloseClipboard();
  return taken;
}

TEST(Clipboard, UnicodeTextIsReadBackAndOfferedAsAnsiText) {
  ASSERT_TRUE(Put(CF_UNICODETEXT, WideBlock(L"caf\u00e9 \u20ac \u4e2d!")));
  EXPECT_TRUE(win::IsClipboardFormatAvailable(CF_UNICODETEXT));
  EXPECT_TRUE(win::IsClipboardFormatAvailable(CF_TEXT));
  ASSERT_TRUE(win::OpenClipboard(nullptr));
  EXPECT_EQ(Read<wchar_t>(CF_UNICODETEXT), L"caf\u00e9 \u20ac \u4e2d!");
  // The ANSI code page has no CJK: that character becomes '?'.
  EXPECT_EQ(Read<char>(CF_TEXT), "caf\xE9 \x80 ?!");
  EXPECT_EQ(win::GetClipboardData(0xC123), nullptr);
  EXPECT_TRUE(win::CloseClipboard());
}

TEST(Clipboard, AnsiTextIsOfferedAsUnicodeText) {
  ASSERT_TRUE(Put(CF_TEXT, AnsiBlock("na\xEFve \x93q\x94")));
  EXPECT_TRUE(win::IsClipboardFormatAvailable(CF_UNICODETEXT));
  ASSERT_TRUE(win::OpenClipboard(nullptr));
  EXPECT_EQ(Read<wchar_t>(CF_UNICODETEXT), L"na\u00efve \u201cq\u201d");
  EXPECT_TRUE(win::CloseClipboard());
}

TEST(Clipboard, DataNeedsTheClipboardOpenByTheCallingThread) {
  HGLOBAL data = WideBlock(L"x");
  EXPECT_EQ(win::SetClipboardData(CF_UNICODETEXT, data), nullptr);
  EXPECT_EQ(win::GetClipboardData(CF_UNICODETEXT), nullptr);
  EXPECT_FALSE(win::EmptyClipboard());
  EXPECT_FALSE(win::CloseClipboard());
  EXPECT_EQ(win::GlobalFree(data), nullptr);

  ASSERT_TRUE(win::OpenClipboard(nullptr));
  bool otherOpened = true;
  std::thread([&] {
    otherOpened = win::OpenClipboard(nullptr) != FALSE;
    if (otherOpened) win::CloseClipboard();
  }).join();
  // Microsoft documents a clipboard opened with no window as belonging to the
  // opening thread, so another thread cannot open it. Wine compares only the
  // windows (none and none) and lets the other thread in; its close then ends
  // our hold as well.
  if (!testing_support::RunningUnderWine()) {
    EXPECT_FALSE(otherOpened) << "a second thread opened a clipboard that was open";
  }
  const BOOL closed = win::CloseClipboard();
  if (!otherOpened) {
    EXPECT_TRUE(closed);
  }

  bool openedAfterClose = false;
  std::thread([&] {
    openedAfterClose = win::OpenClipboard(nullptr) != FALSE;
    if (openedAfterClose) win::CloseClipboard();
  }).join();
  EXPECT_TRUE(openedAfterClose);
}

TEST(Clipboard, EmptyingDropsEveryFormat) {
  ASSERT_TRUE(Put(CF_UNICODETEXT, WideBlock(L"gone")));
  ASSERT_TRUE(win::OpenClipboard(nullptr));
  EXPECT_TRUE(win::EmptyClipboard());
  EXPECT_EQ(win::GetClipboardData(CF_UNICODETEXT), nullptr);
  EXPECT_EQ(win::GetClipboardData(CF_TEXT), nullptr);
  EXPECT_TRUE(win::CloseClipboard());
  EXPECT_FALSE(win::IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_FALSE(win::IsClipboardFormatAvailable(CF_UNICODETEXT));
}

TEST(Clipboard, GlobalMemoryKeepsItsSizeAndLockCount) {
  HGLOBAL h = win::GlobalAlloc(GHND, 10);
  ASSERT_NE(h, nullptr);
  EXPECT_GE(win::GlobalSize(h), 10u);
  auto* first = static_cast<unsigned char*>(win::GlobalLock(h));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first[9], 0);  // GHND zero-fills
  EXPECT_EQ(win::GlobalLock(h), first);
  EXPECT_TRUE(win::GlobalUnlock(h));   // still locked once
  EXPECT_FALSE(win::GlobalUnlock(h));  // now unlocked
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(win::GlobalFree(h), nullptr);
}

}  // namespace
