// The engine's whole state, in one object: the program's own file and where
// its archive lies, the settings of the configuration block, the walk, its
// progress, the decoder, the CRC table and the keys, and the dialogs' own.
//
// The stub keeps one static instance, Engine.  It is zero-filled at start
// (it lies in the image's zero-filled section and costs no file bytes), and
// every field's start value is its zero: no initialiser may give a field
// another, or the whole object would move into the file.  Tools that run the
// engine more than once in a process (the tests, fuzzing, mksfx) start each
// run from a fresh object (ResetEngine), never from what a run left.
#pragma once

#include <stdint.h>

#include "../platform/platform.h"
#include "deflate_format.h"
#include "overwrite_policy.h"
#include "zip_format.h"

// ------------------------------------------------------------- capacities

// Capacity of the caption, default folder and run command buffers: 260
// characters and the terminator (GetTempPathA writes at most 260).
const int kSettingTextSize = 261;

// Capacity of the password texts: 79 characters and the terminator.
const int kPasswordSize = 80;

// Last component of a path (the existing file the overwrite prompt names):
// 255 characters and the terminator.
const int kFileNamePartSize = 256;

// Any folder the platform takes (259 characters), the backslash the run
// command appends, and the terminator.
const int kDestFolderSize = MAX_PATH + 2;

// Longest entry name the walk takes, in bytes.  Joined to the shortest
// destination, a drive root ("C:" and "\"), a longer name would pass the 259
// characters of a Windows path, so no destination could hold it.  The walk
// lists a longer name cut to this length and refuses to extract it; mksfx
// refuses to pack it.
const int kLongestEntryName = MAX_PATH - 1 - 3;

// The status line's text: "Extracting: " and a path of up to 259 characters.
const int kProgressSize = 12 + MAX_PATH;

// ------------------------------------------------------------- settings

struct Settings {
  BOOL ShowRunCheckBox;
  BOOL SelectableFileList;
  BOOL HideOverwriteChoice;
  int32_t OverwriteButtonId;  // 501 overwrite, 502 skip existing, 503 ask
  BOOL AutoExtract;
  BOOL HasCaption;
  char Caption[kSettingTextSize];
  BOOL HasDefaultFolder;
  char DefaultFolder[kSettingTextSize];
  BOOL HasRunCommand;
  char RunCommand[kSettingTextSize];
  BOOL HasInfoText;
  char* InfoText;  // length + 1 bytes from the heap, or nullptr
  BOOL HasInfoCaption;
  char* InfoCaption;  // length + 1 bytes from the heap, or nullptr
};

// ------------------------------------------------------------- decoder

struct HuffmanEntry;

// The decoder's bit buffer is a machine word: 32 bits in the stub, 64 on the
// host, where the fast loop takes a whole match from one refill.
typedef uintptr_t BitWord;

// One entry's decoding: zero before an entry and after it (InflateEntry
// releases what it took).
struct InflateState {
  uint8_t* inputBuffer;  // kInputBufferSize bytes, decrypted as read
  int32_t inputCount;    // bytes the last read delivered
  uint32_t inputPos;     // next byte of inputBuffer to hand out
  // Bits fetched and not yet used; the next bit is bit 0.  Bits at and above
  // bitCount are zero or, after the fast loop, already the bits of the bytes
  // at inputPos onwards, so merging those bytes again changes nothing.
  BitWord bitBuffer;
  uint32_t bitCount;
  // 1 bits merged in for end markers (past the entry's data), counted as
  // they enter.  They lie above every real bit, so bitCount < endBits means
  // a bit past the entry's data has been consumed.
  uint32_t endBits;
  uint8_t* slidingWindow;  // kWindowSize bytes: output byte m at m mod 32,768
  uint32_t windowPos;      // next position; bytes produced and not yet written
  // A full window has been written: every distance up to 32,768 now lies
  // within the entry's own output.  Until then a match may not reach before
  // position 0.
  bool windowWrapped;
  // Fixed code tables, built by an entry's first fixed block and kept for
  // the rest of that entry.
  HuffmanEntry* fixedLiteralTable;
  HuffmanEntry* fixedLiteralList;
  int32_t fixedLiteralBits;
  HuffmanEntry* fixedDistanceTable;
  HuffmanEntry* fixedDistanceList;
  int32_t fixedDistanceBits;
};

// ------------------------------------------------------------- the engine

struct EngineState {
  // The program's own file, open for reading for the whole run; every part
  // moves through it with SeekArchive only.
  HANDLE ArchiveFile;
  // Absolute position after the last SeekArchive (not moved by later
  // reads); -1 after a failed seek.
  int32_t FilePos;
  HINSTANCE HInstance;  // the module the dialogs are created from
  // Set by the information dialog's second button: the main dialog is skipped.
  BOOL SkipMainDialog;
  // The process's exit code once the run is over (startup.h lists them).
  uint32_t ExitCode;

  // /S: no window of any kind (startup.h).
  BOOL Silent;
  // What follows "/D=" on the command line, quotes and all (the rest of the
  // line), or nullptr.  The reader takes it as the default folder.
  const char* FolderSwitch;

