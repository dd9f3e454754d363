// The quick-links toolbar band.
#pragma once

#include "band_hosting/IEToolBandUnit.h"

namespace vorn {

class TQuickLinkIEToolBand : public TIEToolBand {
 protected:
  GUID GetBandClassID() override;
  TIEBandFormClass GetFormClass() override;
  std::wstring GetTitle() override { return {}; }
  LONG GetMinWidth() override;
};

}  // namespace vorn
