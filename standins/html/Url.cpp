#include "standins/html/Url.h"

#include <array>
#include <cstdint>
#include <cwctype>
#include <vector>

#include "platform/com/Text.h"

namespace standins::html {

namespace {

struct Url {
  std::string scheme;
  std::string username;
  std::string password;
  std::string host;
  int port = -1;  // -1: none or the scheme's default
  std::vector<std::string> path;
  std::optional<std::string> query;
  std::optional<std::string> fragment;
};

int DefaultPort(const std::string& scheme) {
  if (scheme == "http" || scheme == "ws") return 80;
  if (scheme == "https" || scheme == "wss") return 443;
  if (scheme == "ftp") return 21;
  return -1;
}

bool IsSpecial(const std::string& scheme) { return scheme == "file" || DefaultPort(scheme) != -1; }
bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsSlash(char c) { return c == '/' || c == '\\'; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
int HexValue(char c) { return IsDigit(c) ? c - '0' : Lower(c) - 'a' + 10; }

enum class EncodeSet { Fragment, Query, SpecialQuery, Path, Userinfo };

bool NeedsEncoding(unsigned char c, EncodeSet set) {
  if (c < 0x20 || c > 0x7E) return true;
  switch (set) {
    case EncodeSet::Userinfo:
      if (c == '/' || c == ':' || c == ';' || c == '=' || c == '@' || (c >= '[' && c <= '^') || c == '|') return true;
      [[fallthrough]];
    case EncodeSet::Path:
      if (c == '?' || c == '`' || c == '{' || c == '}') return true;
      [[fallthrough]];
    case EncodeSet::Query:
      return c == ' ' || c == '"' || c == '#' || c == '<' || c == '>';
    case EncodeSet::SpecialQuery:
      return c == ' ' || c == '"' || c == '#' || c == '<' || c == '>' || c == '\'';
    case EncodeSet::Fragment:
      return c == ' ' || c == '"' || c == '<' || c == '>' || c == '`';
  }
  return false;
}

std::string Encode(std::string_view s, EncodeSet set) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  out.reserve(s.size());
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (NeedsEncoding(c, set)) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

std::string PercentDecode(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && IsHex(s[i + 1]) && IsHex(s[i + 2])) {
      out += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// ---------------------------------------------------------------- hosts

std::optional<std::string> ParseIpv6(std::string_view in) {
  std::array<uint16_t, 8> pieces{};
  int piece = 0;
  int compress = -1;
  size_t p = 0;
  const size_t n = in.size();
  if (p < n && in[p] == ':') {
    if (p + 1 >= n || in[p + 1] != ':') return std::nullopt;
    p += 2;
    compress = ++piece;
  }
  while (p < n) {
    if (piece == 8) return std::nullopt;
    if (in[p] == ':') {
      if (compress != -1) return std::nullopt;
      ++p;
      compress = ++piece;
      continue;
    }
    unsigned value = 0;
    int length = 0;
    while (length < 4 && p < n && IsHex(in[p])) {
      value = value * 16 + static_cast<unsigned>(HexValue(in[p]));
      ++p;
      ++length;
    }
    if (p < n && in[p] == '.') {
      if (length == 0) return std::nullopt;
      p -= static_cast<size_t>(length);
      if (piece > 6) return std::nullopt;
      int numbersSeen = 0;
      while (p < n) {
        int ipv4Piece = -1;
        if (numbersSeen > 0) {
          if (in[p] == '.' && numbersSeen < 4) {
            ++p;
          } else {
            return std::nullopt;
          }
        }
        if (p >= n || !IsDigit(in[p])) return std::nullopt;
        while (p < n && IsDigit(in[p])) {
          const int number = in[p] - '0';
          if (ipv4Piece == -1) {
            ipv4Piece = number;
          } else if (ipv4Piece == 0) {
            return std::nullopt;
          } else {
            ipv4Piece = ipv4Piece * 10 + number;
          }
          if (ipv4Piece > 255) return std::nullopt;
          ++p;
        }
        pieces[piece] = static_cast<uint16_t>(pieces[piece] * 0x100 + ipv4Piece);
        ++numbersSeen;
        if (numbersSeen == 2 || numbersSeen == 4) ++piece;
      }
      if (numbersSeen != 4) return std::nullopt;
      break;
    }
    if (p < n && in[p] == ':') {
      ++p;
      if (p >= n) return std::nullopt;
    } else if (p < n) {
      return std::nullopt;
    }
    pieces[piece++] = static_cast<uint16_t>(value);
  }
  if (compress != -1) {
    int swaps = piece - compress;
    piece = 7;
    while (piece != 0 && swaps > 0) {
      std::swap(pieces[piece], pieces[compress + swaps - 1]);
      --piece;
      --swaps;
    }
  } else if (piece != 8) {
    return std::nullopt;
  }
  // The first longest run of two or more zero pieces is compressed.
  int bestStart = -1, bestLen = 1;
  for (int i = 0; i < 8;) {
    if (pieces[i] != 0) {
      ++i;
      continue;
    }
    int j = i;
    while (j < 8 && pieces[j] == 0) ++j;
    if (j - i > bestLen) {
      bestStart = i;
      bestLen = j - i;
    }
    i = j;
  }
  std::string out = "[";
  static const char* kHex = "0123456789abcdef";
  for (int i = 0; i < 8; ++i) {
    if (i == bestStart) {
      out += (i == 0) ? "::" : ":";
      i += bestLen - 1;
      continue;
    }
    std::string h;
    unsigned v = pieces[i];
    do {
      h.insert(h.begin(), kHex[v & 15]);
      v >>= 4;
    } while (v);
    out += h;
    if (i != 7) out += ':';
  }
  out += ']';
  return out;
}

// One IPv4 part: decimal, 0x hex or 0-prefixed octal. nullopt when not a number.
std::optional<uint64_t> Ipv4Number(std::string_view s) {
  int radix = 10;
  if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    radix = 16;
    s.remove_prefix(2);
  } else if (s.size() >= 2 && s[0] == '0') {
    radix = 8;
    s.remove_prefix(1);
  }
  if (s.empty()) return 0;
  uint64_t value = 0;
  for (char c : s) {
    int d;
    if (radix == 16 && IsHex(c)) {
      d = HexValue(c);
    } else if (IsDigit(c) && c - '0' < radix) {
      d = c - '0';
    } else {
      return std::nullopt;
    }
    value = value * static_cast<uint64_t>(radix) + static_cast<uint64_t>(d);
    if (value > 0xFFFFFFFFFull * 16) value = 0xFFFFFFFFFull * 16;  // stays "too big" without overflowing
  }
  return value;
}

std::vector<std::string_view> Split(std::string_view s, char sep) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || s[i] == sep) {
      parts.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

bool EndsInNumber(std::string_view host) {
  auto parts = Split(host, '.');
  if (parts.back().empty()) {
    if (parts.size() == 1) return false;
    parts.pop_back();
  }
  const std::string_view last = parts.back();
  if (!last.empty()) {
    bool digits = true;
    for (char c : last) digits = digits && IsDigit(c);
    if (digits) return true;
  }
  if (last.size() >= 2 && last[0] == '0' && (last[1] == 'x' || last[1] == 'X')) {
    for (char c : last.substr(2))
      if (!IsHex(c)) return false;
    return true;
  }
  return false;
}

std::optional<std::string> ParseIpv4(std::string_view host) {
  auto parts = Split(host, '.');
  if (parts.back().empty() && parts.size() > 1) parts.pop_back();
  if (parts.size() > 4) return std::nullopt;
  std::vector<uint64_t> numbers;
  for (auto part : parts) {
    if (part.empty()) return std::nullopt;
    auto n = Ipv4Number(part);
    if (!n) return std::nullopt;
    numbers.push_back(*n);
  }
  for (size_t i = 0; i + 1 < numbers.size(); ++i)
    if (numbers[i] > 255) return std::nullopt;
  const uint64_t limit = uint64_t{1} << (8 * (5 - numbers.size()));
  if (numbers.back() >= limit) return std::nullopt;
  uint64_t ipv4 = numbers.back();
  for (size_t i = 0; i + 1 < numbers.size(); ++i) ipv4 += numbers[i] << (8 * (3 - i));
  return std::to_string((ipv4 >> 24) & 255) + "." + std::to_string((ipv4 >> 16) & 255) + "." +
         std::to_string((ipv4 >> 8) & 255) + "." + std::to_string(ipv4 & 255);
}

std::optional<std::string> Punycode(const std::u32string& input) {
  constexpr uint32_t base = 36, tmin = 1, tmax = 26, skew = 38, damp = 700;
  std::string out;
  for (char32_t c : input)
    if (c < 0x80) out += static_cast<char>(c);
  const uint32_t basic = static_cast<uint32_t>(out.size());
  uint32_t handled = basic;
  if (basic > 0) out += '-';
  uint32_t n = 128, delta = 0, bias = 72;
  auto adapt = [&](uint32_t d, uint32_t points, bool first) {
    d = first ? d / damp : d / 2;
    d += d / points;
    uint32_t k = 0;
    while (d > ((base - tmin) * tmax) / 2) {
      d /= base - tmin;
      k += base;
    }
    return k + (base - tmin + 1) * d / (d + skew);
  };
  auto digit = [](uint32_t d) { return static_cast<char>(d < 26 ? 'a' + d : '0' + d - 26); };
  while (handled < input.size()) {
    uint32_t m = 0x7FFFFFFF;
    for (char32_t c : input)
      if (c >= n && c < m) m = c;
    if ((m - n) > (0x7FFFFFFF - delta) / (handled + 1)) return std::nullopt;
    delta += (m - n) * (handled + 1);
    n = m;
    for (char32_t c : input) {
      if (c < n && ++delta == 0) return std::nullopt;
      if (c == n) {
        uint32_t q = delta;
        for (uint32_t k = base;; k += base) {
          const uint32_t t = k <= bias ? tmin : (k >= bias + tmax ? tmax : k - bias);
          if (q < t) break;
          out += digit(t + (q - t) % (base - t));
          q = (q - t) / (base - t);
        }
        out += digit(q);
        bias = adapt(delta, handled + 1, handled == basic);
        delta = 0;
        ++handled;
      }
    }
    ++delta;
    ++n;
  }
  return out;
}

// Case folding of host names for the scripts a page is likely to use; the
// C library's towlower knows only ASCII in the "C" locale.
char32_t LowerCodePoint(char32_t c) {
  if (c < 0x80) return static_cast<char32_t>(Lower(static_cast<char>(c)));
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
      (c >= 0x410 && c <= 0x42F))
    return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x138 && c != 0x149 && c != 0x17F) {
    const bool evenUpper = (c < 0x138) || (c >= 0x14A && c < 0x178);
    if (evenUpper ? (c % 2 == 0) : (c % 2 == 1)) return c + 1;
    if (c == 0x178) return 0xFF;
  }
  return c;
}

bool ForbiddenDomainChar(unsigned char c) {
  return c <= 0x20 || c == '#' || c == '%' || c == '/' || c == ':' || c == '<' || c == '>' || c == '?' || c == '@' ||
         c == '[' || c == '\\' || c == ']' || c == '^' || c == '|' || c == 0x7F;
}

std::optional<std::string> ParseHost(std::string_view input, bool special) {
  if (!input.empty() && input.front() == '[') {
    if (input.back() != ']') return std::nullopt;
    return ParseIpv6(input.substr(1, input.size() - 2));
  }
  const std::string decoded = PercentDecode(input);
  const std::wstring wide = com::FromUtf8(decoded);
  std::u32string points;
  for (size_t i = 0; i < wide.size(); ++i) {
    char32_t c = static_cast<char32_t>(wide[i]);
    if constexpr (sizeof(wchar_t) == 2) {
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size()) {
        const char32_t d = static_cast<char32_t>(wide[i + 1]);
        if (d >= 0xDC00 && d <= 0xDFFF) {
          c = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
          ++i;
        }
      }
    }
    if (c == 0xFFFD) return std::nullopt;  // the bytes were not UTF-8
    c = LowerCodePoint(c);
    // Full stops of other scripts separate labels as "." does.
    if (c == 0x3002 || c == 0xFF0E || c == 0xFF61) c = '.';
    points.push_back(c);
  }
  std::string host;
  std::u32string label;
  auto flush = [&]() -> bool {
    bool ascii = true;
    for (char32_t c : label) ascii = ascii && c < 0x80;
    if (ascii) {
      for (char32_t c : label) host += static_cast<char>(c);
    } else {
      auto encoded = Punycode(label);
      if (!encoded) return false;
      host += "xn--" + *encoded;
    }
    label.clear();
    return true;
  };
  for (char32_t c : points) {
    if (c == '.') {
      if (!flush()) return std::nullopt;
      host += '.';
    } else {
      label.push_back(c);
    }
  }
  if (!flush()) return std::nullopt;
  if (host.empty() && special) return std::nullopt;
  for (char c : host)
    if (ForbiddenDomainChar(static_cast<unsigned char>(c))) return std::nullopt;
  if (EndsInNumber(host)) return ParseIpv4(host);
  return host;
}

