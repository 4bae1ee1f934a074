// Where a ZIP archive lies inside an input file: its end record, its central
// directory, the first local header, and the base that turns its stored
// offsets into file positions.  The input may carry a prefix (a previous stub,
// padding) with offsets either already counted from the start of the file or
// counted from the archive's own first byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "file_io.h"
#include "common/zip_format.h"

struct CentralEntry {
  uint64_t headerPos = 0;  // file position of the central header
  std::string name;        // raw bytes, no code page conversion
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t crc = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint64_t localPos = 0;  // file position of its local header
  bool zip64Sizes = false;
};

struct ArchiveLayout {
  uint64_t endRecordPos = 0;
  uint64_t archiveEnd = 0;  // end record plus comment
  uint64_t centralPos = 0;
  uint64_t centralSize = 0;  // as parsed; the stored field may be wrong
  uint64_t base = 0;         // file position = stored offset + base
  uint64_t firstLocalPos = 0;
  std::vector<CentralEntry> entries;  // central directory order
  std::vector<uint8_t> central;       // the central directory as read
  std::vector<uint8_t> endRecord;     // the end record and its comment
  uint64_t trailingBytes = 0;         // between the comment and ArchiveEnd, not part
                                      // of the archive
};

// When neither the stored central directory offset nor the offset implied by
// the stored directory size leads to a directory, central headers are searched
// for in at most this many bytes in front of the end record.
const uint64_t kCentralSearchLimit = 16u << 20;

// Whether `file` is taken for an archive: it opens with a local header, or
// holds an end record signature where an end record may lie (a damaged one
// is refused by ReadArchiveLayout).  Any other file is packed as a file.
bool LooksLikeArchive(const InputFile& file);

// Reads nothing at or behind ArchiveEnd (certificate_table.h).  Throws
// Refusal for what cannot be rebased correctly: no end record, ZIP64 end
// records or offsets, several disks, no entries, a central directory that
// does not parse, or ambiguous end records; and for a damaged signature.
ArchiveLayout ReadArchiveLayout(const InputFile& file);

// The entry's central header as read, for the fields CentralEntry leaves out.
inline const uint8_t* CentralBytes(const ArchiveLayout& layout, const CentralEntry& e) {
  return &layout.central[e.headerPos - layout.centralPos];
}

// The local header at `pos` as the stub reads it (zip_format.h's record);
// throws Refusal when the file ends inside it.
LocalHeaderRecord LocalHeaderAt(const InputFile& file, uint64_t pos);
// Where the data behind the local header `h` at `pos` begin.
inline uint64_t LocalDataPos(const LocalHeaderRecord& h, uint64_t pos) {
  return pos + kLocalHeaderSize + h.nameLength + h.extraLength;
}

// Stored offset plus `shift`, for the central headers and the end record:
// both byte vectors rewritten in place.  Also corrects the stored central
// directory size and the entry count of this disk to what was parsed.
void RebaseDirectory(ArchiveLayout& layout, int64_t shift);
