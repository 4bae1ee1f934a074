// The extraction engine: the walk over the archive's local file headers, the
// list items of its entries, the entry names it takes, the stored copy and
// the output files.  Its state lives in Engine (common/engine_state.h).
#pragma once

#include <stdint.h>

#include "../common/engine_state.h"
#include "../common/resource_ids.h"
#include "../common/zip_format.h"
#include "../platform/platform.h"

// ------------------------------------------------------------- the walk

// Walks the local file headers from Engine.ArchiveStart.  listOnly: empties
// list box `listId` of `dialog` and fills it with the entry names.
// Otherwise extracts every entry whose item is selected in list `listId`
// into Engine.DestFolder, deselecting each one it has dealt with.  A call
// made while a walk runs (Engine.WalkRunning: from a message let through or
// a prompt's message loop) returns at once.
void WalkEntries(HWND dialog, int listId, bool listOnly);

// Reads the next local file header into Engine.LocalHeader, skipping data
// descriptors that carry their signature.  TRUE when there is one to process.
bool ReadLocalHeader();

// ------------------------------------------------------ entries and items

// At the start of an extraction walk: the table from each entry's ordinal
// (its place among the local headers, which the list-only walk gave its item
// as item data) to the item, built once on the heap.  A list without such
// data, or a heap without room, leaves the list box's own search in charge.
void MapListItems(HWND list);
// Releases the table; the walk's end calls it.
void ReleaseListItemTable();

// Finds the item of the entry with this ordinal and name, leaves its index
// in Engine.CurrentListIndex (-1 for none) and tells whether it is selected.
bool IsEntrySelected(HWND list, uint32_t ordinal, const char* name);

// Why an entry name must not be joined to the destination folder, the first
// fault found; nothing is written for such an entry.  mksfx words each
// fault once, for its refusals and its findings.
enum NameFault {
  kNameSafe = 0,
  kNameAbsolute,             // a leading separator
  kNameColon,                // a drive, or an alternate data stream
  kNameForbiddenCharacter,   // a control character or one of < > " | ? *
  kNameDotsAndBlanks,        // a component of dots and blanks only (other than ".")
  kNameDevice,               // a reserved device name, with or without extension
};
NameFault EntryNameFault(const char* name);

// The methods the walk extracts: stored and deflated.  Any other is tested
// before anything on disk is touched, and ends an extraction.
inline bool IsKnownMethod(uint16_t method) { return method == kMethodStored || method == kMethodDeflated; }

// -------------------------------------------------- stored copy and output

// The current entry's data (Engine.LocalHeader: stored or deflated, its
// sizes, CRC and flags), from where the own file stands (behind the
// encryption header, the keys ready, for an encrypted entry), through its
// method into Engine.OutputFile: RunningCrc preset, BytesRemaining set.
// TRUE when the data decode and their CRC is the local header's.
bool DecodeEntryData();

// Copies the current stored entry through ReadEntryData and WriteEntryData.
// Reads at most Engine.BytesRemaining bytes.
void CopyStored();

// Sets the file's last write time from the DOS time (low 16 bits) and date
// (high 16 bits), read as local time.  A value that does not convert leaves
// the file's time alone.
void SetFileTimeFromDos(HANDLE file, uint32_t timeDate);
