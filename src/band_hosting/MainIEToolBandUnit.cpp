#include "band_hosting/MainIEToolBandUnit.h"

#include <atomic>

#include "type_library/ResourceStrings.h"
#include "type_library/VornIEGUI_TLB.h"

namespace vorn {

GUID TMainIEToolBand::GetBandClassID() { return CLSID_VornIEExplorerBar; }

namespace {
std::atomic<TIEBandFormClass> g_formClass{nullptr};
}  // namespace

TIEBandFormClass SetMainToolbarFormClass(TIEBandFormClass formClass) { return g_formClass.exchange(formClass); }

TIEBandFormClass TMainIEToolBand::GetFormClass() {
  const TIEBandFormClass formClass = g_formClass.load();
  return formClass ? formClass : &TIEToolBand::CreatePlainToolbarForm;
}

// Loaded at every use, as the browser asks for it in each GetBandInfo.
std::wstring TMainIEToolBand::GetTitle() { return LoadResString(kStrProductName); }

}  // namespace vorn
