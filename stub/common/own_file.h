// The program's own file (Engine.ArchiveFile), open for reading for the whole
// run: the one way through it.
#pragma once

#include <stdint.h>

#include "../platform/platform.h"

// origin: FILE_BEGIN, FILE_CURRENT or FILE_END.  Returns and stores the new
// absolute position (Engine.FilePos), -1 when the seek fails.
int32_t SeekArchive(int32_t distance, DWORD origin);

// Reads up to `count` bytes of the own file from where it stands and returns
// the count that arrived: 0 where the file ends or the read fails.  The one
// read of the program's own file (one call site each costs about 20 bytes of
// the stub's image; a call of this, about 10).
DWORD ReadArchive(void* buffer, DWORD count);
