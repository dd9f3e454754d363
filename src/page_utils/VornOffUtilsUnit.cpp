#include "page_utils/VornOffUtilsUnit.h"

#include "com_server/VornIEGUITypeLib.h"

namespace vorn {

TVornOffUtils::TVornOffUtils() : AutoObject(VornIEGUITypeLibModel(), CLSID_VornOffUtils) {}

// The page algorithms are not part of this object yet: every method reports E_NOTIMPL.

HRESULT TVornOffUtils::OpenLinks(VARIANT, LONG) {
  return AutomationCall([] { return E_NOTIMPL; });
}

HRESULT TVornOffUtils::HighlightDocument(ULONG, IUnknown*, IUnknown*) {
  return AutomationCall([] { return E_NOTIMPL; });
}

HRESULT TVornOffUtils::AddBanners(VARIANT, VARIANT) {
  return AutomationCall([] { return E_NOTIMPL; });
}

HRESULT TVornOffUtils::CaptureScreenShot(IUnknown*, VARIANT_BOOL, IUnknown*) {
  return AutomationCall([] { return E_NOTIMPL; });
}

HRESULT CreateVornOffUtils(REFIID riid, void** ppv) { return com::CreateAutoObject<TVornOffUtils>(riid, ppv); }

}  // namespace vorn
