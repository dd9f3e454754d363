#include "type_library/ResourceStrings.h"

namespace vorn {
namespace {

struct Entry {
  unsigned id;
  const wchar_t* text;
};

constexpr Entry kTable[] = {
    {kStrEnable, L"Enable"},
    {kStrDisable, L"Disable"},
    {kStrLinkHintEnabled, L"Link hint enabled"},
    {kStrHighlightEnabled, L"Highlight enabled"},
    {kStrDisplayInlineImages, L"Display Inline Images"},
    {kStrCompanyName, L"Zandrel"},
    {kStrProductName, L"Brisel"},
    {kStrProductDisplayName, L"Brisel Toolbar"},
    {kStrBrowserMainKey, L"Software\\Microsoft\\Internet Explorer\\Main"},
    {kStrEnabled, L"Enabled"},
    {kStrBannerKillerEnabled, L"Banner killer enabled"},
    {kStrPopupKillerEnabled, L"Popup killer enabled"},
};

}  // namespace

std::wstring LoadResString(unsigned id) {
  for (const auto& e : kTable)
    if (e.id == id) return e.text;
  return {};
}

}  // namespace vorn
