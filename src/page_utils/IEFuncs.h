// Helpers about the browser around the library: whether the hosting process
// is the browser itself, and the text the user selected in a document.
#pragma once

#include <string>

#include "platform/com/ComTypes.h"

namespace vorn {

// True when the executable of the current process has "IExplore.exe" in its
// path, in any letter case.
bool IsHostIExplore();

// The selected text of an HTML document, by way of the document's "Copy"
// command and the clipboard (whose earlier content is replaced). Text is
// cleared first and stays empty for anything that is not an HTML document,
// for a document whose selection is of type "None" (the clipboard is then
// left alone), or when the clipboard cannot be read; a failing "Copy" command
// is thrown.
void GetSelectionText(IUnknown* Document, std::wstring& Text);

}  // namespace vorn
