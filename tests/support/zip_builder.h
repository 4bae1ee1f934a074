// A test-only ZIP and self-extractor writer with control over every field,
// so tests can build exactly the damaged or unusual archive they need.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "test_data.h"

struct ZipEntry {
  std::string name;
  std::string data;          // the entry's plain content
  std::string compressed;    // method 8: the raw deflate stream of `data`
  uint16_t method = 0;       // written as given, also for methods the stub refuses
  uint16_t flags = 0;        // bit 0 is set by `password`
  uint32_t timeDate = 0x2A6453DD;  // 2001-03-04 10:30:58
  std::string password;      // non-empty: traditional encryption
  bool signedDescriptor = false;   // a 16-byte data descriptor follows the data
  int descriptors = 1;       // how many signed descriptors follow
  std::string extra;
  std::string trailer;       // raw bytes after the data and descriptors (stray
                             // bytes, a descriptor without signature)
  std::string centralComment;  // file comment in the central directory
  // Overrides of the local header (-1: computed).
  int64_t crc = -1, compressedSize = -1, signature = -1, nameLength = -1;
};

struct ZipOptions {
  uint32_t base = 0;        // added to every offset (bytes in front of the archive)
  std::string comment;
  bool centralDirectory = true;
  int64_t entryCountOverride = -1;
};

// An entry with a name and content, everything else as it defaults; with a
// password it is encrypted.
ZipEntry File(const std::string& name, const std::string& data, const std::string& password = "");

// The archive alone; offsets count from `base`.
std::string BuildZip(const std::vector<ZipEntry>& entries, const ZipOptions& options = {});

struct BlockFields {
  uint8_t flags = 0x03 | 0x18;  // run check box, selectable list, ask
  std::string caption, folder, command, infoText, infoCaption;
};

// The configuration block: "MPU", flags, lengths, texts, block length.
std::string BuildBlock(const BlockFields& block);

// stub + block + archive with offsets counted from the file's first byte.
std::string BuildSfx(const std::vector<ZipEntry>& entries, const BlockFields& block,
                     const std::string& stub = FakeStub(), ZipOptions options = {});
// stub + block + an existing archive (offsets counting from its own first
// byte), rebased so that its offsets count from the file's first byte.
std::string BuildSfxFromArchive(const std::string& zip, const BlockFields& block = BlockFields());
// stub padded with zeros to 0x5400 + archive, no block.
std::string BuildSfxWithoutBlock(const std::vector<ZipEntry>& entries);

// A raw deflate stream of `data` made of stored blocks only.
std::string StoredDeflate(const std::string& data);

// A local file header as found in an archive, for tests that read tool-made
// archives directly.
struct LocalEntryView {
  size_t headerAt, dataAt;
  uint16_t flags, method;
  uint32_t timeDate, crc, compressedSize, size;
  std::string name;
};

// The local headers of `zip` in order, following compressed sizes from the
// first "PK\3\4" and skipping signed data descriptors.
std::vector<LocalEntryView> ReadLocalEntries(const std::string& zip);
