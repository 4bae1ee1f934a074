// The stub's own list-only walk run on a file: the local headers it reaches
// from a start position, as its main dialog lists them, each with what the
// walk held when it listed it, and why the walk ended where it did.
// Nothing is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/zip_format.h"
#include "file_io.h"

// An item the walk listed.
struct ListedEntry {
  std::string name;          // as the list holds it: cut at a NUL and to the stub's limit
  uint64_t headerPos = 0;    // its local header
  uint64_t dataPos = 0;      // its first data byte
  LocalHeaderRecord header;  // as the walk read it
};

// Why the walk ended, at `StubListing::endPos`.
enum class WalkEnd {
  kNoHeader,        // no local header or signed data descriptor there (the central directory, say)
  kHeaderCutShort,  // a local header cut short by the end of the file
  kSizeTooLarge,    // a compressed size of 2 GiB or more
  kNameCutShort,    // a name cut short by the end of the file
  kEmptyName,       // "Invalid file name"
  kSizeUnknown,     // after the last item, whose sizes are only in a data descriptor
  kPast2GiB,        // after the last item, whose data end past 2 GiB
};

struct StubListing {
  std::vector<ListedEntry> items;     // in walk order, the ordinal each item carries
  std::vector<std::string> messages;  // what the walk showed, "caption: text"
  WalkEnd end = WalkEnd::kNoHeader;
  uint64_t endPos = 0;                // the header where it ended
};

// The walk from `start` (the stub's positions are signed 32-bit: nothing
// past 2 GiB is listed).
StubListing ListLikeTheStub(const InputFile& file, uint64_t start);
