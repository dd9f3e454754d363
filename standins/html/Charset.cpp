#include "standins/html/Charset.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "platform/com/Text.h"

namespace standins::html {

namespace {

// windows-1252 code points of 0x80..0x9F; the rest of the upper half is Latin-1.
constexpr std::array<char32_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};


// Each maximal invalid subsequence becomes one U+FFFD, as the WHATWG decoder does.
std::string ValidUtf8(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  size_t i = 0;
  const size_t n = in.size();
  while (i < n) {
    const unsigned char b = static_cast<unsigned char>(in[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    int need = 0;
    char32_t c = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      need = 1;
      c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      need = 2;
      c = b & 0x0F;
      if (b == 0xE0) lo = 0xA0;
      if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      need = 3;
      c = b & 0x07;
      if (b == 0xF0) lo = 0x90;
      if (b == 0xF4) hi = 0x8F;
    } else {
      com::AppendUtf8(out, 0xFFFD);
      ++i;
      continue;
    }
    size_t j = i + 1;
    bool ok = true;
    for (int k = 0; k < need; ++k, ++j) {
      if (j >= n) {
        ok = false;
        break;
      }
      const unsigned char t = static_cast<unsigned char>(in[j]);
      if (t < lo || t > hi) {
        ok = false;
        break;
      }
      lo = 0x80;
      hi = 0xBF;
      c = (c << 6) | (t & 0x3F);
    }
    if (ok) {
      out.append(in.substr(i, j - i));
    } else {
      com::AppendUtf8(out, 0xFFFD);
    }
    i = j;
  }
  return out;
}

std::string FromWindows1252(std::string_view in) {
  std::string out;
  out.reserve(in.size() + in.size() / 4);
  for (char ch : in) {
    const unsigned char b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out += ch;
    } else if (b < 0xA0) {
      com::AppendUtf8(out, kWindows1252High[b - 0x80]);
    } else {
      com::AppendUtf8(out, b);
    }
  }
  return out;
}

std::string FromUtf16(std::string_view in, bool bigEndian) {
  std::string out;
  out.reserve(in.size());
  auto unit = [&](size_t i) -> char32_t {
    const auto a = static_cast<unsigned char>(in[i]), b = static_cast<unsigned char>(in[i + 1]);
    return bigEndian ? (a << 8 | b) : (b << 8 | a);
  };
  size_t i = 0;
  for (; i + 1 < in.size(); i += 2) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 3 < in.size()) {
      const char32_t d = unit(i + 2);
      if (d >= 0xDC00 && d <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
        i += 2;
      }
    }
    com::AppendUtf8(out, c);  // lone surrogates become U+FFFD there
  }
  if (i < in.size()) com::AppendUtf8(out, 0xFFFD);  // an odd trailing byte
  return out;
}

std::string Lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

}  // namespace

// Labels as pages and servers write them. Browsers decode the Latin-1 and
// ASCII labels as windows-1252, whose printable range is a superset of both.
struct Label {
  const char* name;
  Encoding encoding;
};
constexpr Label kLabels[] = {
    {"utf-8", Encoding::Utf8},          {"utf8", Encoding::Utf8},
    {"unicode-1-1-utf-8", Encoding::Utf8}, {"x-unicode20utf8", Encoding::Utf8},
    {"windows-1252", Encoding::Windows1252}, {"cp1252", Encoding::Windows1252},
    {"x-cp1252", Encoding::Windows1252}, {"iso-8859-1", Encoding::Windows1252},
    {"iso8859-1", Encoding::Windows1252}, {"iso_8859-1", Encoding::Windows1252},
    {"latin1", Encoding::Windows1252},  {"l1", Encoding::Windows1252},
    {"cp819", Encoding::Windows1252},   {"ibm819", Encoding::Windows1252},
    {"us-ascii", Encoding::Windows1252}, {"ascii", Encoding::Windows1252},
    {"ansi_x3.4-1968", Encoding::Windows1252}, {"utf-16", Encoding::Utf16Le},
    {"utf-16le", Encoding::Utf16Le},    {"unicode", Encoding::Utf16Le},
    {"ucs-2", Encoding::Utf16Le},       {"utf-16be", Encoding::Utf16Be},
    {"unicodefffe", Encoding::Utf16Be},
};

Encoding EncodingForLabel(std::string_view label) {
  size_t b = 0, e = label.size();
  while (b < e && IsSpace(label[b])) ++b;
  while (e > b && IsSpace(label[e - 1])) --e;
  const std::string l = Lower(label.substr(b, e - b));
  for (const Label& known : kLabels)
    if (l == known.name) return known.encoding;
  // What we do not know decodes as the western pages' fallback does.
  return Encoding::Windows1252;
}

std::string DeclaredCharset(std::string_view bytes) {
  const std::string head = Lower(bytes.substr(0, std::min<size_t>(bytes.size(), 1024)));
  size_t at = 0;
  while ((at = head.find("<meta", at)) != std::string::npos) {
    const size_t close = head.find('>', at);
    const std::string tag = head.substr(at, close == std::string::npos ? std::string::npos : close - at);
    at += 5;
    const size_t cs = tag.find("charset");
    if (cs == std::string::npos) continue;
    size_t i = cs + 7;
    while (i < tag.size() && IsSpace(tag[i])) ++i;
    if (i >= tag.size() || tag[i] != '=') continue;
    ++i;
    while (i < tag.size() && (IsSpace(tag[i]) || tag[i] == '"' || tag[i] == '\'')) ++i;
    size_t j = i;
    while (j < tag.size() && !IsSpace(tag[j]) && tag[j] != '"' && tag[j] != '\'' && tag[j] != ';' && tag[j] != '/' &&
           tag[j] != '>')
      ++j;
    if (j > i) return tag.substr(i, j - i);
  }
  return {};
}

std::string DecodeToUtf8(std::string_view bytes, const std::string& charset) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return ValidUtf8(bytes.substr(3));
  if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") return FromUtf16(bytes.substr(2), false);
  if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF") return FromUtf16(bytes.substr(2), true);
  Encoding enc = Encoding::Utf8;
  if (!charset.empty()) {
    enc = EncodingForLabel(charset);
  } else {
    const std::string declared = DeclaredCharset(bytes);
    // A page cannot declare itself UTF-16 in bytes that are readable as ASCII.
    if (!declared.empty()) enc = EncodingForLabel(declared);
    if (enc == Encoding::Utf16Le || enc == Encoding::Utf16Be) enc = Encoding::Utf8;
  }
  switch (enc) {
    case Encoding::Utf8: return ValidUtf8(bytes);
    case Encoding::Windows1252: return FromWindows1252(bytes);
    case Encoding::Utf16Le: return FromUtf16(bytes, false);
    case Encoding::Utf16Be: return FromUtf16(bytes, true);
  }
  return ValidUtf8(bytes);
}

}  // namespace standins::html
