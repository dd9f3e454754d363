#include "standins/html/Dom.h"

#include <gumbo.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <unordered_set>
#include <utility>

#include "platform/com/Text.h"
#include "standins/html/Url.h"

namespace standins::html {

namespace {

std::wstring Wide(const char* utf8) { return utf8 ? com::FromUtf8(utf8) : std::wstring(); }

std::wstring TagName(const GumboElement& e) {
  if (e.tag != GUMBO_TAG_UNKNOWN) return Wide(gumbo_normalized_tagname(e.tag));
  GumboStringPiece piece = e.original_tag;
  gumbo_tag_from_original_text(&piece);
  return com::AsciiLower(com::FromUtf8(std::string_view(piece.data, piece.length)));
}

bool IsBlock(const std::wstring& tag) {
  static const std::unordered_set<std::wstring> kBlocks = {
      L"address", L"article", L"aside", L"blockquote", L"body", L"caption", L"center", L"dd", L"details",
      L"dialog", L"dir", L"div", L"dl", L"dt", L"fieldset", L"figcaption", L"figure", L"footer", L"form",
      L"frameset", L"h1", L"h2", L"h3", L"h4", L"h5", L"h6", L"header", L"hr", L"html", L"legend", L"li",
      L"main", L"menu", L"nav", L"ol", L"option", L"p", L"pre", L"section", L"summary", L"table", L"tbody",
      L"tfoot", L"thead", L"tr", L"ul"};
  return kBlocks.count(tag) != 0;
}

bool IsHiddenText(const std::wstring& tag) {
  return tag == L"script" || tag == L"style" || tag == L"head" || tag == L"title" || tag == L"template" ||
         tag == L"noscript";
}

Node::TextRole RoleOf(const std::wstring& tag) {
  if (IsHiddenText(tag)) return Node::TextRole::Hidden;
  if (tag == L"br") return Node::TextRole::Break;
  if (tag == L"td" || tag == L"th") return Node::TextRole::Cell;
  if (IsBlock(tag)) return Node::TextRole::Block;
  return Node::TextRole::Inline;
}

unsigned char MembersOf(std::wstring_view tag) {
  auto any = [&](std::initializer_list<std::wstring_view> tags) {
    return std::find(tags.begin(), tags.end(), tag) != tags.end();
  };
  unsigned char members = 0;
  if (any({L"a", L"area", L"link", L"base"})) members |= Node::kHref;
  if (any({L"img", L"frame", L"iframe", L"script", L"embed", L"input", L"audio", L"video", L"source"}))
    members |= Node::kSrc;
  if (any({L"img", L"area", L"input", L"applet"})) members |= Node::kAlt;
  if (any({L"body", L"frameset", L"input", L"textarea", L"button"})) members |= Node::kTextRange;
  return members;
}

bool IsVoid(const std::wstring& tag) {
  static const std::unordered_set<std::wstring> kVoid = {L"area", L"base", L"br", L"col", L"embed", L"frame",
                                                         L"hr", L"img", L"input", L"keygen", L"link", L"meta",
                                                         L"param", L"source", L"track", L"wbr", L"basefont", L"bgsound"};
  return kVoid.count(tag) != 0;
}

bool IsRawText(const std::wstring& tag) {
  return tag == L"script" || tag == L"style" || tag == L"xmp" || tag == L"iframe" || tag == L"noembed" ||
         tag == L"noframes" || tag == L"plaintext";
}

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f'; }

std::wstring TrimSpaces(std::wstring_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsSpace(s[b])) ++b;
  while (e > b && IsSpace(s[e - 1])) --e;
  return std::wstring(s.substr(b, e - b));
}

// Attributes that hold an address, by element.
bool HoldsAddress(const std::wstring& tag, std::wstring_view name) {
  if (name == L"href") return tag == L"a" || tag == L"area" || tag == L"link" || tag == L"base";
  if (name == L"src")
    return tag == L"img" || tag == L"frame" || tag == L"iframe" || tag == L"script" || tag == L"embed" ||
           tag == L"input" || tag == L"source" || tag == L"audio" || tag == L"video";
  return false;
}

// The serialised page is UTF-8, so every charset it declares must say so.
constexpr std::wstring_view kWrittenCharset = L"utf-8";

// Where the charset lies in a Content-Type value ("text/html; charset=iso-8859-1"), found as a
// browser finds it in a <meta http-equiv> content; nullopt when there is none.
std::optional<std::pair<size_t, size_t>> ContentCharset(std::wstring_view content) {
  const std::wstring lower = com::AsciiLower(content);
  for (size_t at = lower.find(L"charset"); at != std::wstring::npos; at = lower.find(L"charset", at)) {
    size_t i = at + 7;
    while (i < lower.size() && IsSpace(lower[i])) ++i;
    if (i >= lower.size() || lower[i] != L'=') {
      at = i;
      continue;
    }
    ++i;
    while (i < lower.size() && IsSpace(lower[i])) ++i;
    if (i >= lower.size()) return std::nullopt;
    if (lower[i] == L'"' || lower[i] == L'\'') {
      const size_t close = lower.find(lower[i], i + 1);
      if (close == std::wstring::npos) return std::nullopt;
      return std::make_pair(i + 1, close - i - 1);
    }
    size_t j = i;
    while (j < lower.size() && !IsSpace(lower[j]) && lower[j] != L';') ++j;
    return std::make_pair(i, j - i);
  }
  return std::nullopt;
}

bool IsContentTypePragma(const Node& n) {
  const std::wstring* equiv = n.Attribute(L"http-equiv");
  return equiv && com::AsciiLower(TrimSpaces(*equiv)) == L"content-type";
}

// Whether a <meta> element declares the page's charset.
bool DeclaresCharset(const Node& n) {
  if (n.Attribute(L"charset")) return true;
  const std::wstring* content = n.Attribute(L"content");
  return content && IsContentTypePragma(n) && ContentCharset(*content);
}

// An attribute of a <meta> element as the UTF-8 serialisation writes it.
std::wstring MetaAttribute(const Node& n, const std::wstring& name, const std::wstring& value) {
  if (name == L"charset") return std::wstring(kWrittenCharset);
  if (name != L"content" || !IsContentTypePragma(n)) return value;
  const auto charset = ContentCharset(value);
  if (!charset) return value;
  std::wstring written = value;
  written.replace(charset->first, charset->second, kWrittenCharset);
  return written;
}

void AppendEscaped(std::string& out, std::wstring_view text, bool attribute) {
  std::string utf8 = com::ToUtf8(text);
  for (char c : utf8) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += attribute ? "<" : "&lt;"; break;
      case '>': out += attribute ? ">" : "&gt;"; break;
      case '"': out += attribute ? "&quot;" : "\""; break;
      default: out += c;
    }
  }
}