// ---------------------------------------------------------------- paths

bool IsDriveLetter(std::string_view s, bool normalizedOnly) {
  return s.size() == 2 && IsAlpha(s[0]) && (s[1] == ':' || (!normalizedOnly && s[1] == '|'));
}

bool StartsWithDriveLetter(std::string_view s) {
  return s.size() >= 2 && IsDriveLetter(s.substr(0, 2), false) &&
         (s.size() == 2 || s[2] == '/' || s[2] == '\\' || s[2] == '?' || s[2] == '#');
}

bool IsSingleDot(std::string_view s) { return s == "." || s == "%2e" || s == "%2E"; }
bool IsDoubleDot(std::string_view s) {
  if (s.size() == 2) return s == "..";
  if (s.size() == 4) return s[0] == '.' ? (s.substr(1) == "%2e" || s.substr(1) == "%2E")
                                        : ((s.substr(0, 3) == "%2e" || s.substr(0, 3) == "%2E") && s[3] == '.');
  if (s.size() == 6) {
    const std::string l{Lower(s[0]), s[1], Lower(s[2]), Lower(s[3]), s[4], Lower(s[5])};
    return l == "%2e%2e";
  }
  return false;
}

void Shorten(Url& url) {
  if (url.scheme == "file" && url.path.size() == 1 && IsDriveLetter(url.path[0], true)) return;
  if (!url.path.empty()) url.path.pop_back();
}

