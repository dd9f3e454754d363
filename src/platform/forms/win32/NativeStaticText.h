// The system's static control behind a TStaticText on Windows: it draws the
// text (aligned, with or without the '&' prefix) in the font the toolkit
// gives it, and with SS_NOTIFY lets the mouse reach the control.
#pragma once

namespace forms {

class TStaticText;
struct TCreateParams;

namespace detail {

void NativeStaticTextCreateParams(const TStaticText& text, TCreateParams& params);

}  // namespace detail
}  // namespace forms
