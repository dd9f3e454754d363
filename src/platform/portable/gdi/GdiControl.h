// Control of the portable GDI, for tests (portable build only): how many
// objects are alive, CreateDIBSection made to fail the ways Windows can
// (a large section on a 32-bit process finds no room), and where font files
// are looked for.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace win::gdi {

// Device contexts, bitmaps and brushes made and not yet freed; the stock
// objects are not counted. A deleted object still selected into a DC counts
// until it leaves the DC, as it still exists until then.
std::size_t LiveObjectCount();

enum class DibSectionFailure {
  kNone,
  // No section: null, with ERROR_NOT_ENOUGH_MEMORY.
  kNoSection,
  // A section, but its bits pointer comes back null.
  kNoBits,
};

// Every CreateDIBSection from now on fails this way (kNone: none does).
void SetDibSectionFailure(DibSectionFailure failure);
DibSectionFailure GetDibSectionFailure();

// A failure for the lifetime of the object; kNone afterwards.
class ScopedDibSectionFailure {
 public:
  explicit ScopedDibSectionFailure(DibSectionFailure failure) { SetDibSectionFailure(failure); }
  ~ScopedDibSectionFailure() { SetDibSectionFailure(DibSectionFailure::kNone); }
  ScopedDibSectionFailure(const ScopedDibSectionFailure&) = delete;
  ScopedDibSectionFailure& operator=(const ScopedDibSectionFailure&) = delete;
};

// Font files are looked for in these folders from now on (empty: the
// system's); a folder without fonts makes text calls fail as on a system
// without any.
void SetFontFolders(const std::vector<std::string>& folders);

class ScopedFontFolders {
 public:
  explicit ScopedFontFolders(const std::vector<std::string>& folders) { SetFontFolders(folders); }
  ~ScopedFontFolders() { SetFontFolders({}); }
  ScopedFontFolders(const ScopedFontFolders&) = delete;
  ScopedFontFolders& operator=(const ScopedFontFolders&) = delete;
};

}  // namespace win::gdi
