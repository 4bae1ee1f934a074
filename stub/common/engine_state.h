// The engine's whole state in one object, and the one way through the
// program's own file.  The stub keeps one static instance, Engine: it lies
// in the zero-filled section and costs no file bytes, so every field starts
// as its zero (an initialiser would move the whole object into the file).
// Tools that run the engine more than once in a process (the tests, fuzzing,
// mksfx) start each run from a fresh one (ResetEngine).
#pragma once

#include <stdint.h>

#include "../platform/platform.h"
#include "deflate_format.h"
#include "overwrite_policy.h"
#include "zip_format.h"

// Buffer capacities, terminator included: the caption, default folder and
// run command (260 characters: GetTempPathA writes at most 260); a password
// (79 characters, the prompt's); a path's last component; the destination
// (259 characters and the backslash the run command appends); the status
// line ("Extracting: " and a path).
const int kSettingTextSize = 261;
const int kPasswordSize = 80;
const int kFileNamePartSize = 256;
const int kDestFolderSize = MAX_PATH + 2;
const int kProgressSize = 12 + MAX_PATH;

// Longest entry name the walk takes, in bytes: joined to the shortest
// destination, a drive root ("C:" and "\"), a longer name would pass the 259
// characters of a Windows path.  The walk lists a longer name cut to this
// length and refuses to extract it; mksfx refuses to pack it.
const int kLongestEntryName = MAX_PATH - 1 - 3;

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
  BOOL WaitForProgram;  // the run command is waited for; its exit code is the stub's
  BOOL TempCleanup;     // a fresh temporary folder, removed after the run command
};

struct HuffmanEntry;

// The decoder's bit buffer is a machine word: 32 bits in the stub, 64 on the
// host, where the fast loop takes a whole match from one refill.
typedef uintptr_t BitWord;

// One entry's decoding, zero before and after it (InflateEntry releases what
// it took).  Bits at and above bitCount are zero or, after the fast loop,
// already those of the bytes at inputPos onwards.  endBits counts the 1 bits
// merged in past the entry's data, above every real bit: bitCount < endBits
// means a bit past the data has been consumed.  Until the window has wrapped
// no match may reach before the entry's first byte.  The fixed code tables
// are built by an entry's first fixed block.
struct InflateState {
  uint8_t* inputBuffer;  // kInputBufferSize bytes, decrypted as read
  int32_t inputCount;    // bytes the last read delivered
  uint32_t inputPos;     // next byte of inputBuffer to hand out
  BitWord bitBuffer;     // fetched, not yet used; the next bit is bit 0
  uint32_t bitCount;
  uint32_t endBits;
  uint8_t* slidingWindow;  // kWindowSize bytes: output byte m at m mod 32,768
  uint32_t windowPos;      // next position; bytes produced and not yet written
  bool windowWrapped;
  HuffmanEntry *fixedLiteralTable, *fixedLiteralList, *fixedDistanceTable, *fixedDistanceList;
  int32_t fixedLiteralBits, fixedDistanceBits;
};

struct EngineState {
  // ------------------------------------------------------ start-up
  HANDLE ArchiveFile;       // the own file, open for reading for the whole run
  int32_t FilePos;          // after the last SeekArchive (not moved by reads); -1 after a failed seek
  HINSTANCE HInstance;      // the module the dialogs are created from
  BOOL SkipMainDialog;      // the information dialog's second button
  uint32_t ExitCode;        // once the run is over (startup.h lists them)
  BOOL Silent;              // /S
  const WCHAR* FolderSwitch;  // what follows "/D=" on the wide command line, quotes and all, or nullptr
  HANDLE Program;            // the run command's process, to wait for; nullptr when it has none
  // What the extraction made under TempCleanup, newest first: the fresh
  // folder, the folders and the files it created (made_list.cpp).
  struct MadeItem* Made;
  // First the configuration block's position, after start-up the first
  // local header's.  BlockLength: the word in front of that header, the
  // distance from the block to it.  CentralEntryCount: the end record's
  // count; a walk that meets fewer headers is incomplete.  EndRecordAt: the
  // end record the locator took, 0 for none (none can lie at 0).
  int32_t ArchiveStart;
  uint16_t BlockLength;
  uint16_t CentralEntryCount;
  int32_t EndRecordAt;
  uint8_t CentralHeader[kCentralHeaderSize];  // the header being examined
  Settings SfxSettings;  // written by ReadConfigurationBlock, read-only afterwards

