// The extraction engine: the walk over the archive's local file headers, its
// state, the stored copy and the output files.
#pragma once

#include <stdint.h>

#include "../common/zip_format.h"
#include "../platform/platform.h"
#include "overwrite_policy.h"

// The main dialog's controls the walk addresses (its lists and status line).
#include "../ui/resource_ids.h"

// ------------------------------------------------------------ walk state

extern LocalHeaderRecord LocalHeader;
extern uint32_t LocalHeaderSignature;

extern BOOL Busy;                 // TRUE while a walk runs (wait cursor)
extern BOOL ExtractionSucceeded;  // the last walk extracted every selected entry
extern int32_t CurrentListIndex;  // list item of the current entry, -1 for none

// Compressed bytes of the current entry not yet read.  Signed: an encrypted
// entry shorter than its 12-byte header leaves it negative.
extern int32_t BytesRemaining;
extern HANDLE OutputFile;
extern uint32_t RunningCrc;
// Bytes WriteEntryData has written, as WriteFile reported them, modulo 2^32.
// The stub never reads it and never resets it; mksfx, which checks an entry
// by decoding it into the NUL device (a sink that keeps no count on
// Windows), sets it to 0 before the decode and reads it after.
extern uint32_t BytesWritten;

// Capacity of the password texts: 79 characters and the terminator.
const int kPasswordSize = 80;
extern char Password[kPasswordSize];       // last password typed, kept for the run
extern char TypedPassword[kPasswordSize];  // text of the password prompt
extern int32_t TypedPasswordLength;

extern BOOL OverwriteAnswer;  // the overwrite prompt's answer: TRUE overwrites

// Last component of the existing file's path, shown by the overwrite prompt.
const int kFileNamePartSize = 256;
extern char ExistingFileName[kFileNamePartSize];

// Shared with the main dialog, which sets them.  DestFolder holds any
// folder the platform takes (259 characters), the backslash the run command
// appends, and the terminator.
const int kDestFolderSize = MAX_PATH + 2;
extern char DestFolder[kDestFolderSize];
extern OverwritePolicy OverwriteMode;

// Walks the local file headers from ArchiveStart.  listOnly: empties list box
// `listId` of `dialog` and fills it with the entry names.  Otherwise extracts
// every entry whose item is selected in list `listId` into DestFolder,
// deselecting each one it has dealt with.  A call made while a walk runs (from
// a message let through or a prompt's message loop) returns at once.
void WalkEntries(HWND dialog, int listId, bool listOnly);

// TRUE while a walk is running (also while its prompts are up).
bool WalkRunning();

// Every variable of the walk state above as the program starts it (no output
// file, no list item table), also after a walk that the process-ending report
// interrupted: the one reset for tests, fuzzing and mksfx.
void ResetWalkState();

// Reads the next local file header into LocalHeader, skipping data
// descriptors that carry their signature.  TRUE when there is one to process.
bool ReadLocalHeader();

// ------------------------------------------------------ entries and items

// At the start of an extraction walk: the table from each entry's ordinal
// (its place among the local headers, which the list-only walk gave its item
// as item data) to the item, built once on the heap.  A list without such
// data, or a heap without room, leaves the list box's own search in charge.
void MapListItems(HWND list);
// Releases the table; the walk's end and ResetWalkState call it.
void ReleaseListItemTable();

// Finds the item of the entry with this ordinal and name, leaves its index
// in CurrentListIndex (-1 for none) and tells whether it is selected.
bool IsEntrySelected(HWND list, uint32_t ordinal, const char* name);

// Longest entry name the walk takes, in bytes.  Joined to the shortest
// destination, a drive root ("C:" and "\"), a longer name would pass the 259
// characters of a Windows path, so no destination could hold it.  The walk
// lists a longer name cut to this length and refuses to extract it; mksfx
// refuses to pack it.
const int kLongestEntryName = MAX_PATH - 1 - 3;

// FALSE for an entry name that must not be joined to the destination folder:
// a leading separator, a drive or any ":" (which would also name an alternate
// data stream), a component made of dots and blanks only (other than "."), a
// reserved device name with or without extension, or a character Windows
// forbids in file names.  Nothing is written for such an entry.
bool IsSafeEntryName(const char* name);

// ---------------------------------------------------------- entry data

// The one source of a method's input: reads the next min(BytesRemaining,
// capacity) bytes of the current entry from ArchiveFile into `buffer`,
// decrypted when flag bit 0 is set (the keys advance over exactly the bytes
// delivered).  Returns the count delivered, 0 where the archive ends;
// BytesRemaining is the caller's to lower.  A count <= 0 reads nothing.
int32_t ReadEntryData(uint8_t* buffer, int32_t capacity);

// The one sink of a method's output: writes `count` bytes to OutputFile,
// feeds RunningCrc with the bytes the write reports as written and adds
// their count to BytesWritten; then keeps the window answering
// (KeepWindowAnswering).
void WriteEntryData(const uint8_t* buffer, int32_t count);

// -------------------------------------------------- stored copy and output

// Copies the current stored entry through ReadEntryData and WriteEntryData.
// Reads at most BytesRemaining bytes.
void CopyStored();

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

// The progress as the program starts it (ResetWalkState calls it).
void ResetProgress();

// Sets the file's last write time from the DOS time (low 16 bits) and date
// (high 16 bits), read as local time.  A value that does not convert leaves
// the file's time alone.
void SetFileTimeFromDos(HANDLE file, uint32_t timeDate);

// Bytes per read of entry data, for the stored copy and the inflate input.
const int32_t kChunkSize = 32768;
