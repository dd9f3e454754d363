// Walking an HTML document of the browser for the addresses of its links and
// images, through late-bound calls by member name, and the small address
// predicates the page utilities share.
#pragma once

#include <string>
#include <vector>

#include "platform/com/ComTypes.h"

namespace vorn {

// What a collection pass keeps of one link besides its address.
class TURLData {
 public:
  std::wstring Title;
};

// False for addresses that begin, ignoring case, with "javascript" or "mailto".
bool IsOpenableURL(const std::wstring& URL);

// The address cut before its first "#"; empty when IsOpenableURL refuses it.
std::wstring NormalizeLinkURL(const std::wstring& URL);

// The distinct link addresses ("A" then "AREA" elements) of the document the
// variant refers to, and of its frames one level deep when IncludeFrames,
// restricted to each document's selection when OnlySelection. Titles[i]
// belongs to URLs[i]; both lists are replaced. Addresses that differ only in
// letter case count as one; the first met stays, with its title. Errors of
// the document (a member missing, a frame refusing access) skip the part of
// the walk they happen in, so the answer is true with whatever was gathered.
bool CollectLinks(const VARIANT& Document, bool IncludeFrames, bool OnlySelection, std::vector<std::wstring>& URLs,
                  std::vector<std::wstring>& Titles);

// The same walk over "IMG" elements, collecting their src.
bool CollectImages(const VARIANT& Document, bool IncludeFrames, bool OnlySelection, std::vector<std::wstring>& URLs);

// A key under which addresses that compare equal ignoring case (as the user's
// locale compares) are equal byte for byte.
std::string CaseInsensitiveKey(const std::wstring& text);

}  // namespace vorn
