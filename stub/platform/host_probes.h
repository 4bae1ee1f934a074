// Controls of the Linux stand-in that only tests use: the faults it injects
// and what it lets a test observe.  Their bodies (host_probes.cpp) are built
// into the test programs, never into mksfx; the stand-in's calls read the
// state they set, HostProbes (host_internal.h).
#pragma once

#include <stdint.h>

#include "host_win32.h"

// Fault injection.  `allowed` heap allocations succeed and every later one
// fails (-1: never fail).  WriteFile writes at most `bytes` more bytes in all
// and then reports ERROR_DISK_FULL (-1: no limit).
void HostFailAllocationsAfter(long allowed);
void HostLimitWrites(int64_t bytes);

// CloseHandle fails (ERROR_INVALID_HANDLE, after closing) for the next
// `count` handles of files opened for writing.
void HostFailNextCloses(int count);

// The cursor that SetCursor last received: IDC_ARROW, IDC_WAIT or nullptr.
LPCSTR HostCurrentCursor();
// SetCursor calls since the reset (each costs a server round trip on Windows).
int HostCursorChanges();

// Called with every ReadFile and WriteFile on a file (after the call): the
// handle, the count asked for and the count done.  For tests that check the
// I/O pattern (chunk sizes, nothing read past an entry).  nullptr for none.
typedef void (*HostIoObserver)(void* context, bool isWrite, HANDLE file, DWORD asked,
                               DWORD done);
void HostSetIoObserver(HostIoObserver observer, void* context);
