#include "platform/forms/TPanel.h"

#include <algorithm>

namespace forms {

TPanel::TPanel(TComponent* owner) : TWinControl(owner) { SetBounds(0, 0, 185, 41); }

void TPanel::SetBevelInner(TBevelCut value) {
  if (value == bevelInner_) return;
  bevelInner_ = value;
  Realign();
}

void TPanel::SetBevelOuter(TBevelCut value) {
  if (value == bevelOuter_) return;
  bevelOuter_ = value;
  Realign();
}

void TPanel::SetBevelWidth(int value) {
  value = std::max(value, 1);
  if (value == bevelWidth_) return;
  bevelWidth_ = value;
  Realign();
}

void TPanel::CreateParams(TCreateParams& params) const {
  TWinControl::CreateParams(params);
  params.WinClassName = L"VornPanel";
  params.Style |= WS_CLIPCHILDREN;
}

void TPanel::AdjustClientRect(RECT& rect) const {
  TWinControl::AdjustClientRect(rect);
  const int bevels = (bevelInner_ != bvNone ? bevelWidth_ : 0) + (bevelOuter_ != bvNone ? bevelWidth_ : 0);
  rect.left += bevels;
  rect.top += bevels;
  rect.right -= bevels;
  rect.bottom -= bevels;
}

}  // namespace forms
