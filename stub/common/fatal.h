// The fatal error report: the one way the stub ends on a fault it cannot
// carry on from (a folder that cannot be made, the heap exhausted).
#pragma once

#include "../platform/platform.h"

// The number the fatal report shows, and exits with, when a heap allocation
// fails anywhere in the stub.
const DWORD kOutOfMemoryReport = 203;

// Message box with caption "Error", no icon and the number in the text; then
// the process ends with `code` as its exit code.  Nothing of the caller runs
// afterwards.
[[noreturn]] void FatalErrorReport(DWORD code);