  // ------------------------------------------------------ the walk
  LocalHeaderRecord LocalHeader;
  int32_t HeaderEnd;  // just behind the current local header; the list walk adds its item with both standing
  uint32_t LocalHeaderSignature;  // formed at run time (walk.cpp)
  BOOL Busy;                      // a walk runs (wait cursor)
  BOOL ExtractionSucceeded;       // the last walk extracted every selected entry
  int32_t CurrentListIndex;       // list item of the current entry, -1 for none
  bool WalkRunning;               // a second walk returns at once
  char WalkName[kLongestEntryName + 1];
  // The running extraction walk's item of each ordinal below MappedEntries,
  // plus one (0: no item), or nullptr.
  int32_t* ItemOfEntry;
  uint32_t MappedEntries;
  // The current entry's compressed bytes not yet read; negative for an
  // encrypted entry shorter than its 12-byte header.
  int32_t BytesRemaining;
  HANDLE OutputFile;
  uint32_t RunningCrc;
  // Bytes WriteEntryData wrote, modulo 2^32: the stub never reads it; mksfx,
  // which decodes into the NUL device (no count on Windows), does.
  uint32_t BytesWritten;
  char Password[kPasswordSize];       // the last one typed, kept for the run
  char TypedPassword[kPasswordSize];  // the password prompt's text
  int32_t TypedPasswordLength;
  BOOL OverwriteAnswer;                       // the overwrite prompt's: TRUE overwrites
  char ExistingFileName[MAX_PATH];           // the path the overwrite prompt names
  char DestFolder[kDestFolderSize];           // set by the main dialog
  OverwritePolicy OverwriteMode;              // set by the main dialog

  // ------------------------------------------------------ the progress
  HWND StatusLine;
  char Progress[kProgressSize];  // the text of the last file begun
  bool ProgressShown;            // the status line holds it
  bool ProgressDue;              // the next chance is taken at once
  DWORD ProgressAt;              // GetTickCount of the last one
  HCURSOR WaitCursor;            // loaded once for the run

  // ------------------------------------------------------ the decoder
  InflateState inflate;
  int LastInflateResult;  // of the last InflateEntry (kInflateOk before any)
  // Computed by BuildDeflateTables (code, not data, in the stub).
  uint16_t LengthBase[kLengthCodes];
  uint8_t LengthExtra[kLengthCodes];
  uint16_t DistanceBase[kDistanceSymbols];
  uint8_t DistanceExtra[kDistanceSymbols];
  uint32_t* CrcTable;  // kCrcTableBytes from the heap, built at start-up
  bool CrcFolding;     // the processor has carry-less multiplication
  CipherKeys Keys;

  // ------------------------------------------------------ the dialogs
  HWND MainWindow;  // owns every prompt and message box while it is up
  bool Extracting;  // from Extract until the dialog ends or the extraction fails
};

extern EngineState Engine;

// A fresh engine, the own file not open (INVALID_HANDLE_VALUE; a file still
// open is not closed), the heap blocks the state held released.
void ResetEngine();

// origin: FILE_BEGIN, FILE_CURRENT or FILE_END.  Returns and stores the new
// absolute position (Engine.FilePos), -1 when the seek fails.
int32_t SeekArchive(int32_t distance, DWORD origin);

// Reads up to `count` bytes of the own file from where it stands and returns
// the count that arrived: 0 where the file ends or the read fails.  The one
// read of the own file (a call site of its own costs about 20 bytes of the
// stub's image; a call of this, about 10).
DWORD ReadArchive(void* buffer, DWORD count);
