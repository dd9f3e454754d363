#include "platform/browser/ViewObject.h"

#ifndef _WIN32
extern "C" const IID IID_IViewObject = {0x0000010D, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
#endif
