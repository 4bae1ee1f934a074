// Controls of the Linux stand-in that have no Win32 counterpart: what a test,
// a benchmark or mksfx sets up before it runs engine code.  The faults and
// observers that only tests use are host_probes.h's.  Only host code
// includes this header.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "host_win32.h"

// Maps drive `letter` (A-Z) to a native folder; nullptr removes the mapping.
// Z: starts mapped to "/".
void HostMapDrive(char letter, const char* nativeFolder);

// Native path of a Windows path, as the stand-in's file calls resolve it.
// False when the path cannot be resolved (unmapped drive, UNC, too long).
bool HostNativePath(const char* windowsPath, char* out, size_t capacity);

// Windows path of a native absolute path on drive Z: ("/tmp/a" -> "Z:\tmp\a");
// false when a character has no byte in the ANSI code page.
bool HostWindowsPath(const char* nativePath, char* out, size_t capacity);

// The system's ANSI code page: the code point of each byte 0x80-0xFF (0 where
// the page leaves the byte undefined; such a byte stands for the code point
// of its own value, as Windows maps the holes of 1252).  Native names are
// then UTF-8, as Wine keeps them on Unix: a Windows path's names are
// converted where they reach the native file system, and native names back
// where a call returns them (a character the page lacks as "?", Windows'
// default character).  nullptr, the start-up state, passes names through
// byte for byte.
void HostSetAnsiCodePage(const uint16_t* highBytes);

// While set, the folder listings that names differing only in case are
// looked up in are kept, with the stand-in's own creations added, and read
// again only when a folder's node, time or size changes.  For a run that
// nothing else writes into at the same time (mksfx extract): otherwise a
// folder of n new files costs O(n^2) entries read.  Off at start-up.
void HostKeepFolderListings(bool keep);

// What GetModuleFileNameA reports, as a Windows path.
void HostSetModuleFileName(const char* windowsPath);

// An in-memory dialog holding the controls the engine addresses: list boxes
// with LBS_SORT | LBS_HASSTRINGS (multiple selection or single selection) and
// static texts.
HWND HostCreateDialog();
void HostAddListBox(HWND dialog, int id, bool multipleSelection);
void HostAddStatic(HWND dialog, int id);
void HostDestroyDialog(HWND dialog);

// Called once by every PeekMessageA, standing for the one window message
// that the engine lets through; nullptr for none.
void HostSetMessageHook(void (*hook)(void* context), void* context);

// Called each time an item of a list box gets its data (LB_SETITEMDATA),
// with the list and the data, before the item takes it: the list-only walk
// gives each item its entry's ordinal.  nullptr for none.
typedef void (*HostListObserver)(void* context, HWND list, LPARAM data);
void HostSetListObserver(HostListObserver observer, void* context);

// Called each time CreateFileA opens a file for writing, with the native
// path it opened: once per output file of a walk.  nullptr for none.
typedef void (*HostWriteOpenObserver)(void* context, const char* nativePath);
void HostSetWriteOpenObserver(HostWriteOpenObserver observer, void* context);

// Back to the start-up state: current folder Z:\ + the process's folder,
// no hooks, no faults, drives other than Z: unmapped.
void HostResetPlatform();