// The path part of input (up to "?" or "#"), appended to url.path.
void ParsePath(Url& url, std::string_view in) {
  size_t i = 0;
  if (i < in.size() && IsSlash(in[i])) ++i;
  while (true) {
    size_t j = i;
    while (j < in.size() && !IsSlash(in[j])) ++j;
    std::string segment(in.substr(i, j - i));
    const bool last = j >= in.size();
    if (IsDoubleDot(segment)) {
      Shorten(url);
      if (last) url.path.emplace_back();
    } else if (IsSingleDot(segment)) {
      if (last) url.path.emplace_back();
    } else {
      if (url.scheme == "file" && url.path.empty() && IsDriveLetter(segment, false)) segment[1] = ':';
      url.path.push_back(Encode(segment, EncodeSet::Path));
    }
    if (last) break;
    i = j + 1;
  }
}

// The query and fragment following the path, if any.
void ParseTail(Url& url, std::string_view rest) {
  const size_t hash = rest.find('#');
  std::string_view beforeHash = rest.substr(0, hash);
  if (!beforeHash.empty() && beforeHash[0] == '?') url.query = Encode(beforeHash.substr(1), EncodeSet::SpecialQuery);
  if (hash != std::string_view::npos) url.fragment = Encode(rest.substr(hash + 1), EncodeSet::Fragment);
}

