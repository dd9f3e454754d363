// Pictures of pages and the application server: the capture of the page shown
// in a browser (the server decides whether and how), and fetching a picture
// the server keeps into a bitmap.
#pragma once

#include <string>

#include "platform/com/ComTypes.h"
#include "platform/forms/TBitmap.h"
#include "server_link/ZRStowly_TLB.h"

namespace vorn {

// Asks the server for the capture settings of the browser's document and
// hands it up to two pictures (StoreCapture1, StoreCapture2). Returns quietly
// when AServer is not the server, AWebBrowser not a browser, there is no HTML
// document, the settings cannot be had, the document has no view or window, or
// the first picture cannot be made. Errors reading the document's address and
// failures of the two store calls are raised (com::ComError / CallFailed).
void CaptureScreenShot(IUnknown* AWebBrowser, VARIANT_BOOL ARewriteIfExists, IUnknown* AServer);

// Fetches a stored picture (a BMP file image) from Server, or from the running
// server when none is given. True when the server had one; the bitmap is then
// loaded from it (left as it was when the answer held no byte array). False on
// any failure, with the bitmap unchanged.
bool GetLinkPicture(IGUIServer* Server, const std::wstring& URL, LONG ID, bool Flag, forms::TBitmap& Bitmap);

}  // namespace vorn
