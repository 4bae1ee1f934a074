// Linux stand-in for the Win32 calls that the engine makes.
//
// Types, constants and signatures follow the Win32 headers, so that engine
// code compiles unchanged against either.  Behaviour follows Windows as seen
// by the cross-built tests under Wine; where the two differ, Windows is right.
// What the stand-in does not model: case-insensitive file names, share modes,
// UNC paths and long-path prefixes.
//
// Paths: the stand-in speaks Windows paths.  A drive letter maps to a native
// folder (Z: is the native root "/", as under Wine; others are mapped with
// HostMapDrive); "\" and "/" both separate; relative paths resolve against the
// stand-in's own current folder (the process's folder at the start, as a
// Windows path), whatever the process later changes to.
#pragma once

#include <stddef.h>
#include <stdint.h>

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef intptr_t INT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t UINT_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef void* HANDLE;
typedef struct HostWindow* HWND;
typedef struct HostModule* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HostCursor* HCURSOR;
typedef char CHAR;
typedef char16_t WCHAR;  // UTF-16, as on Windows
typedef const WCHAR* LPCWSTR;
typedef WCHAR* LPWSTR;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef void* LPVOID;
typedef DWORD* LPDWORD;
typedef LONG* PLONG;

#define WINAPI
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260

#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define INVALID_SET_FILE_POINTER ((DWORD)-1)

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x1
#define FILE_SHARE_WRITE 0x2
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define FILE_ATTRIBUTE_READONLY 0x01
#define FILE_ATTRIBUTE_DIRECTORY 0x10
#define FILE_ATTRIBUTE_ARCHIVE 0x20
#define FILE_ATTRIBUTE_NORMAL 0x80
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

#define ERROR_SUCCESS 0
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_NO_MORE_FILES 18
#define ERROR_HANDLE_EOF 38
#define ERROR_BAD_NETPATH 53
#define ERROR_FILE_EXISTS 80
#define ERROR_INVALID_PARAMETER 87
#define ERROR_DISK_FULL 112
#define ERROR_INVALID_NAME 123
#define ERROR_NEGATIVE_SEEK 131
#define ERROR_DIR_NOT_EMPTY 145
#define ERROR_ALREADY_EXISTS 183
#define ERROR_FILENAME_EXCED_RANGE 206
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_CONTROL_ID_NOT_FOUND 1421
#define ERROR_BUFFER_OVERFLOW 111
#define ERROR_SHARING_VIOLATION 32
#define ERROR_NO_UNICODE_TRANSLATION 1113

typedef struct _FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
} FILETIME, *LPFILETIME;

typedef struct _WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  CHAR cFileName[MAX_PATH];
  CHAR cAlternateFileName[14];
} WIN32_FIND_DATAA, *LPWIN32_FIND_DATAA;

typedef struct _SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;
typedef struct _OVERLAPPED* LPOVERLAPPED;

typedef struct tagPOINT {
  LONG x, y;
} POINT;

typedef struct tagMSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
} MSG, *LPMSG;

// kernel32: files
HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                          DWORD disposition, DWORD flags, HANDLE templateFile);
BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read, LPOVERLAPPED ov);
BOOL WINAPI WriteFile(HANDLE file, const void* buffer, DWORD count, LPDWORD written,
                      LPOVERLAPPED ov);
DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method);
DWORD WINAPI GetFileSize(HANDLE file, LPDWORD sizeHigh);
BOOL WINAPI CloseHandle(HANDLE object);
DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD code);
DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR name, DWORD size);
// nullptr: the headers of the module file as the loader maps them (its first
// page); a file Windows could not have started as a 32-bit image reads as
// zeros, whose directories name nothing.  A name: a handle nothing reads
// through.
HMODULE WINAPI GetModuleHandleA(LPCSTR name);
[[noreturn]] void WINAPI ExitProcess(UINT code);
// Milliseconds since the system started, wrapping after 49.7 days.
DWORD WINAPI GetTickCount(void);

