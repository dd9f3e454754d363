#include "platform/portable/com/NumberText.h"

#include <charconv>
#include <cmath>

namespace com::portable {
namespace {

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f' || c == 0xA0;
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

bool ParseRadixLiteral(std::wstring_view body, bool negative, ParsedNumber* out) {
  if (body.size() < 3 || body[0] != L'&') return false;
  const wchar_t marker = body[1];
  const int radix = (marker == L'H' || marker == L'h') ? 16 : (marker == L'O' || marker == L'o') ? 8 : 0;
  if (radix == 0) return false;
  std::uint64_t value = 0;
  for (wchar_t c : body.substr(2)) {
    const int d = HexValue(c);
    if (d < 0 || d >= radix) return false;
    if (value > (UINT64_MAX - static_cast<std::uint64_t>(d)) / static_cast<std::uint64_t>(radix)) return false;
    value = value * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(d);
  }
  out->radixLiteral = true;
  out->bits = value;
  out->negative = negative;
  return true;
}

}  // namespace

bool ParseNumber(std::wstring_view text, ParsedNumber* out) {
  *out = ParsedNumber{};
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (text.empty()) return false;

  bool negative = false;
  if (text.front() == L'+' || text.front() == L'-') {
    negative = text.front() == L'-';
    text.remove_prefix(1);
  }
  if (!text.empty() && text.front() == L'&') return ParseRadixLiteral(text, negative, out);

  std::string digits;
  int exponent = 0;
  bool sawDigit = false;
  size_t i = 0;
  // Integer part: grouping commas are allowed between digits only.
  for (; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (IsDigit(c)) {
      sawDigit = true;
      if (!digits.empty() || c != L'0') digits += static_cast<char>(c);
    } else if (c == L',' && sawDigit && i + 1 < text.size() && IsDigit(text[i + 1])) {
      continue;
    } else {
      break;
    }
  }
  if (i < text.size() && text[i] == L'.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i) {
      sawDigit = true;
      if (!digits.empty() || text[i] != L'0') digits += static_cast<char>(text[i]);
      --exponent;
    }
  }
  if (!sawDigit) return false;
  if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
    ++i;
    bool expNegative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) expNegative = text[i++] == L'-';
    if (i >= text.size() || !IsDigit(text[i])) return false;
    int value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      // Beyond this any value has long overflowed or vanished; keep the arithmetic safe.
      if (value < 100000) value = value * 10 + (text[i] - L'0');
    }
    exponent += expNegative ? -value : value;
  }
  if (i != text.size()) return false;

  if (digits.empty()) {
    exponent = 0;
  } else {
    while (digits.back() == '0') {
      digits.pop_back();
      ++exponent;
    }
  }
  out->negative = negative;
  out->digits = std::move(digits);
  out->exponent = exponent;
  return true;
}

bool RoundToInteger(const ParsedNumber& n, std::uint64_t* magnitude) {
  if (n.radixLiteral) {
    *magnitude = n.bits;
    return true;
  }
  *magnitude = 0;
  if (n.digits.empty()) return true;
  const long long intLen = static_cast<long long>(n.digits.size()) + n.exponent;
  if (intLen > 20) return false;
  std::uint64_t value = 0;
  for (long long k = 0; k < intLen; ++k) {
    const unsigned d = k < static_cast<long long>(n.digits.size()) ? static_cast<unsigned>(n.digits[k] - '0') : 0u;
    if (value > (UINT64_MAX - d) / 10) return false;
    value = value * 10 + d;
  }
  // The fraction starts at digit intLen; below 0.1 it cannot round up.
  if (intLen >= 0 && intLen < static_cast<long long>(n.digits.size())) {
    const char first = n.digits[intLen];
    const bool more = intLen + 1 < static_cast<long long>(n.digits.size());
    if (first > '5' || (first == '5' && (more || (value & 1u)))) {
      if (value == UINT64_MAX) return false;
      ++value;
    }
  }
  *magnitude = value;
  return true;
}

bool ToDouble(const ParsedNumber& n, double* out) {
  if (n.radixLiteral) {
    *out = static_cast<double>(n.bits);
    if (n.negative) *out = -*out;
    return true;
  }
  if (n.digits.empty()) {
    *out = 0.0;
    return true;
  }
  const std::string text = n.digits + "e" + std::to_string(n.exponent);
  double value = 0.0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec == std::errc::result_out_of_range) {
    if (static_cast<long long>(n.digits.size()) + n.exponent > 0) return false;
    value = 0.0;
  } else if (ec != std::errc()) {
    return false;
  }
  *out = n.negative ? -value : value;
  return true;
}

std::wstring FormatReal(double value, int significantDigits) {
  if (value == 0.0) return L"0";  // also folds -0
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof(buf), value, std::chars_format::general, significantDigits);
  if (ec != std::errc()) return L"0";
  std::wstring out;
  for (char* p = buf; p != end; ++p) out += static_cast<wchar_t>(*p == 'e' ? 'E' : *p);
  return out;
}

double RoundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  const double floor = std::floor(value);
  const double diff = value - floor;
  if (diff > 0.5) return floor + 1.0;
  if (diff < 0.5) return floor;
  return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

}  // namespace com::portable