size_t PathEnd(std::string_view s) {
  const size_t e = s.find_first_of("?#");
  return e == std::string_view::npos ? s.size() : e;
}

// rest: what follows the slashes of an authority.
std::optional<Url> ParseAuthority(std::string scheme, std::string_view rest) {
  Url url;
  url.scheme = std::move(scheme);
  size_t end = 0;
  while (end < rest.size() && !IsSlash(rest[end]) && rest[end] != '?' && rest[end] != '#') ++end;
  std::string_view authority = rest.substr(0, end);
  const size_t at = authority.rfind('@');
  if (at != std::string_view::npos) {
    const std::string_view userinfo = authority.substr(0, at);
    const size_t colon = userinfo.find(':');
    url.username = Encode(userinfo.substr(0, colon), EncodeSet::Userinfo);
    if (colon != std::string_view::npos) url.password = Encode(userinfo.substr(colon + 1), EncodeSet::Userinfo);
    authority = authority.substr(at + 1);
  }
  std::string_view hostText = authority;
  std::string_view portText;
  bool hasPort = false;
  {
    bool inBrackets = false;
    for (size_t i = 0; i < authority.size(); ++i) {
      if (authority[i] == '[') inBrackets = true;
      if (authority[i] == ']') inBrackets = false;
      if (authority[i] == ':' && !inBrackets) {
        hostText = authority.substr(0, i);
        portText = authority.substr(i + 1);
        hasPort = true;
        break;
      }
    }
  }
  if (hostText.empty()) return std::nullopt;
  auto host = ParseHost(hostText, true);
  if (!host) return std::nullopt;
  url.host = *host;
  if (hasPort && !portText.empty()) {
    uint32_t port = 0;
    for (char c : portText) {
      if (!IsDigit(c)) return std::nullopt;
      port = port * 10 + static_cast<uint32_t>(c - '0');
      if (port > 65535) return std::nullopt;
    }
    url.port = static_cast<int>(port) == DefaultPort(url.scheme) ? -1 : static_cast<int>(port);
  }
  const std::string_view tail = rest.substr(end);
  ParsePath(url, tail.substr(0, PathEnd(tail)));
  ParseTail(url, tail.substr(PathEnd(tail)));
  return url;
}

