// An entry's data: checking compressed bytes against the sizes and CRC that
// an archive claims for them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/zip_format.h"
#include "file_io.h"

struct DataCheck {
  std::string problem;
  bool crcPasses = false;
};

// The stub's own code on the file at `path` (native): its DecodeEntryData,
// the stored copy or InflateEntry as the walk runs them, reads the file
// through the system's file calls (the stand-in's on Linux), decrypts with
// the stub's keys and feeds the stub's CRC; the output goes to the NUL
// device.  The file and the device are the engine's own file and output
// file for the decoder's life, so a run of entries costs one open (each a
// round trip to the wineserver under Wine); nothing else runs the engine
// meanwhile.
class StubDecoder {
 public:
  explicit StubDecoder(const std::string& path);
  ~StubDecoder();
  StubDecoder(const StubDecoder&) = delete;
  StubDecoder& operator=(const StubDecoder&) = delete;

  // What a check of an entry's data found: `problem` is "" when the `size`
  // bytes at `pos` (no encryption header) decode by `method` (stored or
  // deflated) to exactly `uncompressedSize` bytes of CRC-32 `crc`; else what
  // differs.  `crcPasses` when the stub's own test passes: the data decode
  // and their CRC matches; it tests nothing else, so sizes may differ.
  // Memory stays at the decoder's buffers whatever the sizes claim.  With
  // `decrypt`, the stub's keys stand ready behind the entry's encryption
  // header.
  DataCheck Check(uint64_t pos, uint32_t size, uint16_t method, uint32_t crc, uint32_t uncompressedSize,
                  bool decrypt = false);
  // The own file moved to `pos`, which may pass 2 GiB in an input archive.
  void Seek(uint64_t pos);

 private:
  std::string path_;
};

// Whether one of `passwords` (in the stub's code page) passes the stub's
// check of the 12-byte encryption header at `pos` (bytes past the end of
// the file read as zero, as the stub's buffer holds them).
bool PasswordFits(const class InputFile& file, uint64_t pos, uint16_t flags, uint32_t crc, uint32_t timeDate,
                  const std::vector<std::string>& passwords);

// The stub's decoder run over deflate streams one at a time, to find each
// one's final block.  The decoder reads files: every stream goes through one
// scratch file in the system's temporary folder, written over for the next
// and removed at the end.
class FinalBlockFinder {
 public:
  FinalBlockFinder() : scratch_(kStandardOutputName), decoder_(scratch_.TempPath()) {}

  // For the one deflate stream of `size` bytes in `data`: the bit positions,
  // counted from the least significant bit of data[0], of its final block's
  // header and just behind that block.  False for a stream the decoder
  // refuses.
  bool Find(const uint8_t* data, size_t size, uint64_t& headerBit, uint64_t& endBit);

 private:
  PendingOutput scratch_;  // never committed
  StubDecoder decoder_;
};
