// Facts about the running process and the user's display settings that the
// logic reads: the executable's file name and the system colours.
#pragma once

#include "platform/win/WinTypes.h"

#ifdef _WIN32
#include <windows.h>
#else
#define COLOR_SCROLLBAR 0
#define COLOR_BACKGROUND 1
#define COLOR_ACTIVECAPTION 2
#define COLOR_INACTIVECAPTION 3
#define COLOR_MENU 4
#ifndef COLOR_WINDOW
#define COLOR_WINDOW 5
#endif
#define COLOR_WINDOWFRAME 6
#define COLOR_MENUTEXT 7
#define COLOR_WINDOWTEXT 8
#define COLOR_CAPTIONTEXT 9
#define COLOR_ACTIVEBORDER 10
#define COLOR_INACTIVEBORDER 11
#define COLOR_APPWORKSPACE 12
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14
#ifndef COLOR_BTNFACE
#define COLOR_BTNFACE 15
#endif
#define COLOR_BTNSHADOW 16
#define COLOR_GRAYTEXT 17
#define COLOR_BTNTEXT 18
#define COLOR_INACTIVECAPTIONTEXT 19
#define COLOR_BTNHIGHLIGHT 20
#define COLOR_3DDKSHADOW 21
#define COLOR_3DLIGHT 22
#define COLOR_INFOTEXT 23
#ifndef COLOR_INFOBK
#define COLOR_INFOBK 24
#endif
#define COLOR_HOTLIGHT 26
#define COLOR_GRADIENTACTIVECAPTION 27
#define COLOR_GRADIENTINACTIVECAPTION 28
#define COLOR_MENUHILIGHT 29
#define COLOR_MENUBAR 30
#endif

namespace win {

#ifdef _WIN32
using ::GetModuleFileNameW;
using ::GetSysColor;
#else
// Only hModule null (the process's executable) is known here. Copies at most
// nSize characters including the terminating zero; a name that does not fit is
// cut to nSize - 1 characters, answers nSize and sets ERROR_INSUFFICIENT_BUFFER,
// as Windows does. Answers the length without the zero otherwise; 0 on failure.
DWORD GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);

// The classic Windows colour scheme (0x00BBGGRR); 0 for an unknown index.
DWORD GetSysColor(int nIndex);
#endif

}  // namespace win