std::string_view SkipSlashes(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && IsSlash(s[i])) ++i;
  return s.substr(i);
}

std::optional<Url> ParseFile(std::string_view rest, const Url* base) {
  Url url;
  url.scheme = "file";
  if (!rest.empty() && IsSlash(rest[0])) {
    if (rest.size() > 1 && IsSlash(rest[1])) {
      // file host state
      std::string_view after = rest.substr(2);
      size_t end = 0;
      while (end < after.size() && !IsSlash(after[end]) && after[end] != '?' && after[end] != '#') ++end;
      const std::string_view hostText = after.substr(0, end);
      if (IsDriveLetter(hostText, false)) {
        ParsePath(url, after.substr(0, PathEnd(after)));
        ParseTail(url, after.substr(PathEnd(after)));
        return url;
      }
      if (!hostText.empty()) {
        auto host = ParseHost(hostText, false);
        if (!host) return std::nullopt;
        url.host = *host == "localhost" ? "" : *host;
      }
      after = after.substr(end);
      ParsePath(url, after.substr(0, PathEnd(after)));
      ParseTail(url, after.substr(PathEnd(after)));
      return url;
    }
    if (base && base->scheme == "file") {
      url.host = base->host;
      if (!StartsWithDriveLetter(rest.substr(1)) && !base->path.empty() && IsDriveLetter(base->path[0], true))
        url.path.push_back(base->path[0]);
    }
    ParsePath(url, rest.substr(0, PathEnd(rest)));
    ParseTail(url, rest.substr(PathEnd(rest)));
    return url;
  }
  if (base && base->scheme == "file") {
    url.host = base->host;
    url.path = base->path;
    if (rest.empty()) {
      url.query = base->query;
      return url;
    }
    if (rest[0] == '?') {
      ParseTail(url, rest);
      return url;
    }
    if (rest[0] == '#') {
      url.query = base->query;
      ParseTail(url, rest);
      return url;
    }
    if (StartsWithDriveLetter(rest)) {
      url.path.clear();
    } else {
      Shorten(url);
    }
  }
  ParsePath(url, rest.substr(0, PathEnd(rest)));
  ParseTail(url, rest.substr(PathEnd(rest)));
  return url;
}

std::optional<Url> ParseRelative(std::string_view rest, const Url& base) {
  if (!rest.empty() && IsSlash(rest[0])) {
    if (rest.size() > 1 && IsSlash(rest[1])) return ParseAuthority(base.scheme, SkipSlashes(rest));
    Url url = base;
    url.path.clear();
    url.query.reset();
    url.fragment.reset();
    ParsePath(url, rest.substr(0, PathEnd(rest)));
    ParseTail(url, rest.substr(PathEnd(rest)));
    return url;
  }
  Url url = base;
  url.fragment.reset();
  if (rest.empty()) return url;
  if (rest[0] == '#') {
    ParseTail(url, rest);
    return url;
  }
  url.query.reset();
  if (rest[0] == '?') {
    ParseTail(url, rest);
    return url;
  }
  Shorten(url);
  // The remaining segments follow the base's directory.
  std::string withSlash = "/" + std::string(rest.substr(0, PathEnd(rest)));
  ParsePath(url, withSlash);
  ParseTail(url, rest.substr(PathEnd(rest)));
  return url;
}

std::string Trimmed(std::string_view in) {
  size_t b = 0, e = in.size();
  while (b < e && static_cast<unsigned char>(in[b]) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(in[e - 1]) <= 0x20) --e;
  std::string out;
  for (char c : in.substr(b, e - b))
    if (c != '\t' && c != '\n' && c != '\r') out += c;
  return out;
}