// The parser's memory, kept apart so that a parse is freed in one sweep:
// the parser's own teardown recurses once per nesting level, which a page
// nested 100,000 deep turns into a stack overflow on a 1 MB thread stack.
class ParserArena {
 public:
  ParserArena() = default;
  ParserArena(const ParserArena&) = delete;
  ParserArena& operator=(const ParserArena&) = delete;
  ~ParserArena() {
    for (void* p : live_) std::free(p);
  }
  static void* Allocate(void* self, size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (p) static_cast<ParserArena*>(self)->live_.insert(p);
    return p;
  }
  static void Deallocate(void* self, void* p) {
    if (p && static_cast<ParserArena*>(self)->live_.erase(p)) std::free(p);
  }

 private:
  std::unordered_set<void*> live_;
};

}  // namespace

const std::wstring* Node::Attribute(std::wstring_view name) const {
  for (const auto& [n, v] : attributes)
    if (n == name) return &v;
  return nullptr;
}

std::shared_ptr<Dom> Dom::Parse(std::string_view utf8, std::wstring url) {
  auto dom = std::make_shared<Dom>();
  dom->url_ = std::move(url);
  ParserArena arena;
  GumboOptions options = kGumboDefaultOptions;
  options.allocator = &ParserArena::Allocate;
  options.deallocator = &ParserArena::Deallocate;
  options.userdata = &arena;
  options.max_errors = 0;  // the parse errors of a hostile page would only cost memory
  GumboOutput* output = gumbo_parse_with_options(&options, utf8.data(), utf8.size());
  if (!output) return dom;
  struct Pending {
    const GumboNode* node;
    int parent;
  };
  std::vector<Pending> stack{{output->document, -1}};
  while (!stack.empty()) {
    const Pending item = stack.back();
    stack.pop_back();
    const GumboNode* g = item.node;
    Node node;
    node.parent = item.parent;
    const GumboVector* children = nullptr;
    switch (g->type) {
      case GUMBO_NODE_DOCUMENT:
        node.kind = Node::Kind::Document;
        node.text = Wide(g->v.document.name);
        children = &g->v.document.children;
        break;
      case GUMBO_NODE_ELEMENT:
      case GUMBO_NODE_TEMPLATE:
        node.kind = Node::Kind::Element;
        node.tag = TagName(g->v.element);
        node.role = RoleOf(node.tag);
        node.members = MembersOf(node.tag);
        for (unsigned i = 0; i < g->v.element.attributes.length; ++i) {
          const auto* a = static_cast<const GumboAttribute*>(g->v.element.attributes.data[i]);
          node.attributes.emplace_back(com::AsciiLower(Wide(a->name)), Wide(a->value));
        }
        children = &g->v.element.children;
        break;
      case GUMBO_NODE_COMMENT:
        node.kind = Node::Kind::Comment;
        node.text = Wide(g->v.text.text);
        break;
      default:
        node.kind = Node::Kind::Text;
        node.text = Wide(g->v.text.text);
        break;
    }
    const int index = static_cast<int>(dom->nodes_.size());
    node.end = index;
    if (node.kind == Node::Kind::Element) {
      if (node.tag == L"body" && dom->body_ < 0) dom->body_ = index;
      if (node.tag == L"head" && dom->head_ < 0) dom->head_ = index;
      // A frameset page has no body; its frameset plays that part for ranges.
      if (node.tag == L"frameset" && dom->body_ < 0) dom->body_ = index;
    }
    if (item.parent >= 0) dom->nodes_[static_cast<size_t>(item.parent)].children.push_back(index);
    dom->nodes_.push_back(std::move(node));
    if (children)
      for (unsigned i = children->length; i-- > 0;)
        stack.push_back({static_cast<const GumboNode*>(children->data[i]), index});
  }
  // The arena frees the parser's tree when it goes.
  for (int i = dom->Size() - 1; i > 0; --i) {
    Node& n = dom->At(i);
    Node& p = dom->At(n.parent);
    p.end = std::max(p.end, n.end);
  }
  // A <base href> moves the address relative references resolve against.
  for (int i : dom->Tags(L"base")) {
    if (const std::wstring* href = dom->At(i).Attribute(L"href")) {
      if (auto resolved = ResolveUrl(*href, dom->url_)) dom->baseUrl_ = *resolved;
      break;
    }
  }
  return dom;
}

