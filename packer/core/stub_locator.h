// Where the stub will look for its archive in a finished self-extractor: the
// stub's own start-up code (archive locator and configuration reader) run on
// the file (on Linux through the stand-in, on Windows on the system itself),
// so that mksfx can prove before it renames its output that the stub finds
// the end record mksfx wrote and starts its walk at the first local header.
#pragma once

#include <cstdint>
#include <string>

#include "common/config_format.h"
#include "file_io.h"
#include "platform/platform.h"

struct StubLocation {
  bool archiveFound = false;    // false: the stub shows "Cannot process file."
  uint64_t endRecordPos = 0;    // the end record the stub takes
  bool blockFound = false;      // "MPU" and a whole fixed part where the stub looks for it
  int64_t blockPos = 0;
  int64_t firstHeaderPos = 0;   // where the stub's walk begins
};

// The stub's default archive start, and so the size its image is padded to.
const uint32_t kStubImageSize = (uint32_t)kDefaultArchiveStart;

// Runs the start-up code on `file`, which ends its archive where the stub
// does (ArchiveEnd).  Afterwards SfxSettings holds what the configuration
// reader took from it, until the caller's ResetSettings.  Throws Refusal for
// a damaged signature and for a signed 64-bit image.
StubLocation LocateLikeTheStub(const InputFile& file);

// The path under which the engine's file calls reach `nativePath`: on Linux
// the stand-in's name for it, on Windows the path itself.
std::string EnginePath(const std::string& nativePath);

// The file at `nativePath` opened through the engine's file calls for
// reading, shared for writing too: pack examines its output while it still
// holds the file open for writing, and Windows refuses a second opener
// otherwise.  Throws Refusal.
HANDLE OpenForEngine(const std::string& nativePath);

// The engine ended its run (EndProcess): "Cannot process file." with
// kExitCannotProcess, or the fatal report with its number.  mksfx's
// EndProcess throws this back to the command that started the engine.
struct EngineEnded {
  uint32_t code;
};

// What the engine reads as its own image's headers (OwnImageHeaders) from
// now on: those of `file`, the self-extractor the engine examines, as the
// loader would map them; zeros where it could not have started `file` as a
// 32-bit image.
void TakeImageHeaders(const InputFile& file);