// The scheme of s (lower case) and the text after its ":"; nullopt when s has none.
std::optional<std::pair<std::string, std::string_view>> SplitScheme(std::string_view s) {
  if (s.empty() || !IsAlpha(s[0])) return std::nullopt;
  size_t i = 1;
  while (i < s.size() && (IsAlpha(s[i]) || IsDigit(s[i]) || s[i] == '+' || s[i] == '-' || s[i] == '.')) ++i;
  if (i >= s.size() || s[i] != ':') return std::nullopt;
  std::string scheme;
  for (char c : s.substr(0, i)) scheme += Lower(c);
  return std::make_pair(scheme, s.substr(i + 1));
}

std::optional<Url> Parse(std::string_view input, const Url* base) {
  auto scheme = SplitScheme(input);
  if (scheme) {
    if (!IsSpecial(scheme->first)) return std::nullopt;
    if (scheme->first == "file") return ParseFile(scheme->second, base);
    if (base && base->scheme == scheme->first && !(scheme->second.size() >= 2 && scheme->second.substr(0, 2) == "//"))
      return ParseRelative(scheme->second, *base);
    return ParseAuthority(scheme->first, SkipSlashes(scheme->second));
  }
  if (!base) return std::nullopt;
  if (base->scheme == "file") return ParseFile(input, base);
  return ParseRelative(input, *base);
}

std::string Serialize(const Url& url) {
  std::string out = url.scheme + "://";
  if (!url.username.empty() || !url.password.empty()) {
    out += url.username;
    if (!url.password.empty()) out += ":" + url.password;
    out += "@";
  }
  out += url.host;
  if (url.port >= 0) out += ":" + std::to_string(url.port);
  // A path that would read as an authority ("//x") keeps a "/." in front.
  if (url.host.empty() && url.path.size() > 1 && url.path[0].empty() && url.scheme != "file") out += "/.";
  for (const auto& segment : url.path) out += "/" + segment;
  if (url.query) out += "?" + *url.query;
  if (url.fragment) out += "#" + *url.fragment;
  return out;
}

}  // namespace

struct UrlResolver::Parsed {
  std::string baseText;
  bool hierarchical = false;  // a special base; otherwise only fragments resolve against it
  std::optional<Url> base;
};

UrlResolver::UrlResolver(std::wstring_view base) : parsed_(std::make_unique<Parsed>()) {
  parsed_->baseText = Trimmed(com::ToUtf8(base));
  auto scheme = SplitScheme(parsed_->baseText);
  parsed_->hierarchical = scheme && IsSpecial(scheme->first);
  if (parsed_->hierarchical) parsed_->base = Parse(parsed_->baseText, nullptr);
}

UrlResolver::~UrlResolver() = default;

std::optional<std::wstring> UrlResolver::Resolve(std::wstring_view input) const {
  const std::string in = Trimmed(com::ToUtf8(input));
  auto scheme = SplitScheme(in);
  if (scheme && !IsSpecial(scheme->first)) return com::FromUtf8(in);
  // A base that is no hierarchical address (about:blank) takes a fragment and nothing else.
  if (!scheme && !parsed_->hierarchical && !parsed_->baseText.empty()) {
    if (in.empty() || in[0] != '#') return std::nullopt;
    const std::string& base = parsed_->baseText;
    return com::FromUtf8(base.substr(0, base.find('#')) + "#" + Encode(in.substr(1), EncodeSet::Fragment));
  }
  auto url = Parse(in, parsed_->base ? &*parsed_->base : nullptr);
  if (!url) return std::nullopt;
  return com::FromUtf8(Serialize(*url));
}

std::optional<std::wstring> ResolveUrl(std::wstring_view input, std::wstring_view base) {
  return UrlResolver(base).Resolve(input);
}

std::wstring UrlOrigin(std::wstring_view address) {
  const std::string text = Trimmed(com::ToUtf8(address));
  auto scheme = SplitScheme(text);
  if (!scheme || !IsSpecial(scheme->first)) return {};
  auto url = Parse(text, nullptr);
  if (!url) return {};
  const int port = url->port >= 0 ? url->port : DefaultPort(url->scheme);
  return com::FromUtf8(url->scheme + "://" + url->host + ":" + std::to_string(port));
}

}  // namespace standins::html
