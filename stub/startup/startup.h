// Start-up: the command line, where the archive and the configuration block
// lie in the program's own file, the settings the block carries, the run
// command, and the program body.  Its state lives in Engine
// (common/engine_state.h): the own file, the switches, the archive's
// position and Engine.SfxSettings.
#pragma once

#include <stdint.h>

#include "../common/config_format.h"
#include "../common/engine_state.h"
#include "../common/resource_ids.h"
#include "../common/zip_format.h"
#include "../platform/platform.h"

// ---------------------------------------------------------- command line

// /S (Engine.Silent): no window of any kind.  The main dialog extracts at
// once without ever being shown (as with AutoExtract), no information dialog,
// prompt or message box appears, "ask" becomes "overwrite" for existing
// files, an encrypted entry fails, and the exit code alone tells the outcome.
//
// Reads the switches after the program's own name in `commandLine`, as
// GetCommandLineW gives it: "/S" and "/D=FOLDER", in any case, separated by
// blanks; "/D=" takes the rest of the line (Engine.FolderSwitch).  FALSE,
// after a message listing the switches (none under /S) and with ExitCode
// kExitBadSwitch, when one is unknown or /D= names nothing.
bool ReadSwitches(const WCHAR* commandLine);

// ------------------------------------------------------ archive location

// Where the archive ends: the file position of the certificate table when
// the running image is signed (its security directory names one), the file's
// size otherwise.
int32_t ArchiveEnd();

// Finds the end of central directory record in the 65,558 bytes in front of
// ArchiveEnd, where it must end, checks the central directory and moves
// Engine.ArchiveStart to the configuration block when it finds one.  On
// failure it reports, closes the own file and ends the process with
// kExitCannotProcess; it returns only on success.
void LocateArchive();

// Called by LocateArchive with Engine.CentralHeader holding the first header
// and the file standing behind it; `entryCount` headers must carry their
// signature.
bool WalkCentralDirectory(uint16_t entryCount);

// ------------------------------------------------------------- settings

// The settings' defaults, with no texts (tests and the program's end).
void ResetSettings();

// The first step of ReadConfigurationBlock: the default settings,
// Engine.ArchiveStart at 0x5400 and BlockLength 0; then the locator when the
// file is longer than 0x5400 bytes.  Afterwards ArchiveStart is where the
// block is looked for.
void FindConfigurationBlock();

// The second step: reads the block at Engine.ArchiveStart into SfxSettings,
// the texts as stored, and moves ArchiveStart to the first local header
// behind it.  FALSE when there is none (no "MPU", or a fixed part cut short):
// the settings stay the defaults and ArchiveStart steps BlockLength on.
bool ReadBlock();

// The whole start-up reading: FindConfigurationBlock, ReadBlock, then the
// switches (FolderSwitch, Silent) and the default folder settled: "><" the
// temporary folder, environment variables expanded, a relative folder taken
// from the current folder.
void ReadConfigurationBlock();

// ------------------------------------------------------------- run command

// A part of the run command with every "><" replaced by the destination
// folder: the command (260 bytes) can name the folder (260 characters) a few
// times over.  A part that does not fit is never run.
const int kCommandPartSize = 1024;

// n = 1: the program (the run command up to its first "|"), n = 2: the
// parameters (the rest), each "><" replaced by Engine.DestFolder, to which a
// backslash is appended first, and the short form put in place when the
// system has one that fits.  FALSE when the part was cut to
// kCommandPartSize.
bool RunCommandPart(int n, char* part);

// Both parts of the run command, as the program after extraction is started
// with them; FALSE, after the message "too long a command", when either was
// cut: cut, it would start something other than what the packer named.
bool SplitRunCommand(char* program, char* parameters);

// ----------------------------------------------------------- program body

// Opens the program's own file as Engine.ArchiveFile; on failure shows the
// message with the path as its text and returns false.
bool OpenOwnFile();

// Takes and fills the CRC table, then reads the configuration block.
void PrepareEngine();

// Waits for the program the run command started, when the settings ask for
// it, and takes its exit code; the handle is closed either way.
void AwaitProgram();

// Removes what a temporary extraction made, closes the own file (with a
// message when that fails) and releases the CRC table and the settings texts.
void FinishEngine();

// The whole run: the switches of `commandLine`, open, prepare, information
// dialog, main dialog, the program awaited, finish.
void RunSelfExtractor(const WCHAR* commandLine);

// Engine.ExitCode, the process's exit code once the run is over: 0 when
// everything was extracted, or the user closed before any extraction began;
// otherwise one of the codes below.  The fatal error report ends the process
// with its own number instead (a system error code, or 203).
//
// The last extraction left entries not extracted (a damaged entry, three
// wrong passwords, a folder refused), or the main dialog could not be shown.
const uint32_t kExitFailed = 1;
// The program's own file cannot be read, holds no archive, or its central
// directory is damaged ("Cannot process file.").
const uint32_t kExitCannotProcess = 2;
// kExitFolderFailed (common/fatal.h), 3: a folder could not be created, or
// the destination cannot be named exactly in the ANSI code page.
// The run command could not be started (no such program, no access, too
// long a command).
const uint32_t kExitCannotRun = 4;
// An unknown switch, or /D= with no folder: ERROR_INVALID_COMMAND_LINE, as
// Windows Installer gives.
const uint32_t kExitBadSwitch = 1639;
