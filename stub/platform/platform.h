// The one seam between the engine and the operating system.
//
// On Windows this is <windows.h> and nothing more.  On Linux it is a small
// stand-in that implements exactly the Win32 calls the start-up, extraction,
// inflate and integrity code make (files, folders, file times, the temporary
// folder, the module file name, the list boxes and status line of the main
// dialog), so that the same sources build natively for unit tests,
// sanitizers, fuzzing, benchmarks and mksfx.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include "host_win32.h"
#endif
