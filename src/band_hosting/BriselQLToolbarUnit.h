// The registered coclass of the quick-links toolbar.
#pragma once

#include "band_hosting/QuickLinkIEToolBandUnit.h"
#include "type_library/VornIEGUI_TLB.h"

namespace vorn {

class TBriselQLToolbar : public TQuickLinkIEToolBand, public IBriselQLToolbar {
  VORN_FORWARD_IUNKNOWN
  VORN_INTERFACE_TABLE_BEGIN(TBriselQLToolbar)
  VORN_IEBAND_INTERFACE_ENTRIES
  VORN_ENTRY(IBriselQLToolbar)
  VORN_INTERFACE_TABLE_END

 public:
  static HRESULT Create(REFIID riid, void** ppv);
};

}  // namespace vorn
