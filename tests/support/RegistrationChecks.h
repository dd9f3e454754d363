// The registry entries one registered class must have, checked value by value.
#pragma once

#include <string>

#include "support/LibraryFacts.h"

namespace testing_support {

// Every class entry of c, its ProgID both ways and, for a toolbar, its empty
// category key and its value under the browser's toolbar key. module is the
// file name registration must write under InprocServer32.
void ExpectClassRegistered(const ClassFacts& c, const std::wstring& module);

}  // namespace testing_support
