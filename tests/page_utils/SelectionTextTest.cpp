// The selected text of a page, as the speech command reads it.
#include <gtest/gtest.h>

#include <string>

#include "page_utils/IEFuncs.h"
#include "page_utils/PageTestSupport.h"
#include "platform/browser/LateBound.h"
#include "platform/com/ComError.h"
#include "platform/win/Clipboard.h"
#include "standins/app_server/ArchiveServer.h"

namespace {

std::wstring SelectedTextOf(IDispatch* document) {
  com::ComPtr<IDispatch> selection = browser::GetObjectProperty(document, L"selection");
  com::ComPtr<IDispatch> range = browser::DispatchOf(browser::CallMethod(selection.Get(), L"createRange"));
  return browser::GetProperty(range.Get(), L"text").ToString();
}

TEST(SelectionTextTest, TheSelectionArrivesWholeInAnyScript) {
  auto document = page_test::LoadPage(
      "<body><p id='a'>Before</p><p id='b'>\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 "
      "\xE4\xB8\x96\xE7\x95\x8C caf\xC3\xA9</p><p id='c'>and more</p><p>after</p></body>");
  standins::html::SelectRange(document.Get(), L"b", L"c");
  const std::wstring expected = SelectedTextOf(document.Get());
  ASSERT_NE(expected.find(L"\u041F\u0440\u0438\u0432\u0435\u0442 \u4E16\u754C caf\u00E9"), std::wstring::npos);

  std::wstring text = L"old";
  vorn::GetSelectionText(document.Get(), text);
  EXPECT_EQ(text, expected);
}

TEST(SelectionTextTest, OtherObjectsGiveNothingAndAFailingCopyIsTheCallersError) {
  std::wstring text = L"old";
  vorn::GetSelectionText(nullptr, text);
  EXPECT_TRUE(text.empty());
  auto server = standins::ArchiveServer::Create();
  text = L"old";
  vorn::GetSelectionText(static_cast<vorn::IGUIServer*>(server.Get()), text);
  EXPECT_TRUE(text.empty());
  EXPECT_TRUE(server->Calls().empty());

  auto document = page_test::LoadPage("<body><p id='a'>text</p></body>");
  standins::html::SelectRange(document.Get(), L"a", L"a");
  standins::html::FailMember(document.Get(), L"", L"execCommand", E_ACCESSDENIED);
  text = L"old";
  EXPECT_THROW(vorn::GetSelectionText(document.Get(), text), com::ComError);
  EXPECT_TRUE(text.empty());
}

TEST(SelectionTextTest, NoSelectionIsNoTextWhateverTheClipboardHeld) {
  auto earlier = page_test::LoadPage("<body><p id='a'>copied before</p></body>");
  standins::html::SelectRange(earlier.Get(), L"a", L"a");
  std::wstring text;
  vorn::GetSelectionText(earlier.Get(), text);
  ASSERT_EQ(text, L"copied before");

  auto document = page_test::LoadPage("<body><p id='a'>nothing selected here</p></body>");
  vorn::GetSelectionText(document.Get(), text);
  EXPECT_EQ(text, L"");
  // The person's clipboard is left as it was.
  ASSERT_TRUE(win::OpenClipboard(nullptr));
  std::wstring held;
  if (HANDLE data = win::GetClipboardData(CF_UNICODETEXT)) {
    held = static_cast<const wchar_t*>(win::GlobalLock(data));
    win::GlobalUnlock(data);
  }
  win::CloseClipboard();
  EXPECT_EQ(held, L"copied before");
}

}  // namespace