const std::vector<int>& Dom::Tags(const std::wstring& lowerTag) {
  const std::wstring key = lowerTag.empty() ? L"*" : lowerTag;
  auto it = tagCache_.find(key);
  if (it != tagCache_.end()) return it->second;
  std::vector<int> found;
  for (int i = 0; i < Size(); ++i) {
    const Node& n = At(i);
    if (n.kind == Node::Kind::Element && (key == L"*" || n.tag == key)) found.push_back(i);
  }
  return tagCache_.emplace(key, std::move(found)).first->second;
}

int Dom::ById(std::wstring_view id) const {
  for (int i = 0; i < Size(); ++i) {
    const Node& n = At(i);
    if (n.kind != Node::Kind::Element) continue;
    const std::wstring* v = n.Attribute(L"id");
    if (v && *v == id) return i;
  }
  return -1;
}

std::wstring Dom::Text(int first, int last) const {
  std::wstring out;
  TextInto(first, last, out);
  return out;
}

std::wstring_view Dom::TextView(int first, int last) {
  TextInto(first, last, textBuffer_);
  return textBuffer_;
}

void Dom::TextInto(int first, int last, std::wstring& out) const {
  out.clear();
  int pendingBreaks = 0;
  bool pendingSpace = false;
  std::vector<int> openBlocks;  // ends of the block elements we are inside
  auto breakBefore = [&](int n) { pendingBreaks = std::max(pendingBreaks, n); };
  last = std::min(last, Size() - 1);
  for (int i = std::max(first, 0); i <= last; ++i) {
    while (!openBlocks.empty() && openBlocks.back() < i) {
      openBlocks.pop_back();
      breakBefore(1);
    }
    const Node& n = At(i);
    if (n.kind == Node::Kind::Element) {
      switch (n.role) {
        case Node::TextRole::Hidden:
          if (i != first) i = n.end;
          break;
        case Node::TextRole::Break:
          if (!out.empty()) out += L"\r\n";
          pendingBreaks = 0;
          pendingSpace = false;
          break;
        case Node::TextRole::Cell:
          pendingSpace = true;
          break;
        case Node::TextRole::Block:
          breakBefore(1);
          openBlocks.push_back(n.end);
          break;
        case Node::TextRole::Inline:
          break;
      }
      continue;
    }
    if (n.kind != Node::Kind::Text) continue;
    // Words go over whole; what separates them collapses to one space or the pending breaks.
    const std::wstring& text = n.text;
    for (std::size_t k = 0; k < text.size();) {
      if (IsSpace(text[k])) {
        pendingSpace = true;
        ++k;
        continue;
      }
      std::size_t end = k + 1;
      while (end < text.size() && !IsSpace(text[end])) ++end;
      if (!out.empty()) {
        if (pendingBreaks > 0) {
          for (int b = 0; b < pendingBreaks; ++b) out += L"\r\n";
        } else if (pendingSpace && out.back() != L'\n') {
          out += L' ';
        }
      }
      pendingBreaks = 0;
      pendingSpace = false;
      out.append(text, k, end - k);
      k = end;
    }
  }
}

