// Writing a ZIP archive entry by entry behind the stub and the block: local
// headers that carry the real sizes and CRC (the stub takes them from there),
// the central directory and the end record, with every offset counted from
// the first byte of the self-extractor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "file_io.h"

struct ZipEntryHeader {
  std::string name;  // bytes as stored
  uint16_t versionMadeBy = 20;
  uint16_t versionNeeded = 20;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t timeDate = 0;  // DOS time in the low, date in the high half
  uint32_t crc = 0;
  uint32_t compressedSize = 0;  // the encryption header included
  uint32_t uncompressedSize = 0;
  uint16_t internalAttributes = 0;
  uint32_t externalAttributes = 0;
  std::vector<uint8_t> localExtra;
  std::vector<uint8_t> centralExtra;
  std::vector<uint8_t> comment;
  // A signed data descriptor follows the data.  Only for entries with flag
  // bit 3 whose encryption check byte is the time's: the stub steps over it.
  bool descriptor = false;
};

class ZipWriter {
 public:
  explicit ZipWriter(PendingOutput& out) : out_(out) {}

  // An entry whose data the caller writes to the output between Begin and
  // End, in pieces, before its CRC and sizes are known: Begin writes the
  // local header with what `entry` holds so far, End (with the same name and
  // extra field) writes the final method, flags, CRC and sizes over it.
  // Both throw Refusal when the entry count or a position passes what the
  // stub reads.
  void Begin(const ZipEntryHeader& entry);
  void End(const ZipEntryHeader& entry);

  // The central directory and the end record with `comment`, padded by
  // AlignEndRecord; returns the end record's position.
  uint64_t Finish(const std::vector<uint8_t>& comment);

 private:
  PendingOutput& out_;
  std::vector<uint8_t> central_;
  size_t count_ = 0;
  uint64_t entryAt_ = 0;  // the local header of the entry between Begin and End
  std::vector<uint8_t> sharedFields_;  // as Begin wrote them
};

// Grows the comment of `endRecord` (the 22-byte record and its comment, to
// be written at `pos`) by 0 to 7 zero bytes, its length field with it, so
// that the archive ends on a multiple of kCertificateAlignment: a signer then
// appends its certificate table right behind the comment, where the stub
// expects the archive to end, instead of behind padding of its own.  Up to 7
// zero bytes that already end the comment (an earlier padding) are dropped
// first, so that packing a self-extractor again does not grow it.  Throws
// Refusal when the comment would pass 65,535 bytes.
void AlignEndRecord(std::vector<uint8_t>& endRecord, uint64_t pos);

// DOS time and date (local wall clock, or UTC with `utc`) of a Unix time;
// times before 1980 become 1980-01-01 00:00, odd seconds round up to the
// next even one as DOS keeps two-second steps.
uint32_t DosTimeDate(int64_t unixTime, bool utc);
