// The quick-links toolbar band.
#pragma once

#include "band_hosting/IEToolBandUnit.h"

namespace vorn {

// The form the quick-links band hosts, handed down by the module at load as
// the main toolbar's is (SetMainToolbarFormClass). Answers the class it replaces.
TIEBandFormClass SetQuickLinksFormClass(TIEBandFormClass formClass);

class TQuickLinkIEToolBand : public TIEToolBand {
 protected:
  GUID GetBandClassID() override;
  TIEBandFormClass GetFormClass() override;
  std::wstring GetTitle() override { return {}; }
  LONG GetMinWidth() override;
};

}  // namespace vorn