  // First the position of the configuration block, after start-up the
  // position of the archive's first local file header.
  int32_t ArchiveStart;
  // The 16-bit word just in front of the first local file header: the
  // distance from the block's first byte to that header.  0 until the
  // locator reads it.
  uint16_t BlockLength;
  // Entries the end record says the central directory lists; 0 until the
  // locator has taken a record.  A walk over the local headers is complete
  // only when it has met at least as many.
  uint16_t CentralEntryCount;
  // Absolute position of the end of central directory record the locator
  // took; 0 until it has taken one (none can lie at 0).  Tools that check a
  // self-extractor compare it with the record they wrote.
  int32_t EndRecordAt;
  // The fixed part of the central directory file header being examined.
  uint8_t CentralHeader[kCentralHeaderSize];

  // Written once by ReadConfigurationBlock, which starts from the defaults,
  // read-only afterwards.
  Settings SfxSettings;

  // ---------------------------------------------------------- the walk
  LocalHeaderRecord LocalHeader;
  // Position just behind the current local header, which lies at
  // HeaderEnd - 30: the list-only walk adds an entry's item with it and
  // LocalHeader standing.
  int32_t HeaderEnd;
  uint32_t LocalHeaderSignature;  // formed at run time (walk.cpp)
  BOOL Busy;                      // TRUE while a walk runs (wait cursor)
  BOOL ExtractionSucceeded;       // the last walk extracted every selected entry
  int32_t CurrentListIndex;       // list item of the current entry, -1 for none
  bool WalkRunning;               // a walk runs; a second one returns at once
  // The walk's name buffer: the name read, cut to kLongestEntryName bytes,
  // and its terminator.
  char WalkName[kLongestEntryName + 1];
  // Item index plus one (0: no item) for each ordinal below MappedEntries,
  // or nullptr: the list item table of the running extraction walk.
  int32_t* ItemOfEntry;
  uint32_t MappedEntries;

  // Compressed bytes of the current entry not yet read.  Signed: an
  // encrypted entry shorter than its 12-byte header leaves it negative.
  int32_t BytesRemaining;
  HANDLE OutputFile;
  uint32_t RunningCrc;
  // Bytes WriteEntryData has written, as WriteFile reported them, modulo
  // 2^32.  The stub never reads it and never resets it; mksfx, which checks
  // an entry by decoding it into the NUL device (a sink that keeps no count
  // on Windows), sets it to 0 before the decode and reads it after.
  uint32_t BytesWritten;

  char Password[kPasswordSize];       // last password typed, kept for the run
  char TypedPassword[kPasswordSize];  // text of the password prompt
  int32_t TypedPasswordLength;
  BOOL OverwriteAnswer;  // the overwrite prompt's answer: TRUE overwrites
  // Last component of the existing file's path, shown by the overwrite prompt.
  char ExistingFileName[kFileNamePartSize];
  // Shared with the main dialog, which sets them.
  char DestFolder[kDestFolderSize];
  OverwritePolicy OverwriteMode;

  // ------------------------------------------------------ the progress
  // The status line and the text of the last file begun; ProgressShown when
  // the status line holds it, ProgressDue when the next chance is taken at
  // once; ProgressAt, the GetTickCount of the last one.
  HWND StatusLine;
  char Progress[kProgressSize];
  bool ProgressShown;
  bool ProgressDue;
  DWORD ProgressAt;
  HCURSOR WaitCursor;  // loaded once for the run

  // ------------------------------------------------------ the decoder
  InflateState inflate;
  int LastInflateResult;  // of the last InflateEntry's block loop (kInflateOk before any)
  // Base values and extra-bit counts of length symbols 257-287 and distance
  // codes 0-31, computed by BuildDeflateTables (the stub stores code, not
  // data).  286, 287, 30 and 31 carry the invalid mark.
  uint16_t LengthBase[kLengthCodes];
  uint8_t LengthExtra[kLengthCodes];
  uint16_t DistanceBase[kDistanceSymbols];
  uint8_t DistanceExtra[kDistanceSymbols];

  // ------------------------------------------------ CRC and decryption
  // Entries 0-255 are the byte table of the ZIP application note; entries
  // 256-2047 are seven more tables derived from it.  A heap block of
  // kCrcTableBytes, built at start-up.
  uint32_t* CrcTable;
  bool CrcFolding;  // the processor has carry-less multiplication
  CipherKeys Keys;

  // ------------------------------------------------------ the dialogs
  // The main dialog, once its initialisation has ended: it owns every
  // prompt and message box while it is up.
  HWND MainWindow;
  // From the Extract command until the dialog has ended or the extraction
  // has failed (main_dialog.cpp).
  bool Extracting;
};

extern EngineState Engine;

// A fresh engine, as a program starts with it, the own file not open
// (INVALID_HANDLE_VALUE; a file still open is not closed): the heap blocks
// the state holds (the list item table, the information texts, the CRC
// table) are released first.  For the tests, fuzzing and mksfx, which run
// the engine more than once in one process.
void ResetEngine();
