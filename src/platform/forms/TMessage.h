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

// What a system control tells its parent, handed back to the control itself
// (see TWinControl): the message number plus CN_BASE, the parameters unchanged.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;

// A control's message handler. Replacing one and calling the saved handler
// from the replacement is how an owner sees a control's messages first.
using TWndMethod = std::function<void(TMessage&)>;

}  // namespace forms
