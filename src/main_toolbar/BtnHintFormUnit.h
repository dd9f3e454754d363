// The small window that shows a toolbar button's hint: a framed label on the
// hint colour, placed and shown by the main toolbar form without taking the
// focus from the browser.
#pragma once

#include "platform/forms/TForm.h"
#include "platform/forms/TLabel.h"
#include "platform/forms/TShape.h"

namespace vorn {

class TBtnHintForm final : public forms::TForm {
 public:
  // A top-level form, hidden, its creation handler run; the owner may be null.
  explicit TBtnHintForm(forms::TComponent* owner);

  forms::TShape* Shape1 = nullptr;
  forms::TLabel* HintLabel = nullptr;

 protected:
  // Keeps the window out of the task bar: a tool window.
  void FormCreate() override;
};

}  // namespace vorn
