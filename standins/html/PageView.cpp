#include "standins/html/PageView.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/com/Text.h"

namespace standins::html {

namespace {

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\f'; }

std::wstring_view Trim(std::wstring_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

std::optional<COLORREF> ParseHex(std::wstring_view digits) {
  if (digits.size() != 3 && digits.size() != 6) return std::nullopt;
  int v[6];
  for (size_t i = 0; i < digits.size(); ++i)
    if ((v[i] = HexDigit(digits[i])) < 0) return std::nullopt;
  if (digits.size() == 3) return RGB(v[0] * 17, v[1] * 17, v[2] * 17);
  return RGB(v[0] * 16 + v[1], v[2] * 16 + v[3], v[4] * 16 + v[5]);
}

// rgb(r, g, b) with integer components 0..255.
std::optional<COLORREF> ParseRgbFunction(std::wstring_view text) {
  if (text.size() < 5 || text.back() != L')') return std::nullopt;
  text = text.substr(4, text.size() - 5);
  int parts[3];
  for (int i = 0; i < 3; ++i) {
    const size_t comma = text.find(L',');
    if ((comma == std::wstring_view::npos) != (i == 2)) return std::nullopt;
    std::wstring_view part = Trim(text.substr(0, comma));
    if (part.empty() || part.size() > 3) return std::nullopt;
    int value = 0;
    for (wchar_t c : part) {
      if (c < L'0' || c > L'9') return std::nullopt;
      value = value * 10 + (c - L'0');
    }
    if (value > 255) return std::nullopt;
    parts[i] = value;
    if (comma != std::wstring_view::npos) text.remove_prefix(comma + 1);
  }
  return RGB(parts[0], parts[1], parts[2]);
}

struct NamedColor {
  const wchar_t* name;
  COLORREF color;
};

const NamedColor kNames[] = {
    {L"black", RGB(0, 0, 0)},         {L"white", RGB(255, 255, 255)},   {L"red", RGB(255, 0, 0)},
    {L"green", RGB(0, 128, 0)},       {L"lime", RGB(0, 255, 0)},        {L"blue", RGB(0, 0, 255)},
    {L"navy", RGB(0, 0, 128)},        {L"yellow", RGB(255, 255, 0)},    {L"orange", RGB(255, 165, 0)},
    {L"gray", RGB(128, 128, 128)},    {L"grey", RGB(128, 128, 128)},    {L"silver", RGB(192, 192, 192)},
    {L"maroon", RGB(128, 0, 0)},      {L"purple", RGB(128, 0, 128)},    {L"fuchsia", RGB(255, 0, 255)},
    {L"olive", RGB(128, 128, 0)},     {L"teal", RGB(0, 128, 128)},      {L"aqua", RGB(0, 255, 255)},
};

const wchar_t* const kBlockTags[] = {L"address", L"article", L"aside",  L"blockquote", L"body",   L"center",
                                     L"dd",      L"div",     L"dl",     L"dt",         L"fieldset", L"footer",
                                     L"form",    L"h1",      L"h2",     L"h3",         L"h4",     L"h5",
                                     L"h6",      L"header",  L"hr",     L"li",         L"main",   L"nav",
                                     L"ol",      L"p",       L"pre",    L"section",    L"table",  L"tr",
                                     L"ul",      L"caption", L"figure", L"html"};
const wchar_t* const kHiddenTags[] = {L"head",   L"script", L"style",  L"title",    L"template",
                                      L"iframe", L"frame",  L"frameset", L"noframes", L"noscript"};
const wchar_t* const kBoldTags[] = {L"b", L"strong", L"th", L"h1", L"h2", L"h3", L"h4", L"h5", L"h6"};

template <size_t N>
bool OneOf(const std::wstring& tag, const wchar_t* const (&names)[N]) {
  return std::any_of(std::begin(names), std::end(names), [&](const wchar_t* n) { return tag == n; });
}

// What an element hands down to the text inside it.
struct Frame {
  int end = 0;  // last node of the element's subtree
  bool block = false;
  std::optional<COLORREF> color;
  std::optional<COLORREF> background;
  bool bold = false;
  bool underline = false, overline = false, lineThrough = false;
};

// A size attribute's leading digits, as browsers read "20" or "20px"; fallback without any.
int Attribute(const Node& node, std::wstring_view name, int fallback) {
  const std::wstring* value = node.Attribute(name);
  if (!value) return fallback;
  const std::wstring_view text = Trim(*value);
  int number = 0;
  size_t digits = 0;
  for (; digits < text.size() && text[digits] >= L'0' && text[digits] <= L'9'; ++digits)
    number = std::min(number * 10 + (text[digits] - L'0'), 100000);
  return digits ? number : fallback;
}

bool IsBoldWeight(std::wstring_view weight) {
  weight = Trim(weight);
  if (com::EqualsNoCase(weight, L"bold") || com::EqualsNoCase(weight, L"bolder")) return true;
  int value = 0;
  if (weight.empty() || weight.size() > 4) return false;
  for (wchar_t c : weight) {
    if (c < L'0' || c > L'9') return false;
    value = value * 10 + (c - L'0');
  }
  return value >= 600;
}

// Solid brushes by colour for one drawing, all deleted at its end.
class Brushes {
 public:
  Brushes() = default;
  Brushes(const Brushes&) = delete;
  Brushes& operator=(const Brushes&) = delete;
  ~Brushes() {
    for (auto& [color, brush] : brushes_) win::DeleteObject(brush);
  }
  HBRUSH Get(COLORREF color) {
    auto it = brushes_.find(color);
    if (it != brushes_.end()) return it->second;
    HBRUSH brush = win::CreateSolidBrush(color);
    if (brush) brushes_.emplace(color, brush);
    return brush;
  }

 private:
  std::map<COLORREF, HBRUSH> brushes_;
};

class Painter {
 public:
  Painter(Dom& dom, HDC dc, const RECT& bounds) : dom_(dom), dc_(dc), bounds_(bounds) {
    x_ = bounds.left;
    y_ = bounds.top;
  }

  bool Run() {
    const int body = dom_.Body();
    COLORREF background = RGB(255, 255, 255);
    if (body >= 0) {
      const std::wstring* attribute = dom_.At(body).Attribute(L"bgcolor");
      if (auto c = ParseColor(dom_.StyleValue(body, L"background-color"))) background = *c;
      else if (attribute && ParseColor(*attribute)) background = *ParseColor(*attribute);
    }
    Fill(bounds_, background);
    const int first = body >= 0 ? body : 0;
    const int last = body >= 0 ? dom_.At(body).end : dom_.Size() - 1;
    for (int i = first; i <= last && ok_ && !Full();) {
      while (!frames_.empty() && frames_.back().end < i) Leave();
      const Node& node = dom_.At(i);
      if (node.kind == Node::Kind::Text) {
        Words(node.text);
        ++i;
      } else if (node.kind == Node::Kind::Element) {
        if (Enter(i)) ++i;
        else i = node.end + 1;
      } else if (node.kind == Node::Kind::Document) {
        ++i;
      } else {
        i = node.end + 1;
      }
    }
    return ok_;
  }

 private:
  bool Full() const { return y_ >= bounds_.bottom; }

  // False when the element and its subtree are not drawn.
  bool Enter(int index) {
    const Node& node = dom_.At(index);
    if (OneOf(node.tag, kHiddenTags)) return false;
    if (com::EqualsNoCase(Trim(dom_.StyleValue(index, L"display")), L"none")) return false;
    if (node.tag == L"br") {
      Break(true);
      return false;
    }
    if (node.tag == L"img") {
      Box(Attribute(node, L"width", kDefaultImageSide), Attribute(node, L"height", kDefaultImageSide));
      return false;
    }
    // An element starts from the look of what holds it; only its extent and kind are its own.
    Frame frame = frames_.empty() ? Frame{} : frames_.back();
    frame.end = node.end;
    frame.block = OneOf(node.tag, kBlockTags);
    if (node.tag == L"a" && node.Attribute(L"href")) frame.color = kLinkColor;
    if (auto c = ParseColor(dom_.StyleValue(index, L"color"))) frame.color = *c;
    if (index != dom_.Body())
      if (auto c = ParseColor(dom_.StyleValue(index, L"background-color"))) frame.background = *c;
    const std::wstring weight = dom_.StyleValue(index, L"font-weight");
    if (!Trim(weight).empty()) frame.bold = IsBoldWeight(weight);
    else if (OneOf(node.tag, kBoldTags)) frame.bold = true;
    if (node.tag == L"u") frame.underline = true;
    if (node.tag == L"s" || node.tag == L"strike" || node.tag == L"del") frame.lineThrough = true;
    const std::wstring decoration = com::AsciiLower(dom_.StyleValue(index, L"text-decoration"));
    if (decoration.find(L"underline") != std::wstring::npos) frame.underline = true;
    if (decoration.find(L"overline") != std::wstring::npos) frame.overline = true;
    if (decoration.find(L"line-through") != std::wstring::npos) frame.lineThrough = true;
    if (frame.block) Break(false);
    frames_.push_back(frame);
    return true;
  }

  void Leave() {
    if (frames_.back().block) Break(false);
    frames_.pop_back();
  }

  // A new line; an empty line only when forced (BR).
  void Break(bool force) {
    if (x_ == bounds_.left && !force) return;
    y_ += lineHeight_;
    x_ = bounds_.left;
    lineHeight_ = kCellHeight;
    space_ = false;
  }

  // Room for width more pixels on this line, wrapping when the line has something on it.
  void Place(int width) {
    if (space_ && x_ > bounds_.left) x_ += kCellWidth;
    space_ = false;
    if (x_ > bounds_.left && static_cast<LONG>(x_ + width) > bounds_.right) Break(false);
  }

  void Words(const std::wstring& text) {
    size_t at = 0;
    while (at < text.size() && !Full() && ok_) {
      if (IsSpace(text[at])) {
        space_ = true;
        ++at;
        continue;
      }
      size_t end = at;
      int characters = 0;
      for (; end < text.size() && !IsSpace(text[end]); ++end)
        if (text[end] < 0xDC00 || text[end] > 0xDFFF) ++characters;  // a surrogate pair is one character
      Word(characters);
      at = end;
    }
  }

  void Word(int characters) {
    const int width = characters * kCellWidth;
    Place(width);
    if (Full()) return;
    const Frame* style = frames_.empty() ? nullptr : &frames_.back();
    const COLORREF color = style && style->color ? *style->color : RGB(0, 0, 0);
    const bool bold = style && style->bold;
    if (style && style->background) Fill({x_, y_, x_ + width, y_ + kCellHeight}, *style->background);
    const int top = bold ? 3 : 4, bottom = bold ? 11 : 10;
    Fill({x_, y_ + top, x_ + width, y_ + bottom}, color);
    if (style && style->underline) Fill({x_, y_ + kCellHeight - 1, x_ + width, y_ + kCellHeight}, color);
    if (style && style->overline) Fill({x_, y_, x_ + width, y_ + 1}, color);
    if (style && style->lineThrough) Fill({x_, y_ + 7, x_ + width, y_ + 8}, RGB(0x80, 0x80, 0x80) ^ color);
    x_ += width;
  }

  void Box(int width, int height) {
    Place(width);
    if (Full()) return;
    Fill({x_, y_, x_ + width, y_ + height}, kImageColor);
    x_ += width;
    lineHeight_ = std::max(lineHeight_, height);
  }

  void Fill(RECT r, COLORREF color) {
    r.left = std::max(r.left, bounds_.left);
    r.top = std::max(r.top, bounds_.top);
    r.right = std::min(r.right, bounds_.right);
    r.bottom = std::min(r.bottom, bounds_.bottom);
    if (r.left >= r.right || r.top >= r.bottom) return;
    HBRUSH brush = brushes_.Get(color);
    if (!brush || !win::FillRect(dc_, &r, brush)) ok_ = false;
  }

  Dom& dom_;
  HDC dc_;
  RECT bounds_;
  Brushes brushes_;
  std::vector<Frame> frames_;
  LONG x_, y_;
  int lineHeight_ = kCellHeight;
  bool space_ = false;
  bool ok_ = true;
};

}  // namespace

std::optional<COLORREF> ParseColor(std::wstring_view text) {
  text = Trim(text);
  if (text.empty()) return std::nullopt;
  if (text.front() == L'#') return ParseHex(text.substr(1));
  if (auto hex = ParseHex(text); hex && text.size() == 6) return hex;
  const std::wstring lower = com::AsciiLower(std::wstring(text));
  if (lower.rfind(L"rgb(", 0) == 0) return ParseRgbFunction(lower);
  for (const NamedColor& named : kNames)
    if (lower == named.name) return named.color;
  return std::nullopt;
}

HRESULT DrawPage(Dom& dom, HDC dc, const RECT& bounds) {
  if (!dc || bounds.right < bounds.left || bounds.bottom < bounds.top) return E_INVALIDARG;
  if (bounds.right == bounds.left || bounds.bottom == bounds.top) return S_OK;
  Painter painter(dom, dc, bounds);
  return painter.Run() ? S_OK : E_FAIL;
}

}  // namespace standins::html
