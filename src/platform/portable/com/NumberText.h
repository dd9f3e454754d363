// Numbers as automation writes and reads them in strings, with the invariant
// "." decimal point and "," digit grouping.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace com::portable {

// An exactly represented parse result: value = ±digits × 10^exponent, or, for
// "&H"/"&O" literals, the raw bits.
struct ParsedNumber {
  bool negative = false;
  std::string digits;  // significant decimal digits without leading or trailing zeros; empty for zero
  int exponent = 0;
  bool radixLiteral = false;
  std::uint64_t bits = 0;
};

// Accepts surrounding blanks, an optional sign, digits with "," grouping in the
// integer part, an optional "." fraction and "e"/"E" exponent; or "&H" hex and
// "&O" octal literals. Returns false for anything else, including empty text.
bool ParseNumber(std::wstring_view text, ParsedNumber* out);

// The integer nearest to the parsed value, halves to even. False when the
// magnitude does not fit 64 bits.
bool RoundToInteger(const ParsedNumber& n, std::uint64_t* magnitude);

// The parsed value as a double. False when it is too large for a double
// (tiny values become zero).
bool ToDouble(const ParsedNumber& n, double* out);

// Decimal text of a floating-point value with the given significant digits,
// in the style of printf's "%.*G" ("2.5", "1E+20").
std::wstring FormatReal(double value, int significantDigits);

// The nearest integer to value, halves to even.
double RoundHalfEven(double value);

}  // namespace com::portable
