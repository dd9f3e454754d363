// The file subset the library calls: a folder's listing and the removal of
// what it holds, with the Windows names, signatures and error conventions
// (INVALID_HANDLE_VALUE, INVALID_FILE_ATTRIBUTES or FALSE results with the
// reason in GetLastError). Only the wide-character functions: a name that the
// ANSI code page cannot spell could be neither listed nor deleted with the
// others.
//
// On Windows these are the system's functions. The portable backend works on
// the real file system and keeps the Windows rules callers rely on:
// - a path may separate its parts with '\' or '/'; names are UTF-8 on disk;
// - FindFirstFileW takes a folder followed by "\*" or "\*.*" (any other
//   pattern fails with ERROR_INVALID_PARAMETER) and lists "." and ".." first,
//   as NTFS does, then the entries in the order the file system gives them;
// - attributes: FILE_ATTRIBUTE_DIRECTORY for a folder, FILE_ATTRIBUTE_READONLY
//   when the owner may not write it, FILE_ATTRIBUTE_HIDDEN for a name that
//   begins with '.', FILE_ATTRIBUTE_REPARSE_POINT for a symbolic link (with
//   FILE_ATTRIBUTE_DIRECTORY too when it points to a folder), otherwise
//   FILE_ATTRIBUTE_NORMAL or FILE_ATTRIBUTE_ARCHIVE for a plain file. A
//   symbolic link is never followed: its attributes are those of the link;
//   SetFileAttributesW changes only FILE_ATTRIBUTE_READONLY (the owner's write
//   permission) and fails on a link;
// - DeleteFileW refuses a read-only file (ERROR_ACCESS_DENIED), a folder
//   (ERROR_ACCESS_DENIED) and a file that another program holds open without
//   sharing deletion (ERROR_SHARING_VIOLATION, see
//   platform/portable/system/FileControl.h); on a symbolic link to a file it
//   removes the link;
// - RemoveDirectoryW refuses a folder that is not empty (ERROR_DIR_NOT_EMPTY)
//   and a read-only one (ERROR_ACCESS_DENIED); on a symbolic link to a folder
//   it removes the link, never what it points to.
#pragma once

#include "platform/win/WinTypes.h"

#ifdef _WIN32
#include <windows.h>
#else
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_SYSTEM 0x00000004
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_REPARSE_POINT 0x00000400
#define INVALID_FILE_ATTRIBUTES (static_cast<DWORD>(-1))
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))

#define ERROR_SHARING_VIOLATION 32L
#define ERROR_NO_MORE_FILES 18L
#define ERROR_DIR_NOT_EMPTY 145L

struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  WCHAR cFileName[MAX_PATH];
  WCHAR cAlternateFileName[14];
};
using LPWIN32_FIND_DATAW = WIN32_FIND_DATAW*;
#endif

namespace win {

#ifdef _WIN32
using ::DeleteFileW;
using ::FindClose;
using ::FindFirstFileW;
using ::FindNextFileW;
using ::GetFileAttributesW;
using ::RemoveDirectoryW;
using ::SetFileAttributesW;
#else
HANDLE FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData);
// FALSE with ERROR_NO_MORE_FILES after the last entry.
BOOL FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData);
BOOL FindClose(HANDLE hFindFile);
DWORD GetFileAttributesW(LPCWSTR lpFileName);
BOOL SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes);
BOOL DeleteFileW(LPCWSTR lpFileName);
BOOL RemoveDirectoryW(LPCWSTR lpPathName);
#endif

}  // namespace win
