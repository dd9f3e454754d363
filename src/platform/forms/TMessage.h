// A window message as the toolkit's message handlers see it.
#pragma once

#include <functional>

#include "platform/win/WindowTypes.h"

namespace forms {

struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

// A control's message handler. Replacing one and calling the saved handler
// from the replacement is how an owner sees a control's messages first.
using TWndMethod = std::function<void(TMessage&)>;

}  // namespace forms
