// The system clipboard and the movable global memory its data travels in.
//
// Portable build: one clipboard per process, with Windows' rules. Opening
// fails while another thread holds it open; SetClipboardData needs the
// clipboard open by the calling thread and emptied by that opener, and takes
// ownership of the memory; data read with GetClipboardData stays owned by the
// clipboard. CF_TEXT and CF_UNICODETEXT are synthesized from each other on
// reading, the 8-bit side in the ANSI code page (windows-1252 here; characters
// it lacks become '?'). CF_UNICODETEXT holds NUL-terminated wchar_t text, as
// the platform's wide strings are.
#pragma once

#include "platform/win/WinTypes.h"
#include "platform/win/WindowTypes.h"

#ifdef _WIN32
namespace win {
using ::CloseClipboard;
using ::EmptyClipboard;
using ::GetClipboardData;
using ::GlobalAlloc;
using ::GlobalFree;
using ::GlobalLock;
using ::GlobalSize;
using ::GlobalUnlock;
using ::IsClipboardFormatAvailable;
using ::OpenClipboard;
using ::SetClipboardData;
}  // namespace win
#else

using HGLOBAL = HANDLE;

#define CF_TEXT 1
#define CF_OEMTEXT 7
#define CF_UNICODETEXT 13

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

#define ERROR_CLIPBOARD_NOT_OPEN 1418L
#define ERROR_NOT_LOCKED 158L

namespace win {

BOOL OpenClipboard(HWND hWndNewOwner);
BOOL CloseClipboard();
BOOL EmptyClipboard();
HANDLE SetClipboardData(UINT uFormat, HANDLE hMem);
HANDLE GetClipboardData(UINT uFormat);
BOOL IsClipboardFormatAvailable(UINT format);

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
LPVOID GlobalLock(HGLOBAL hMem);
BOOL GlobalUnlock(HGLOBAL hMem);
SIZE_T GlobalSize(HGLOBAL hMem);
// Null on success, hMem on failure, as Windows answers.
HGLOBAL GlobalFree(HGLOBAL hMem);

}  // namespace win
#endif
