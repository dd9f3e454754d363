// The registered coclass of the main toolbar.
#pragma once

#include "band_hosting/MainIEToolBandUnit.h"
#include "type_library/VornIEGUI_TLB.h"

namespace vorn {

class TVornIEExplorerBar : public TMainIEToolBand, public IVornIEExplorerBar {
  VORN_FORWARD_IUNKNOWN
  VORN_INTERFACE_TABLE_BEGIN(TVornIEExplorerBar)
  VORN_IEBAND_INTERFACE_ENTRIES
  VORN_ENTRY(IVornIEExplorerBar)
  VORN_INTERFACE_TABLE_END

 public:
  static HRESULT Create(REFIID riid, void** ppv);
};

}  // namespace vorn
