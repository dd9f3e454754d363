// What the forms of a process share: the hint timing, which a host may change.
#pragma once

#include <atomic>

#include "platform/com/ComTypes.h"

namespace forms {

class TApplication {
 public:
  // How long the pointer rests on a control before its hint shows (ms).
  UINT HintPause() const { return hintPause_; }
  void SetHintPause(UINT value) { hintPause_ = value; }
  // How long a shown hint stays (ms).
  UINT HintHidePause() const { return hintHidePause_; }
  void SetHintHidePause(UINT value) { hintHidePause_ = value; }

 private:
  std::atomic<UINT> hintPause_{500};
  std::atomic<UINT> hintHidePause_{2500};
};

// The process's one instance.
TApplication& Application();

}  // namespace forms
