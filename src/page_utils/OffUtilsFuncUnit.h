// The page commands the application asks for: marking a page's links by their
// archive state, handing its links to the application, submitting its images
// as banners, and pictures of pages (made for the server, fetched from it).
#pragma once

#include <string>

#include "platform/com/ComTypes.h"
#include "platform/com/Variant.h"
#include "platform/forms/TBitmap.h"
#include "platform/app_server/ZRStowly_TLB.h"

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
// call throws EServerCallFailed with the server's code; any other failure
// (the page's or a frame's included) ends the run with another error, leaving
// the styles already written.
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


// Asks the server for the capture settings of the browser's document and
// hands it up to two pictures (StoreCapture1, StoreCapture2). Returns quietly
// when AServer is not the server, AWebBrowser not a browser, there is no HTML
// document, the settings cannot be had, the document has no view or window, or
// the first picture cannot be made. Errors reading the document's address and
// failures of the two store calls are raised (com::ComError / EServerCallFailed).
void CaptureScreenShot(IUnknown* AWebBrowser, VARIANT_BOOL ARewriteIfExists, IUnknown* AServer);

// Fetches a stored picture (a BMP file image) from Server, or from the running
// server when none is given. True when the server had one; the bitmap is then
// loaded from it (left as it was when the answer held no byte array). False on
// any failure, with the bitmap unchanged.
bool GetLinkPicture(IGUIServer* Server, const std::wstring& URL, LONG ID, bool Flag, forms::TBitmap& Bitmap);

}  // namespace vorn
