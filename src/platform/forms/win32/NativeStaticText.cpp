#include "platform/forms/win32/NativeStaticText.h"

#include <windows.h>

#include "platform/forms/TStaticText.h"

namespace forms::detail {

void NativeStaticTextCreateParams(const TStaticText& text, TCreateParams& params) {
  params.SystemClass = L"Static";
  params.Style |= SS_NOTIFY;
  switch (text.Alignment()) {
    case taCenter: params.Style |= SS_CENTER; break;
    case taRightJustify: params.Style |= SS_RIGHT; break;
    case taLeftJustify: params.Style |= SS_LEFT; break;
  }
  if (!text.ShowAccelChar()) params.Style |= SS_NOPREFIX;
}

}  // namespace forms::detail
