// Start-up: the program's own file, where the archive and the configuration
// block lie in it, and the settings the block carries.
#pragma once

#include <stdint.h>

#include "../common/zip_format.h"
#include "../platform/platform.h"
#include "../ui/resource_ids.h"

// ------------------------------------------------------------ own file

// The program's own file, open for reading for the whole run.  Every part
// moves through it with SeekArchive only.
extern HANDLE ArchiveFile;

// Absolute position after the last SeekArchive (not moved by later reads);
// -1 after a failed seek.
extern int32_t FilePos;

// origin: FILE_BEGIN, FILE_CURRENT or FILE_END.  Returns and stores the new
// absolute position, -1 when the seek fails.
int32_t SeekArchive(int32_t distance, DWORD origin);

// The module instance the dialogs are created from.
extern HINSTANCE HInstance;

// Set by the information dialog's second button: the main dialog is skipped.
extern BOOL SkipMainDialog;

// Every start-up variable as before a run, the own file not open
// (INVALID_HANDLE_VALUE; a file still open is not closed).  The settings have
// their own reset, ResetSettings.  For tests, fuzzing and mksfx, which run the
// engine more than once in one process.
void ResetStartupState();

// ------------------------------------------------------ archive location

// First the position of the configuration block, after start-up the position
// of the archive's first local file header.
extern int32_t ArchiveStart;

// The 16-bit word just in front of the first local file header: the distance
// from the block's first byte to that header.  0 until the locator reads it.
extern uint16_t BlockLength;

// Absolute position of the end of central directory record the locator took;
// -1 until it has taken one.  Tools that check a self-extractor compare it
// with the record they wrote.
extern int32_t EndRecordAt;

// Entries the end record says the central directory lists; 0 until the
// locator has taken a record.  A walk over the local headers is complete only
// when it has met at least as many.
extern uint16_t CentralEntryCount;

// The fixed part of the central directory file header being examined.
extern uint8_t CentralHeader[kCentralHeaderSize];

// Finds the end of central directory record in the file's last 65,558 bytes,
// checks the central directory and moves ArchiveStart to the configuration
// block when it finds one.  On failure it reports, closes ArchiveFile and ends
// the process with exit code 0; it returns only on success.
void LocateArchive();

// Called by LocateArchive with CentralHeader holding the first header and the
// file standing behind it; `entryCount` headers must carry their signature.
bool WalkCentralDirectory(uint16_t entryCount);

// ------------------------------------------------------------- settings

// Capacity of the caption, default folder and run command buffers: 260
// characters and the terminator (GetTempPathA writes at most 260).
const int kSettingTextSize = 261;

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

// Written once by ReadConfigurationBlock, which starts from the defaults,
// read-only afterwards.
extern Settings SfxSettings;


// Sets the default settings, ArchiveStart and BlockLength, runs the locator
// when the file is longer than 0x5400 bytes, and fills SfxSettings from the
// block when there is one.
void ReadConfigurationBlock();

// The settings' defaults, with no texts (tests and the program's end).
void ResetSettings();

// ----------------------------------------------------------- program body

// Opens the program's own file as ArchiveFile; on failure shows the message
// with the path as its text and returns false.
bool OpenOwnFile();

// Takes and fills CrcTable, then reads the configuration block.
void PrepareEngine();

// Closes ArchiveFile (with a message when that fails) and releases the CRC
// table and the settings texts.
void FinishEngine();

// The whole run: open, prepare, information dialog, main dialog, finish.
void RunSelfExtractor();

// The process's exit code once the run is over: 1 when the last extraction
// walk left entries not extracted, or when the main dialog could not be
// shown; 0 otherwise (everything extracted, or closed before any walk).  The
// fatal error report ends the process with its own number instead.
extern uint32_t ExitCode;
const uint32_t kExitFailed = 1;