// kernel32: folders and paths
DWORD WINAPI GetFileAttributesA(LPCSTR name);
HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data);
BOOL WINAPI FindClose(HANDLE find);
BOOL WINAPI CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES sa);
DWORD WINAPI GetTempPathA(DWORD size, LPSTR buffer);
// Lexical, as on Windows: relative paths are taken from the current folder,
// "." and ".." resolved, nothing looked up.
DWORD WINAPI GetFullPathNameA(LPCSTR path, DWORD size, LPSTR buffer, LPSTR* filePart);
// No 8.3 names here: a path that exists is its own short form (its length
// and the terminator are returned, and nothing is written when `size` has no
// room for them), one that does not fails with ERROR_FILE_NOT_FOUND.
DWORD WINAPI GetShortPathNameA(LPCSTR path, LPSTR buffer, DWORD size);
// %NAME% replaced by the process environment's NAME; unknown names stay.
DWORD WINAPI ExpandEnvironmentStringsA(LPCSTR source, LPSTR buffer, DWORD size);
// The same in UTF-16: the values as the environment holds them, whatever the
// ANSI code page can name.
DWORD WINAPI ExpandEnvironmentStringsW(LPCWSTR source, LPWSTR buffer, DWORD size);

// Between the ANSI code page (HostSetAnsiCodePage) and UTF-16; only CP_ACP,
// flags 0 and whole texts (count -1).  A character the page has no byte for
// becomes "?", as Windows' default character; no best fit is modelled.
#define CP_ACP 0
int WINAPI MultiByteToWideChar(UINT page, DWORD flags, LPCSTR text, int count, LPWSTR buffer, int size);
int WINAPI WideCharToMultiByte(UINT page, DWORD flags, LPCWSTR text, int count, LPSTR buffer, int size,
                               LPCSTR defaultChar, BOOL* usedDefault);
BOOL WINAPI DeleteFileA(LPCSTR path);
BOOL WINAPI RemoveDirectoryA(LPCSTR path);
void WINAPI Sleep(DWORD milliseconds);

// Processes: the stand-in starts none, so there is never a handle to wait for.
#define INFINITE 0xFFFFFFFFu
DWORD WINAPI WaitForSingleObject(HANDLE object, DWORD milliseconds);
BOOL WINAPI GetExitCodeProcess(HANDLE process, LPDWORD code);

// kernel32: file times
BOOL WINAPI DosDateTimeToFileTime(WORD date, WORD time, LPFILETIME ft);
BOOL WINAPI LocalFileTimeToFileTime(const FILETIME* local, LPFILETIME utc);
BOOL WINAPI SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* access,
                        const FILETIME* write);
BOOL WINAPI GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME access, LPFILETIME write);

// kernel32: heap
#define HEAP_ZERO_MEMORY 0x8
HANDLE WINAPI GetProcessHeap(void);
LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, size_t bytes);
BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, LPVOID mem);

// user32: the controls of the main dialog that the engine addresses
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define LB_ADDSTRING 0x0180
#define LB_RESETCONTENT 0x0184
#define LB_SETSEL 0x0185
#define LB_GETSEL 0x0187
#define LB_GETCURSEL 0x0188
#define LB_GETTEXT 0x0189
#define LB_GETTEXTLEN 0x018A
#define LB_GETCOUNT 0x018B
#define LB_GETSELCOUNT 0x0190
#define LB_GETITEMDATA 0x0199
#define LB_SETITEMDATA 0x019A
#define LB_FINDSTRINGEXACT 0x01A2
#define LB_ERR (-1)
#define PM_REMOVE 0x0001

HWND WINAPI GetDlgItem(HWND dialog, int id);
LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT first, UINT last, UINT remove);
BOOL WINAPI TranslateMessage(const MSG* msg);
LRESULT WINAPI DispatchMessageA(const MSG* msg);

// user32: cursors (the stand-in only records the last one set)
#define MAKEINTRESOURCEA(i) ((LPSTR)(uintptr_t)(WORD)(i))
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define IDC_WAIT MAKEINTRESOURCEA(32514)
HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name);
HCURSOR WINAPI SetCursor(HCURSOR cursor);

// user32: formatting (at most 1,024 bytes, as on Windows)
int wsprintfA(LPSTR buffer, LPCSTR format, ...);

// Message box styles used by the engine's messages
#define MB_OK 0x00000000
#define MB_ICONHAND 0x00000010
#define MB_ICONERROR 0x00000010
#define MB_ICONINFORMATION 0x00000040
