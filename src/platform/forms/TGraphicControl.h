// A control without a window of its own: its parent's window shows it and
// routes the mouse to it (TWinControl::ControlAtPos). It exists on both
// builds as logical state only; drawing belongs to the parent's painting.
#pragma once

#include "platform/forms/TControl.h"

namespace forms {

class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* owner) : TControl(owner) {}
};

}  // namespace forms