namespace {

void ParseStyle(Node& n) {
  if (n.styleParsed) return;
  n.styleParsed = true;
  const std::wstring* text = n.Attribute(L"style");
  if (!text) return;
  size_t start = 0;
  while (start <= text->size()) {
    size_t semi = text->find(L';', start);
    if (semi == std::wstring::npos) semi = text->size();
    const std::wstring_view decl = std::wstring_view(*text).substr(start, semi - start);
    const size_t colon = decl.find(L':');
    if (colon != std::wstring_view::npos) {
      std::wstring name = com::AsciiLower(TrimSpaces(decl.substr(0, colon)));
      std::wstring value = TrimSpaces(decl.substr(colon + 1));
      if (!name.empty()) {
        auto it = std::find_if(n.style.begin(), n.style.end(), [&](const auto& d) { return d.name == name; });
        if (it != n.style.end()) {
          it->value = value;
        } else {
          n.style.push_back({std::move(name), std::move(value)});
        }
      }
    }
    start = semi + 1;
  }
}

}  // namespace

std::wstring Dom::StyleValue(int node, std::wstring_view cssName) {
  Node& n = At(node);
  ParseStyle(n);
  for (const auto& d : n.style)
    if (d.name == cssName) return d.value;
  return {};
}

void Dom::SetStyleValue(int node, std::wstring_view cssName, std::wstring_view value) {
  Node& n = At(node);
  ParseStyle(n);
  n.styleChanged = true;
  auto it = std::find_if(n.style.begin(), n.style.end(), [&](const auto& d) { return d.name == cssName; });
  const std::wstring trimmed = TrimSpaces(value);
  if (trimmed.empty()) {
    if (it != n.style.end()) n.style.erase(it);
  } else if (it != n.style.end()) {
    it->value = trimmed;
  } else {
    n.style.push_back({std::wstring(cssName), trimmed});
  }
}

