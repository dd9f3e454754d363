#include "band_hosting/VornIEExplorerBarUnit.h"

namespace vorn {

HRESULT TVornIEExplorerBar::Create(REFIID riid, void** ppv) {
  com::ComPtr<IUnknown> band;
  HRESULT hr = com::CreateComObject<TVornIEExplorerBar>(band.ReleaseAndGetAddressOf());
  return FAILED(hr) ? hr : band->QueryInterface(riid, ppv);
}

}  // namespace vorn
