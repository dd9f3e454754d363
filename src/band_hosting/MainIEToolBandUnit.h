// The main toolbar band.
#pragma once

#include "band_hosting/IEToolBandUnit.h"

namespace vorn {

class TMainIEToolBand : public TIEToolBand {
 protected:
  GUID GetBandClassID() override;
  TIEBandFormClass GetFormClass() override;
  std::wstring GetTitle() override;
};

}  // namespace vorn
