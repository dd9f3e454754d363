// Decoding a page's bytes to UTF-8 for the parser, which reads nothing else.
#pragma once

#include <string>
#include <string_view>

namespace standins::html {

enum class Encoding { Utf8, Windows1252, Utf16Le, Utf16Be };

// A charset label as pages and servers write it; unknown labels give windows-1252.
Encoding EncodingForLabel(std::string_view label);
// The charset a page declares in a <meta> tag within its first 1024 bytes; empty when none.
std::string DeclaredCharset(std::string_view bytes);
// BOM first (and stripped), then the given charset, then the page's declaration, then UTF-8.
std::string DecodeToUtf8(std::string_view bytes, const std::string& charset);

}  // namespace standins::html
