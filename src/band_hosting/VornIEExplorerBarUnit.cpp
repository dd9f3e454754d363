#include "band_hosting/VornIEExplorerBarUnit.h"

namespace vorn {

HRESULT TVornIEExplorerBar::Create(REFIID riid, void** ppv) { return com::CreateObject<TVornIEExplorerBar>(riid, ppv); }

}  // namespace vorn
