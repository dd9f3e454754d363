// The document tree behind the HTML document stand-in: nodes in document
// (pre-order) order, so that a node's index is its position and its subtree
// is the interval [index, end]. Everything that walks the tree does so by
// index, never by recursion, so pages nested 100,000 levels deep are safe.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/ComTypes.h"
#include "standins/html/HtmlDocument.h"
#include "standins/html/Url.h"

namespace standins::html {

struct StyleDeclaration {
  std::wstring name;  // lower case, as written in CSS ("background-color")
  std::wstring value;
};

struct Node {
  enum class Kind : unsigned char { Document, Element, Text, Comment, Doctype };
  // What an element does to the text of what holds it, found once from its tag.
  enum class TextRole : unsigned char { Inline, Hidden, Break, Cell, Block };
  // Members that only some elements have, found once from the tag.
  enum Members : unsigned char { kHref = 1, kSrc = 2, kAlt = 4, kTextRange = 8 };

  // What walks read of every node comes first, so that it shares a cache line.
  Kind kind = Kind::Element;
  TextRole role = TextRole::Inline;
  unsigned char members = 0;
  int end = 0;  // index of the last node of the subtree
  int parent = -1;
  std::wstring text;  // text, comment or doctype name
  std::wstring tag;   // lower case element name
  std::vector<std::pair<std::wstring, std::wstring>> attributes;
  std::vector<int> children;
  // Inline style, parsed from the style attribute on first use.
  bool styleParsed = false;
  bool styleChanged = false;
  std::vector<StyleDeclaration> style;

  const std::wstring* Attribute(std::wstring_view name) const;
};

// Which members fail, and how, for failure injection.
struct InjectedFailure {
  HRESULT hr;
};

class DispObject;

class Dom {
 public:
  // bytes are UTF-8.
  static std::shared_ptr<Dom> Parse(std::string_view utf8, std::wstring url);

  const std::wstring& Url() const { return url_; }
  std::vector<Node>& Nodes() { return nodes_; }
  const Node& At(int i) const { return nodes_[static_cast<size_t>(i)]; }
  Node& At(int i) { return nodes_[static_cast<size_t>(i)]; }
  int Size() const { return static_cast<int>(nodes_.size()); }
  int Body() const { return body_; }
  int Head() const { return head_; }

  // Elements with that lower-case tag name ("*" or empty: all), in document order; cached.
  const std::vector<int>& Tags(const std::wstring& lowerTag);
  int ById(std::wstring_view id) const;
  // Keeps a derived list alive as long as the dom, for collections that point into it.
  const std::vector<int>* Keep(std::shared_ptr<std::vector<int>> list) {
    kept_.push_back(std::move(list));
    return kept_.back().get();
  }

  // Rendered-ish text of the nodes in [first, last].
  std::wstring Text(int first, int last) const;
  // The same text in a buffer the dom keeps for it: the view lasts until the next call.
  std::wstring_view TextView(int first, int last);
  bool InsideBody(int node) const { return body_ >= 0 && node > body_ && node <= At(body_).end; }

  // Inline style access (parsing the style attribute lazily).
  std::wstring StyleValue(int node, std::wstring_view cssName);
  void SetStyleValue(int node, std::wstring_view cssName, std::wstring_view value);

  // href/src as the DOM reports them, resolved against the page.
  // The view lasts until the next call.
  std::wstring_view ResolvedAttribute(int node, std::wstring_view name);

  // Failure injection: node -1 is the document itself.
  void Fail(int node, std::wstring_view member, HRESULT hr);
  std::optional<HRESULT> Failure(int node, std::wstring_view member) const;

  // Selection: an interval of positions, or one control element.
  enum class SelectionType { None, Text, Control };
  SelectionType selectionType = SelectionType::None;
  int selectionFirst = 0;
  int selectionLast = -1;

  std::string Serialize();

  // Frames: how to load child pages, and how deep this document sits.
  PageLoader loader;
  int depth = 0;
  struct Frame {
    int element = -1;
    std::wstring url;
    bool loaded = false;
    bool accessDenied = false;
    com::ComPtr<IDispatch> document;
  };
  std::vector<Frame> frames;
  bool framesListed = false;

  // Live element objects indexed by node, null where none is alive, so that one element is one
  // object (not owning).
  std::vector<IDispatch*> wrappers;

 private:
  std::vector<Node> nodes_;
  std::wstring url_;
  int body_ = -1;
  int head_ = -1;
  std::wstring baseUrl_;
  std::unique_ptr<UrlResolver> resolver_;
  // Resolved href/src by node: attributes never change, and walks of long pages read them again and
  // again. The addresses lie end to end in the order they were first asked for, which is the order
  // walks ask for them, so a walk reads them as one stream.
  struct ResolvedCache {
    struct Place {
      std::size_t offset = 0;
      std::size_t length = static_cast<std::size_t>(-1);  // not resolved yet
    };
    std::vector<Place> places;  // indexed by node
    std::wstring text;
  };
  void TextInto(int first, int last, std::wstring& out) const;
  std::wstring textBuffer_;
  ResolvedCache resolvedHref_;
  ResolvedCache resolvedSrc_;
  std::unordered_map<std::wstring, std::vector<int>> tagCache_;
  std::map<std::pair<int, std::wstring>, HRESULT> failures_;
  std::vector<std::shared_ptr<std::vector<int>>> kept_;
};

}  // namespace standins::html
