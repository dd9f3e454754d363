// Address resolution as a browser's DOM does it for href and src: the WHATWG
// URL parser for the special schemes (http, https, ftp, file, ws, wss), with
// their normalisations (default ports dropped, dot segments, host lower case
// and IDNA, IPv4/IPv6 forms, percent-encoding of spaces and non-ASCII as
// UTF-8). Other schemes are kept as written, apart from the trimming.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace standins::html {

// input resolved against base (an absolute address); nullopt when it cannot be parsed.
std::optional<std::wstring> ResolveUrl(std::wstring_view input, std::wstring_view base);

// The same, with the base parsed once for the many addresses of a page.
class UrlResolver {
 public:
  explicit UrlResolver(std::wstring_view base);
  ~UrlResolver();
  UrlResolver(const UrlResolver&) = delete;
  UrlResolver& operator=(const UrlResolver&) = delete;
  std::optional<std::wstring> Resolve(std::wstring_view input) const;

 private:
  struct Parsed;
  std::unique_ptr<Parsed> parsed_;
};
// "scheme://host:port" of an absolute special address (the port always written); empty otherwise.
std::wstring UrlOrigin(std::wstring_view url);

}  // namespace standins::html
