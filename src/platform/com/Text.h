// Conversions between the library's UTF-16/32 wide strings and UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace com {

std::string ToUtf8(std::wstring_view s);
// One code point; surrogates and values beyond U+10FFFF are written as U+FFFD.
void AppendUtf8(std::string& out, char32_t c);
// Invalid UTF-8 sequences become U+FFFD.
std::wstring FromUtf8(std::string_view s);
// ASCII-only case folding, as the registry and dispatch name lookups use.
std::wstring AsciiLower(std::wstring_view s);
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);

}  // namespace com
