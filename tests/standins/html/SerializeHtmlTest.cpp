// A serialised page is UTF-8 and says so, whatever charset the page it came from declared.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/browser/LateBound.h"
#include "standins/html/Charset.h"
#include "standins/html/HtmlDocument.h"
#include "support/ComTest.h"

namespace {

namespace html = standins::html;

class SerializeHtml : public testing_support::ComTest {};

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST_F(SerializeHtml, CharsetDeclarationsSayUtf8) {
  struct Case {
    const char* name;
    std::string page;     // windows-1252 bytes unless it declares otherwise
    std::string charset;  // the caller's charset, empty: detect
    std::vector<std::string> written;
    std::vector<std::string> gone;
    size_t metaCharsets;  // <meta charset> elements written
  } const cases[] = {
      {"meta charset", "<html><head><meta charset=\"iso-8859-1\"></head><body><p id=t>caf\xE9</p>",
       "",
       {"<head><meta charset=\"utf-8\"></head>"},
       {"iso-8859-1"},
       1},
      {"http-equiv", "<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\"><p id=t>caf\xE9",
       "",
       {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"},
       {"ISO-8859-1"},
       0},
      {"http-equiv, quoted and spaced",
       "<meta HTTP-EQUIV=content-type content=\"text/html;charset = 'windows-1252' \"><p id=t>caf\xE9",
       "",
       {"content=\"text/html;charset = 'utf-8' \""},
       {"windows-1252"},
       0},
      {"no declaration", "<title>x</title><p id=t>caf\xE9", "windows-1252", {"<head><meta charset=\"utf-8\"><title>"}, {}, 1},
      {"a content that is no pragma", "<meta name=description content=\"charset=latin1\"><p id=t>caf\xE9",
       "latin1",
       {"<head><meta charset=\"utf-8\">", "content=\"charset=latin1\""},
       {},
       1},
      {"utf-8 already", "<meta charset=utf-8><p id=t>caf\xC3\xA9", "", {"<meta charset=\"utf-8\">"}, {}, 1},
      {"two declarations", "<meta charset=latin1><meta http-equiv=content-type content='text/html; charset=latin1'>"
                           "<p id=t>caf\xE9",
       "",
       {"<meta charset=\"utf-8\">", "content=\"text/html; charset=utf-8\""},
       {"latin1"},
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto doc = html::LoadDocument(c.page, L"http://example.com/", {c.charset, {}});
    ASSERT_TRUE(doc);
    const std::string markup = html::SerializeHtml(doc.Get());
    for (const std::string& part : c.written) EXPECT_NE(markup.find(part), std::string::npos) << part << "\n" << markup;
    for (const std::string& part : c.gone) EXPECT_EQ(markup.find(part), std::string::npos) << part << "\n" << markup;
    EXPECT_EQ(Count(markup, "<meta charset"), c.metaCharsets) << markup;
    // A browser reads the bytes as they are written: its first look at the page finds UTF-8,
    // and the text comes back as it was.
    EXPECT_EQ(html::DeclaredCharset(markup), "utf-8") << markup;
    auto again = html::LoadDocument(markup, L"http://example.com/");
    EXPECT_EQ(browser::GetProperty(html::ElementById(again.Get(), L"t").Get(), L"innerText").ToString(), L"caf\u00E9")
        << markup;
  }
}

}  // namespace
