#include "band_hosting/BriselQLToolbarUnit.h"

namespace vorn {

HRESULT TBriselQLToolbar::Create(REFIID riid, void** ppv) { return com::CreateObject<TBriselQLToolbar>(riid, ppv); }

}  // namespace vorn
