// The page commands the application asks for: marking a page's links by their
// archive state, handing its links to the application, and submitting its
// images as banners.
#pragma once

#include <string>

#include "platform/com/ComTypes.h"
#include "platform/com/Variant.h"

namespace vorn {

// One link to be styled: its normalized address and its element.
class TDocItem {
 public:
  std::wstring URL;
  com::Variant Element;

  // Holds its own reference on the element.
  void SetElement(const VARIANT& element) { Element = com::Variant(element); }
  void SetURL(const std::wstring& url) { URL = url; }
};

// Styles the links of the document Unk (and of its frames) by the states the
// server Srv reports for their addresses, and clears the style of links that
// are not to be marked (all of them without a server or with highlighting
// off). Something other than an HTML document is left alone. A failed server
// call throws com::CallFailed with the server's code; any other failure ends
// the run with an error, leaving the styles already written.
void HighlightDocument(ULONG WB_ID, IUnknown* Unk, IUnknown* Srv);

// Hands the distinct links of the document (and its frames; only those in the
// selection when AOnlySel > 0) with their titles to the running application.
// Nothing is sent without links or without a running application.
void OpenLinks(const VARIANT& ADocument, LONG AOnlySel);

// Submits as banners the images in the document's selection, or, when nothing
// is selected, AElement's src, to the running application.
void AddBanners(const VARIANT& ADocument, const VARIANT& AElement);

// A colour value (0x00BBGGRR or a system colour constant) as a style sheet's
// bare hexadecimal RRGGBB digits, at least six, upper case.
std::wstring ColorToStyleValue(OLE_COLOR color);

}  // namespace vorn
