// What the declarations in ZRStowly_TLB.h must keep true for the application
// in the other process to understand the calls: the sizes of the argument
// types its type library describes, and one v-table pointer per interface.
#include "platform/app_server/ZRStowly_TLB.h"

namespace vorn {

static_assert(sizeof(VARIANT_BOOL) == 2, "automation Booleans are 16-bit");
static_assert(sizeof(OLE_COLOR) == 4 && sizeof(LONG) == 4, "colours and integers are 32-bit");
static_assert(sizeof(IGUIServer) == sizeof(void*), "an interface is a v-table pointer and nothing else");
static_assert(sizeof(IGUIServerEvents) == sizeof(void*), "an interface is a v-table pointer and nothing else");

}  // namespace vorn
