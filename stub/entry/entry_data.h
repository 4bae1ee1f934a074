// An entry's data on their way through a compression method: the one source
// every method reads its input from, the one sink it writes its output to,
// and the progress the sink keeps up.  Below the methods (the stored copy in
// extract/, the decoder in inflate/) and the walk that runs them.
#pragma once

#include <stdint.h>

#include "../common/engine_state.h"
#include "../platform/platform.h"

// Bytes per read of entry data, for the stored copy and the inflate input.
const int32_t kChunkSize = 32768;

// ---------------------------------------------------------- entry data

// Reads the next min(Engine.BytesRemaining, capacity) bytes of the current
// entry from the own file into `buffer`, decrypted when the local header's
// flag bit 0 is set (the keys advance over exactly the bytes delivered).
// Returns the count delivered, 0 where the archive ends; BytesRemaining is
// the caller's to lower.  A count <= 0 reads nothing.
int32_t ReadEntryData(uint8_t* buffer, int32_t capacity);

// Writes `count` bytes to Engine.OutputFile, feeds RunningCrc with the bytes
// the write reports as written and adds their count to BytesWritten; then
// keeps the window answering (KeepWindowAnswering).
void WriteEntryData(const uint8_t* buffer, int32_t count);

// ---------------------------------------------------------- progress

// Shows the wait cursor, loaded once for the run: the progress puts it up at
// its pace, the main dialog on WM_SETCURSOR while Busy.
void PutUpWaitCursor();

// A walk begins: the progress goes to the status line of `dialog`.
void StartProgress(HWND dialog);

// A file begins: its text ("Extracting: " and `outputPath`) is kept, and
// shown when the progress is due (KeepWindowAnswering).
void BeginProgress(const char* outputPath);

// At most once per 100 ms, or at once when due: the status line names the
// last file begun, one window message is let through to the main dialog and
// the wait cursor is put up.  Called per file and per write of an entry's
// data, so the window keeps answering inside a long entry too.
void KeepWindowAnswering();

// Before anything that stops the walk for the user (a prompt, a message box,
// its end): the status line names the last file begun, as if every file had
// been shown, and the progress is due again.
void CatchUpProgress();

// A text of the walk's own in the status line.
void ShowStatus(const char* text);
