// What the engine asks of the process it runs in, besides its user interface
// (dialogs.h): the way out, and its own image's headers.
//
// The stub answers with the process itself (own_process_win32.cpp).  mksfx,
// which runs the engine's start-up on a file it examines and carries on
// afterwards, answers with that file and unwinds instead of ending; the unit
// tests, fuzz targets and benchmarks define their own.
#pragma once

#include <stdint.h>

#include "../platform/platform.h"

// Ends the run with `code` as the process's exit code: the stub's two ends
// short of its normal one ("Cannot process file." and the fatal report).
// Nothing of the caller runs afterwards; a program that embeds the engine may
// leave by an exception instead of ending, so callers hold no resource they
// would have to release after this.  The end with kExitCannotProcess comes
// after the own file is closed; the fatal report's leaves it open.
[[noreturn]] void EndProcess(UINT code);

// The running program's image headers, as the loader mapped them: at least
// the first kMappedHeaderBytes of its file, where a signer enters the
// certificate table's file position.
const uint8_t* OwnImageHeaders();
