// How registry names compare: case-insensitively after upper-casing each
// character, as Windows does, with the case kept as created.
#pragma once

#include <string>
#include <string_view>

namespace win::regstore {

// Upper-cases one character with simple (one-to-one) mappings: ASCII, Latin-1,
// Latin Extended-A, Greek, Cyrillic, Armenian and fullwidth Latin. Other
// characters compare as themselves.
char32_t UpcaseChar(char32_t c);
// The key under which a name is compared and sorted: the upper-cased name in
// UTF-8, so byte order is code-point order of the upper-cased name, the order
// in which Windows enumerates subkeys.
std::string FoldName(std::wstring_view name);

}  // namespace win::regstore
