// The fatal error report: the one way the stub ends on a fault it cannot
// carry on from (a folder that cannot be made, the heap exhausted).
#pragma once

#include "../platform/platform.h"

// The number the fatal report shows, and exits with, when a heap allocation
// fails anywhere in the stub.
const DWORD kOutOfMemoryReport = 203;

// The exit code after a folder could not be created or named exactly (a
// missing drive, a file in the way, no access, a name the ANSI code page
// cannot hold): one code, whatever the system's reason, so that a script can
// tell it from every other outcome.
const UINT kExitFolderFailed = 3;

// Message box with caption "Error", no icon and the number in the text,
// followed by `folder`, the folder concerned ("" for none); then what a
// temporary extraction made is removed and the process ends, with
// kExitFolderFailed for a folder, else with `code`.  Nothing of the caller
// runs afterwards.
[[noreturn]] void FatalErrorReport(DWORD code, const char* folder);