std::wstring_view Dom::ResolvedAttribute(int node, std::wstring_view name) {
  ResolvedCache* cache = name == L"src" ? &resolvedSrc_ : name == L"href" ? &resolvedHref_ : nullptr;
  const auto index = static_cast<std::size_t>(node);
  if (cache && cache->places.size() == nodes_.size() && cache->places[index].length != ResolvedCache::Place{}.length)
    return std::wstring_view(cache->text).substr(cache->places[index].offset, cache->places[index].length);
  const Node& n = At(node);
  const std::wstring* raw = n.Attribute(name);
  if (!raw) return {};
  if (!cache || !HoldsAddress(n.tag, name)) return *raw;
  if (cache->places.size() != nodes_.size()) cache->places.resize(nodes_.size());
  if (!resolver_) resolver_ = std::make_unique<UrlResolver>(baseUrl_.empty() ? url_ : baseUrl_);
  const auto resolved = resolver_->Resolve(*raw);
  const std::wstring& address = resolved ? *resolved : *raw;
  cache->places[index] = ResolvedCache::Place{cache->text.size(), address.size()};
  cache->text += address;
  return std::wstring_view(cache->text).substr(cache->places[index].offset, address.size());
}

void Dom::Fail(int node, std::wstring_view member, HRESULT hr) {
  failures_[{node, com::AsciiLower(member)}] = hr;
}

std::optional<HRESULT> Dom::Failure(int node, std::wstring_view member) const {
  if (failures_.empty()) return std::nullopt;
  auto it = failures_.find({node, com::AsciiLower(member)});
  if (it == failures_.end()) return std::nullopt;
  return it->second;
}

std::string Dom::Serialize() {
  std::string out;
  const std::vector<int>& metas = Tags(L"meta");
  const bool declared =
      std::any_of(metas.begin(), metas.end(), [&](int meta) { return DeclaresCharset(At(meta)); });
  std::vector<int> open;  // elements whose end tag is still to be written
  auto close = [&](int upTo) {
    while (!open.empty() && At(open.back()).end < upTo) {
      out += "</" + com::ToUtf8(At(open.back()).tag) + ">";
      open.pop_back();
    }
  };
  for (int i = 0; i < Size(); ++i) {
    close(i);
    Node& n = At(i);
    switch (n.kind) {
      case Node::Kind::Document:
        if (!n.text.empty()) out += "<!DOCTYPE " + com::ToUtf8(n.text) + ">";
        break;
      case Node::Kind::Doctype: break;
      case Node::Kind::Comment: out += "<!--" + com::ToUtf8(n.text) + "-->"; break;
      case Node::Kind::Text: {
        const bool raw = n.parent >= 0 && IsRawText(At(n.parent).tag);
        if (raw) {
          out += com::ToUtf8(n.text);
        } else {
          AppendEscaped(out, n.text, false);
        }
        break;
      }
      case Node::Kind::Element: {
        out += "<" + com::ToUtf8(n.tag);
        std::wstring style;
        if (n.styleChanged) {
          for (const auto& d : n.style) {
            if (!style.empty()) style += L"; ";
            style += d.name + L": " + d.value;
          }
        }
        bool styleWritten = false;
        for (const auto& [name, value] : n.attributes) {
          if (name == L"style" && n.styleChanged) {
            styleWritten = true;
            if (style.empty()) continue;
            out += " style=\"";
            AppendEscaped(out, style, true);
            out += "\"";
            continue;
          }
          out += " " + com::ToUtf8(name) + "=\"";
          AppendEscaped(out, n.tag == L"meta" ? MetaAttribute(n, name, value) : value, true);
          out += "\"";
        }
        if (n.styleChanged && !styleWritten && !style.empty()) {
          out += " style=\"";
          AppendEscaped(out, style, true);
          out += "\"";
        }
        out += ">";
        if (i == head_ && !declared) out += "<meta charset=\"" + com::ToUtf8(kWrittenCharset) + "\">";
        if (!IsVoid(n.tag)) open.push_back(i);
        break;
      }
    }
  }
  close(Size() + 1);
  return out;
}

}  // namespace standins::html
