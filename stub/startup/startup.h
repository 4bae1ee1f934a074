// Start-up: the program's own file, where the archive and the configuration
// block lie in it, and the settings the block carries.
#pragma once

#include <stdint.h>

#include "../common/config_format.h"
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

// Reads up to `count` bytes of ArchiveFile from where it stands and returns
// the count that arrived: 0 where the file ends or the read fails.  The one
// read of the program's own file (one call site each costs about 20 bytes of
// the stub's image; a call of this, about 10).
DWORD ReadArchive(void* buffer, DWORD count);

// The module instance the dialogs are created from.
extern HINSTANCE HInstance;

// Set by the information dialog's second button: the main dialog is skipped.
extern BOOL SkipMainDialog;

// ---------------------------------------------------------- command line

// /S: no window of any kind.  The main dialog extracts at once without ever
// being shown (as with AutoExtract), no information dialog, prompt or
// message box appears, "ask" becomes "overwrite" for existing files, an
// encrypted entry fails, and the exit code alone tells the outcome.
extern BOOL Silent;

// What follows "/D=" on the command line, quotes and all (the rest of the
// line), or nullptr.  The reader takes it as the default folder.
extern const char* FolderSwitch;

// Reads the switches after the program's own name in `commandLine`, as
// GetCommandLineA gives it: "/S" and "/D=FOLDER", in any case, separated by
// blanks; "/D=" takes the rest of the line.  FALSE, after a message listing
// the switches (none under /S) and with ExitCode kExitBadSwitch, when one is
// unknown.
bool ReadSwitches(const char* commandLine);

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

// Where the archive ends: the file position of the certificate table when
// the running image is signed (its security directory names one), the file's
// size otherwise.
int32_t ArchiveEnd();

// Finds the end of central directory record in the 65,558 bytes in front of
// ArchiveEnd, where it must end, checks the central directory and moves
// ArchiveStart to the configuration block when it finds one.  On failure it
// reports, closes ArchiveFile and ends the process with kExitCannotProcess;
// it returns only on success.
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
// block when there is one; then applies the switches (FolderSwitch, Silent)
// and settles the default folder: "><" the temporary folder, environment
// variables expanded, a relative folder taken from the current folder.
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

// The whole run: the switches of `commandLine`, open, prepare, information
// dialog, main dialog, finish.
void RunSelfExtractor(const char* commandLine);

// The process's exit code once the run is over: 0 when everything was
// extracted, or the user closed before any extraction began; otherwise one
// of the codes below.  The fatal error report ends the process with its own
// number instead (a system error code, or 203).
extern uint32_t ExitCode;
// The last extraction left entries not extracted (a damaged entry, three
// wrong passwords, a folder refused), or the main dialog could not be shown.
const uint32_t kExitFailed = 1;
// The program's own file cannot be read, holds no archive, or its central
// directory is damaged ("Cannot process file.").
const uint32_t kExitCannotProcess = 2;
// An unknown switch: ERROR_INVALID_COMMAND_LINE, as Windows Installer gives.
const uint32_t kExitBadSwitch = 1639;
