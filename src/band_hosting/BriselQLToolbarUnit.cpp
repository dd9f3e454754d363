#include "band_hosting/BriselQLToolbarUnit.h"

namespace vorn {

HRESULT TBriselQLToolbar::Create(REFIID riid, void** ppv) {
  com::ComPtr<IUnknown> band;
  HRESULT hr = com::CreateComObject<TBriselQLToolbar>(band.ReleaseAndGetAddressOf());
  return FAILED(hr) ? hr : band->QueryInterface(riid, ppv);
}

}  // namespace vorn
