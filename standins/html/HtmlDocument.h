// An HTML document built from real HTML, reached the way the page utilities
// reach the browser's document: late-bound, by member name, through IDispatch.
//
// Members (names case-insensitive, as script sees them):
//   document   all, frames, selection, URL/url, body, parentWindow, execCommand(cmd, showUI, value)
//   collection tags(name), length, item(index[, omitted]) (any integer variant; a string names an
//              id or name; out of range gives a nil object)
//   element    href, src, innerText, alt, id, tagName, parentTextEdit, style, createTextRange (BODY)
//   style      textDecoration, fontWeight, color, backgroundColor (get and put)
//   selection  type ("None", "Text", "Control"), createRange()
//   text range text, inRange(range), moveToElementText(element)
//   window     document, window, self, frames, length, item(j) (the document's `frames` is its
//              window; a frame's window refuses `document` with E_ACCESSDENIED when the frame's
//              page has another origin (scheme, host, port) than its parent)
//
// The document also answers IHTMLDocument2 (the same IDispatch) and IOleContainer, whose
// EnumObjects(OLECONTF_EMBEDDINGS) hands out one IWebBrowser2 per frame or iframe, its Document
// being the frame's document (reachable whatever the frame's origin). Frames are loaded on first
// use through LoadOptions::frames, relative to the page; a frame that cannot be loaded, and any
// frame nested more than three levels deep, is an empty about:blank document.
//
// innerText is the element's text with runs of white space collapsed to one
// space, block elements (P, DIV, LI, TR, H1-H6, ...) and BR separated by "\r\n",
// and leading/trailing white space dropped. It is a close cousin of rendered
// text, not a layout engine.
//
// Character sets: a byte-order mark wins, then the caller's charset, then a
// <meta charset> / http-equiv declaration in the first 1024 bytes, then
// UTF-8. Known charsets are UTF-8, windows-1252 (also for iso-8859-1,
// latin1, us-ascii and ascii, which browsers decode as windows-1252) and
// UTF-16LE/BE by BOM. An unknown charset name decodes as windows-1252, as a
// browser's fallback for western pages does. Invalid UTF-8 gives U+FFFD.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/com/ComPtr.h"
#include "platform/com/ComTypes.h"
#include "platform/win/WinTypes.h"

namespace standins::html {

// Bytes of a page by absolute address; nullopt when it cannot be loaded.
using PageLoader = std::function<std::optional<std::string>(const std::wstring& url)>;
// file:/// addresses read from disk (percent-escapes decoded) as ReadPageFile (PageFile.h)
// allows; others fail, and so does a file that is not a regular one or is too large.
PageLoader FileLoader();
// The local path a file:/// address names (percent-escapes decoded, query and fragment
// dropped, "/C:/dir" read as the drive path "C:/dir"); empty for any other address.
std::string FilePathOfUrl(const std::wstring& url);
// Pages by exact address.
PageLoader MapLoader(std::map<std::wstring, std::string> pages);

struct LoadOptions {
  std::string charset;  // empty: detect
  PageLoader frames;    // empty: frames and iframes have empty documents
};

com::ComPtr<IDispatch> LoadDocument(std::string_view bytes, const std::wstring& url, const LoadOptions& = {});
// The document's address is file:/// followed by the absolute path. The file is read as
// ReadPageFile (PageFile.h) allows. Null when the file cannot be read.
com::ComPtr<IDispatch> LoadDocumentFile(const std::string& path, const LoadOptions& = {});
// The same, throwing PageFileError with the reason when the file cannot be read.
com::ComPtr<IDispatch> OpenDocumentFile(const std::string& path, const LoadOptions& = {});
// Null when the document has no element with that id (or is not one of ours).
com::ComPtr<IDispatch> ElementById(IDispatch* document, std::wstring_view id);
// Selects the text from the start of element fromId to the end of element toId; the selection's type becomes "Text".
void SelectRange(IDispatch* document, std::wstring_view fromId, std::wstring_view toId);
// Selects one element as a control selection; the selection's type becomes "Control".
void SelectControl(IDispatch* document, std::wstring_view id);
// Failure injection: reading or calling `member` on the element with that id (or on the document
// when elementId is empty) fails with hr and an error description. On an element, `member` may
// also name a property of its style object ("color"). On the document, "selection.<name>" names
// a member of its selection object, "frames.<j>.<name>" one of the window of frame j (with
// "frames.<j>.document" the browser of frame j that EnumObjects hands out refuses get_Document
// too), and "EnumObjects" makes IOleContainer::EnumObjects fail.
// Throws com::ComError (E_INVALIDARG) for a document that is not ours or an id that names nothing.
void FailMember(IDispatch* document, std::wstring_view elementId, std::wstring_view member, HRESULT hr);
// The window the document is shown in, as its IOleWindow::GetWindow answers it (null: none, E_FAIL).
// The document also answers IViewObject, whose Draw paints the page as PageView.h describes.
// Throws com::ComError (E_INVALIDARG) for a document that is not ours.
void ShowInWindow(IDispatch* document, HWND window);
// The current DOM as HTML in UTF-8, inline styles included. Its charset declarations (<meta
// charset>, <meta http-equiv="Content-Type" content="...; charset=...">) say UTF-8, and a page
// that declares none gains a <meta charset="utf-8"> at the start of its head, so that a browser
// reads the bytes as they are written whatever the page declared.
std::string SerializeHtml(IDispatch* document);

}  // namespace standins::html
