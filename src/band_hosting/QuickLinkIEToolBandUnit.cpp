#include "band_hosting/QuickLinkIEToolBandUnit.h"

#include <atomic>

#include "type_library/VornIEGUI_TLB.h"

namespace vorn {

GUID TQuickLinkIEToolBand::GetBandClassID() { return CLSID_BriselQLToolbar; }

namespace {
std::atomic<TIEBandFormClass> g_formClass{nullptr};

int WidthOf(const TIEBandForm& form, const wchar_t* name) {
  const auto* control = dynamic_cast<const forms::TControl*>(form.FindComponent(name));
  return control ? control->Width() : 0;
}
}  // namespace

TIEBandFormClass SetQuickLinksFormClass(TIEBandFormClass formClass) { return g_formClass.exchange(formClass); }

TIEBandFormClass TQuickLinkIEToolBand::GetFormClass() {
  const TIEBandFormClass formClass = g_formClass.load();
  return formClass ? formClass : &TIEToolBand::CreatePlainToolbarForm;
}

// The picture and the "Manage groups" button stay visible; the group buttons
// share the rest. A form without them (the plain one) asks for nothing.
LONG TQuickLinkIEToolBand::GetMinWidth() {
  const TIEBandForm* form = Form();
  return form ? WidthOf(*form, L"Image1") + WidthOf(*form, L"QLMngToolBar") : 0;
}

}  // namespace vorn
