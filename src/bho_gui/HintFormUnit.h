// The link-hint card's window: a translucent tool window that shows one
// picture with a one-pixel frame, sized to the picture, never activated.
// Also the placement rule that the card and the toolbar's button hint share.
#pragma once

#include "platform/forms/TForm.h"
#include "platform/forms/TImage.h"

namespace vorn {

class THintForm final : public forms::TForm {
 public:
  // A hidden top-level form, its creation handler run; the owner may be null.
  explicit THintForm(forms::TComponent* owner);

  forms::TImage* HintImage = nullptr;

 protected:
  // Keeps the window out of the task bar: a tool window.
  void FormCreate() override;
};

// Where a W x H hint window goes for a pointer at `pointer` (screen
// coordinates) on the virtual desktop `desktop`: 20 pixels below the pointer,
// centred on it; above it (its bottom 2 pixels above the pointer) when it
// would cross the desktop's bottom and there is more room above; moved left to
// end at the desktop's right edge, and right to start at its left edge. The
// edges are the desktop's own (left + width, top + height), so a desktop that
// does not start at 0,0 (a monitor left of or above the primary one) keeps
// the window on it; one that does gives what its width and height alone give.
POINT HintWindowPosition(POINT pointer, SIZE window, const RECT& desktop);

// The virtual desktop: every monitor's rectangle together.
RECT VirtualDesktop();

}  // namespace vorn
