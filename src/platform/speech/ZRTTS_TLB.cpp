#include "platform/speech/ZRTTS_TLB.h"

#include "platform/com/ComError.h"

namespace vorn {

static_assert(sizeof(LONG) == 4, "window handles and indexes cross as 32-bit integers");
static_assert(sizeof(ITalker) == sizeof(void*), "an interface is a v-table pointer and nothing else");

com::ComPtr<ITalker> CoTalker::Create() {
  com::ComPtr<ITalker> talker;
  com::Check(CoCreateInstance(CLSID_CoTalker, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_ITalker,
                              talker.PutVoid()),
             L"creating the speech component");
  return talker;
}

LONG TalkerWindow(HWND window) {
  // Window handles are 32-bit values sign-extended on 64-bit Windows.
  return static_cast<LONG>(reinterpret_cast<LONG_PTR>(window));
}

}  // namespace vorn
