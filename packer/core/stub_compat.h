// What the stub cannot extract from an archive.  The stub walks the local
// headers in order from the first one, skips only signed data descriptors,
// takes sizes and CRC from the local header, extracts methods 0 and 8 with
// traditional encryption, and refuses unsafe names.  Whatever in the archive
// falls outside that is reported here, one finding per entry and reason.
// The stub writes what it finds: a symbolic link becomes a file holding the
// link's target, and names that Windows takes for one file overwrite it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive_layout.h"
#include "codepages.h"
#include "extract/extract.h"  // kLongestEntryName, the limit shared with the stub
#include "file_io.h"

// Hosts of "version made by" (its high byte) whose writers store names in
// the system's character set, UTF-8 today, without setting flag bit 11
// (Info-ZIP zip, bsdtar), and keep a Unix mode in the external attributes.
const uint8_t kHostUnix = 3;
const uint8_t kHostMacOs = 19;

struct EntryFinding {
  std::string entry;  // entry name, or "" for the archive as a whole
  std::string reason;
  // The stub extracts the entry all the same; the reason says how what it
  // writes differs (a link's target as a file, sizes other than claimed).
  bool stubExtracts = false;
};

// The reason a name is unsafe to join to the destination folder, or "".
std::string EntryNameProblem(const std::string& name);

// Whether the entry is a symbolic link: written on a Unix host, its external
// attributes' high 16 bits holding the file type S_IFLNK.
bool IsSymbolicLink(const ArchiveLayout& layout, const CentralEntry& entry);

// With `names`, the code page the stub reads names in, also the entries whose
// names name one file on Windows (name_collisions.h); without it, the walk
// and the entries alone, as for an archive whose names were checked already.
std::vector<EntryFinding> FindStubProblems(const InputFile& file, const ArchiveLayout& layout,
                                           const CodePageTable* names = nullptr);
