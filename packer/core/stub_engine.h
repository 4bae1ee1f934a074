// The packer's one door to the stub's code.  mksfx judges what the stub will
// do by running the stub's own start-up, walk, name check and decoder on the
// file examined (on Linux through the stand-in, on Windows on the system
// itself): this header brings in what of the stub it runs, and what mksfx
// answers the engine in the stub's place.  Only packer/core's sources
// include it; its headers and packer/cli see the packer's own types.
#pragma once

#include <string>
#include <vector>

#include "common/dialogs.h"
#include "common/engine_state.h"
#include "common/heap.h"
#include "common/made_list.h"
#include "common/messages.h"
#include "common/own_process.h"
#include "common/pe_format.h"
#include "entry/entry_data.h"
#include "extract/extract.h"
#include "extract/paths.h"
#include "inflate/inflate.h"
#include "inflate/inflate_private.h"
#include "integrity/crc32.h"
#include "integrity/zipcrypto.h"
#include "platform/platform.h"
#include "startup/startup.h"
#ifndef _WIN32
#include "platform/host_control.h"
#endif

#include "file_io.h"

// The engine ended its run (EndProcess): "Cannot process file." with
// kExitCannotProcess, or the fatal report with its number.  mksfx's
// EndProcess throws this back to whoever started the engine.
struct EngineEnded {
  uint32_t code;
};

// One run of the engine on one file, from a fresh engine: the CRC table
// built, the file's headers taken as the engine's own image's (as the loader
// would map them; zeros where Windows could not start it as a 32-bit
// program), the file open as the engine's own file.  The messages the
// engine shows meanwhile are taken into `messages` ("caption: text") when it
// is given, else shown as EngineConsole says.  At its end the own file is
// closed and the engine reset.  One run at a time.
class EngineRun {
 public:
  explicit EngineRun(const InputFile& file, std::vector<std::string>* messages = nullptr);
  ~EngineRun();
  EngineRun(const EngineRun&) = delete;
  EngineRun& operator=(const EngineRun&) = delete;
};

// The file at `nativePath` opened through the engine's file calls for
// reading, shared for writing too: pack examines its output while it still
// holds the file open for writing, and Windows refuses a second opener
// otherwise.  Throws Refusal.
HANDLE OpenForEngine(const std::string& nativePath);

// What the engine reads as its own image's headers (OwnImageHeaders) from
// now on: those of `file`, as the loader would map them.
void TakeImageHeaders(const InputFile& file);

// Messages the engine shows are taken here while it is set, instead of
// being shown.
extern std::vector<std::string>* TakenMessages;

// The stub's CRC table, through which its CRC and key schedule run: built
// when the engine has none.
void EnsureCrcTable();
