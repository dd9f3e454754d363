#include "band_hosting/QuickLinkIEToolBandUnit.h"

#include "type_library/VornIEGUI_TLB.h"

namespace vorn {

GUID TQuickLinkIEToolBand::GetBandClassID() { return CLSID_BriselQLToolbar; }

// The quick-links form arrives with the quick-links toolbar; until then the
// band hosts the plain band form.
TIEBandFormClass TQuickLinkIEToolBand::GetFormClass() {
  return &TIEToolBand::CreatePlainToolbarForm;
}

// The picture and the "Manage groups" button stay visible; the plain band
// form has neither, so the minimum is 0 until the quick-links form exists.
LONG TQuickLinkIEToolBand::GetMinWidth() { return 0; }

}  // namespace vorn
