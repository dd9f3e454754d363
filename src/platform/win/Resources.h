// A module's bitmap resources, with the Windows name and signature of the one
// loader the library calls. Resource names are compared without regard to
// case, as Windows does (the build names them in upper case).
//
// On Windows this is user32's LoadImageW over the module's BITMAP resources.
// The portable system keeps a module's bitmaps as files: `<folder of the
// module's file>/resources/<name>.bmp`, read by the toolkit's BMP reader
// (platform/forms/BmpReader.h). The module is the one loaded from the
// instance handle (win::LoadLibraryW's answer) or the one containing the
// address it holds (as forms::detail::ModuleInstance gives). It answers only
// what the library asks for:
// - IMAGE_BITMAP with LR_CREATEDIBSECTION (LR_DEFAULTSIZE and LR_LOADFROMFILE,
//   the name then being a file's path, may be added), cx and cy 0 or the
//   picture's own size (nothing is stretched); anything else fails with
//   ERROR_INVALID_PARAMETER;
// - a DIB section with the file's orientation: 24 bits for a 24-bit file,
//   else 32 bits (Windows keeps every file's depth), the fourth byte holding
//   the file's alpha where it has one and 0 otherwise, as Windows leaves it;
// - failures: ERROR_INVALID_HANDLE for an instance that is no module,
//   ERROR_RESOURCE_TYPE_NOT_FOUND for a module without bitmaps,
//   ERROR_RESOURCE_NAME_NOT_FOUND for a name it lacks (numeric identifiers
//   included: the portable modules name their bitmaps), ERROR_FILE_NOT_FOUND
//   for a missing file given by path, ERROR_INVALID_DATA for a file the reader
//   refuses.
#pragma once

#include "platform/win/Gdi.h"

#ifndef _WIN32

#define IMAGE_BITMAP 0
#define LR_DEFAULTCOLOR 0x0000
#define LR_LOADFROMFILE 0x0010
#define LR_DEFAULTSIZE 0x0040
#define LR_CREATEDIBSECTION 0x2000

#ifndef ERROR_INVALID_DATA
#define ERROR_INVALID_DATA 13L
#endif
#ifndef ERROR_RESOURCE_TYPE_NOT_FOUND
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#endif
#ifndef ERROR_RESOURCE_NAME_NOT_FOUND
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#endif

#endif  // !_WIN32

namespace win {

#ifdef _WIN32
using ::LoadImageW;
#else
HANDLE LoadImageW(HINSTANCE hInst, LPCWSTR name, UINT type, int cx, int cy, UINT fuLoad);
#endif

}  // namespace win
