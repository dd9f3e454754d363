// The main toolbar band.
#pragma once

#include "band_hosting/IEToolBandUnit.h"

namespace vorn {

// The form the main toolbar band hosts. The form is built higher up, on the
// server link; the module hands its class down at load, and takes it back
// (null) at unload. Until then, and after, the band hosts a plain toolbar
// form. Answers the class it replaces.
TIEBandFormClass SetMainToolbarFormClass(TIEBandFormClass formClass);

class TMainIEToolBand : public TIEToolBand {
 protected:
  GUID GetBandClassID() override;
  TIEBandFormClass GetFormClass() override;
  std::wstring GetTitle() override;
};

}  // namespace vorn
