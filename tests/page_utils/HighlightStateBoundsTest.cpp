// Link states from a server whose state array has bounds of its own choosing:
// a lower bound at the top of the LONG range, fewer states than links, none.
// A link without a state is not marked; nothing overflows on the way.
#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "page_utils/OffUtilsFuncUnit.h"
#include "page_utils/PageTestSupport.h"
#include "platform/browser/LateBound.h"
#include "platform/com/SafeArray.h"
#include "standins/app_server/ArchiveServer.h"
#include "standins/html/HtmlDocument.h"
#include "support/ComTest.h"
#include "support/Platform.h"

namespace {

using standins::ArchiveServer;

constexpr LONG kLongMax = std::numeric_limits<LONG>::max();
constexpr LONG kLongMin = std::numeric_limits<LONG>::min();

const std::wstring kMarked = L"underline|bold|FF0000|";
const std::wstring kUnstyled = L"|||";

// "decoration|weight|color|background" of the element.
std::wstring StyleOf(IDispatch* document, const wchar_t* id) {
  com::ComPtr<IDispatch> element = standins::html::ElementById(document, id);
  if (!element) return L"<no element>";
  com::ComPtr<IDispatch> style = browser::GetObjectProperty(element.Get(), L"style");
  std::wstring text;
  for (const wchar_t* name : {L"textDecoration", L"fontWeight", L"color", L"backgroundColor"}) {
    if (name != std::wstring(L"textDecoration")) text += L"|";
    text += browser::GetProperty(style.Get(), name).ToString();
  }
  return text;
}

// A vector of variants holding the states, its first index at `lower`; empty
// when the runtime will not store an element at such an index.
std::optional<com::Variant> StateArray(LONG lower, const std::vector<LONG>& states) {
  com::SafeArray array = com::SafeArray::CreateVector(VT_VARIANT, lower, static_cast<ULONG>(states.size()));
  for (std::size_t i = 0; i < states.size(); ++i)
    if (array.PutVariant(static_cast<LONG>(lower + static_cast<long long>(i)), com::Variant(states[i])) != S_OK)
      return std::nullopt;
  return std::move(array).IntoVariant();
}

class HighlightStateBoundsTest : public testing_support::ComTest {
 protected:
  void SetUp() override {
    server_ = ArchiveServer::Create();
    server_->SetHighlightSettings(page_test::MarkArchivedInRed());
  }
  void TearDown() override {
    server_.Reset();
    ComTest::TearDown();
  }

  com::ComPtr<ArchiveServer> server_;
};

TEST_F(HighlightStateBoundsTest, LinksBeyondTheServersStatesAreLeftUnmarked) {
  struct Case {
    const char* name;
    LONG lower;
    std::vector<LONG> states;
    std::vector<std::wstring> expected;  // links l1..l3
  };
  const Case cases[] = {
      {"one state at the top", kLongMax, {5}, {kMarked, kUnstyled, kUnstyled}},
      {"two states ending at the top", kLongMax - 1, {0, -1}, {kMarked, kUnstyled, kUnstyled}},
      {"lowest bound", kLongMin, {-1, 2, 3}, {kUnstyled, kMarked, kMarked}},
      {"no states", 0, {}, {kUnstyled, kUnstyled, kUnstyled}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    com::ComPtr<IDispatch> document = page_test::LoadPage(R"(<body>
<a id="l1" href="http://example.com/one" style="color: red">one</a>
<a id="l2" href="http://example.com/two">two</a>
<a id="l3" href="http://example.com/three" style="font-weight: bold">three</a>
</body>)");
    std::optional<com::Variant> answer = StateArray(c.lower, c.states);
    if (!answer) {
      // Wine's automation runtime computes an element's place in signed 32 bits and
      // refuses indexes at the top of the range, so no server there can send this array.
      EXPECT_TRUE(testing_support::RunningUnderWine()) << "the runtime refused the array";
      continue;
    }
    server_->SetLinkStatesAnswer(std::move(*answer));
    EXPECT_NO_THROW(
        vorn::HighlightDocument(3, document.Get(), static_cast<vorn::IGUIServer*>(server_.Get())));
    EXPECT_EQ(StyleOf(document.Get(), L"l1"), c.expected[0]);
    EXPECT_EQ(StyleOf(document.Get(), L"l2"), c.expected[1]);
    EXPECT_EQ(StyleOf(document.Get(), L"l3"), c.expected[2]);
  }
}

}  // namespace
