// What the stub cannot extract from an archive.  The stub walks the local
// headers in order from the first one, skips only signed data descriptors,
// takes sizes and CRC from the local header, extracts methods 0 and 8 with
// traditional encryption, and refuses unsafe names.  Whatever in the archive
// falls outside that is reported here, one finding per entry and reason.
#pragma once

#include <string>
#include <vector>

#include "archive_layout.h"
#include "extract/extract.h"  // kLongestEntryName, the limit shared with the stub
#include "file_io.h"

struct EntryFinding {
  std::string entry;  // entry name, or "" for the archive as a whole
  std::string reason;
};

// The reason a name is unsafe to join to the destination folder, or "".
std::string EntryNameProblem(const std::string& name);

std::vector<EntryFinding> FindStubProblems(const InputFile& file, const ArchiveLayout& layout);
