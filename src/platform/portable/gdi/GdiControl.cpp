// The test controls of the portable GDI (GdiControl.h) over its handle table.
#include "platform/portable/gdi/GdiControl.h"

#include <mutex>

#include "platform/portable/gdi/GdiFonts.h"
#include "platform/portable/gdi/GdiTable.h"

namespace win::gdi {

using portable::gdi::Table;

std::size_t LiveObjectCount() {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  return t.LiveObjectCount();
}

void SetDibSectionFailure(DibSectionFailure failure) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  t.SetDibFailure(failure);
}

DibSectionFailure GetDibSectionFailure() {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  return t.DibFailure();
}

void SetFontFolders(const std::vector<std::string>& folders) {
  Table& t = Table::Instance();
  std::lock_guard lock(t.Lock());
  portable::gdi::SetFontFolders(folders);
}

}  // namespace win::gdi
