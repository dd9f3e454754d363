// Control of the portable GDI, for tests (portable build only): how many
// objects are alive, and CreateDIBSection made to fail the ways Windows can
// (a large section on a 32-bit process finds no room).
#pragma once

#include <cstddef>

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

}  // namespace win::gdi
