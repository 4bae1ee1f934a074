// Where the stub will look for its archive in a finished self-extractor, and
// the settings it reads there: the stub's own start-up code (archive locator
// and configuration block reader) run on the file (on Linux through the
// stand-in, on Windows on the system itself), so that mksfx can prove before
// it renames its output that the stub finds the end record mksfx wrote and
// starts its walk at the first local header, and can show and keep what the
// stub reads.
#pragma once

#include <cstdint>

#include "common/config_format.h"
#include "config_block_codec.h"
#include "file_io.h"

struct StubLocation {
  bool archiveFound = false;    // false: the stub shows "Cannot process file."; the
                                // locator searches only files longer than its image
  uint64_t endRecordPos = 0;    // the end record the stub takes
  bool blockFound = false;      // "MPU" and a whole fixed part where the stub looks for it
  int64_t blockPos = 0;
  int64_t firstHeaderPos = 0;   // where the stub's walk begins
  // What the stub's reader took from the block (its defaults without one),
  // the texts as stored: the stub settles the default folder on the user's
  // machine.
  BlockSettings settings;
};

// The stub's default archive start, and so the size its image is padded to.
const uint32_t kStubImageSize = (uint32_t)kDefaultArchiveStart;

// The run command `command` (code page bytes) split as the stub splits it to
// start the program: program and parameters, each "><" replaced by `folder`
// and a backslash.  False when a part does not fit, and the stub refuses to
// start anything.
bool SplitLikeTheStub(const std::string& command, const std::string& folder, std::string& program,
                      std::string& parameters);

// Runs the start-up code on `file`, which ends its archive where the stub
// does (ArchiveEnd); the messages it shows are dropped.  Throws Refusal for
// a damaged signature and for a signed 64-bit image.
StubLocation LocateLikeTheStub(const InputFile& file);
