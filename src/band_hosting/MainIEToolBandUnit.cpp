#include "band_hosting/MainIEToolBandUnit.h"

#include "type_library/ResourceStrings.h"
#include "type_library/VornIEGUI_TLB.h"

namespace vorn {

GUID TMainIEToolBand::GetBandClassID() { return CLSID_VornIEExplorerBar; }

// The toolbar's own form arrives with the main toolbar; until then the band
// hosts the plain band form.
TIEBandFormClass TMainIEToolBand::GetFormClass() {
  return &TIEToolBand::CreatePlainToolbarForm;
}

// Loaded at every use, as the browser asks for it in each GetBandInfo.
std::wstring TMainIEToolBand::GetTitle() { return LoadResString(kStrProductName); }

}  // namespace vorn
