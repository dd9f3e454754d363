// The library's string table: user-visible words that no form layout holds.
#pragma once

#include <string>

namespace vorn {

enum ResourceStringId : unsigned {
  kStrEnable = 65217,
  kStrDisable = 65218,
  kStrLinkHintEnabled = 65232,
  kStrHighlightEnabled = 65233,
  kStrDisplayInlineImages = 65234,
  kStrCompanyName = 65257,
  kStrProductName = 65258,
  kStrProductDisplayName = 65259,
  kStrBrowserMainKey = 65260,
  kStrEnabled = 65261,
  kStrBannerKillerEnabled = 65262,
  kStrPopupKillerEnabled = 65263,
};

// The text of a string-table entry; empty for an unknown identifier.
std::wstring LoadResString(unsigned id);

}  // namespace vorn
