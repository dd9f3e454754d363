// The main toolbar's timers, kept in a data module of their own: each form
// makes its own module and hangs its hint logic on the timers.
#pragma once

#include "platform/forms/TDataModule.h"
#include "platform/forms/TTimer.h"

namespace vorn {

class TToolbarDM : public forms::TDataModule {
 public:
  // Builds the four timers, all stopped. The owner may be null.
  explicit TToolbarDM(forms::TComponent* owner);

  // 500 ms; nothing uses it.
  forms::TTimer* RefreshTimer = nullptr;
  // 100 ms: watches whether the pointer is still over the control whose hint is pending or shown.
  forms::TTimer* SpyHintTimer = nullptr;
  // Shows the pending button hint, then hides it; its interval changes at run time.
  forms::TTimer* CommonHintTimer = nullptr;
  // 100 ms: watches whether the pointer is still over the info card's label.
  forms::TTimer* CardHintTimer = nullptr;
};

}  // namespace vorn
