// Shared between the files of the Linux stand-in; nothing else includes it.
#pragma once

#include <string>

#include "host_probes.h"
#include "host_win32.h"

// What the tests' controls (host_probes.h) set and the stand-in's calls
// read; the start-up state, which HostResetPlatform restores, injects and
// observes nothing.
struct HostProbeState {
  long allocationsAllowed = -1;  // heap allocations before every one fails; -1 all
  int64_t writeBudget = -1;      // bytes WriteFile still writes; -1 no limit
  int closesToFail = 0;          // CloseHandle calls on written files that fail
  HostIoObserver ioObserver = nullptr;
  void* ioObserverContext = nullptr;
  LPCSTR currentCursor = nullptr;  // SetCursor's last cursor
  int cursorChanges = 0;
};
extern HostProbeState HostProbes;

// A Windows path resolved to the native file system.
struct HostResolved {
  std::string native;         // native absolute path
  std::string nativeParent;   // native folder holding it
  std::string canonical;      // Windows form: "C:\a\b" (drive root "C:\")
  std::string lastComponent;  // after normalisation; empty for a drive root
  bool trailingSeparator = false;
  bool isDriveRoot = false;
  bool invalidName = false;   // a component holds < > : " | or a control byte
  bool wildcard = false;      // a component holds * or ?
  DWORD error = 0;            // why resolution failed
};

// Resolves `path`; on false, `r.error` holds the Win32 error code.
bool HostResolve(const char* path, HostResolved& r);

// A name of a Windows path as the native file system holds it, and a
// native name as a Windows call returns it (false when a character has no
// byte in the ANSI code page; it is given as "?").  See HostSetAnsiCodePage.
std::string HostNativeName(const std::string& ansi);
bool HostAnsiName(const std::string& native, std::string& ansi);

bool HostIsFolder(const char* native);
// A file or folder the stand-in has just created as `name` in native
// `nativeParent`, for the kept folder listings (HostKeepFolderListings).
void HostNoteCreated(const std::string& nativeParent, const std::string& name);
void HostResetPaths();
void HostResetFiles();
void HostResetWindows();
