// The file format a self-extractor is made of, in one place for the stub,
// mksfx and the test builders: the ZIP records (signatures, fixed sizes and
// field offsets in bytes from the record's first byte, all little-endian;
// only the classic 32-bit records, ZIP64 is recognised to be refused).  The
// configuration block in front of the archive is config_format.h's.
//
// The stub's image must hold no copy of a signature's four bytes: it forms
// them at run time or compares byte by byte (scripts/check-stub fails the
// build otherwise).  A constant here costs nothing until code uses it.
#pragma once

#include <stdint.h>

// ------------------------------------------------------------ signatures

const uint32_t kLocalHeaderSignature = 0x04034B50;     // "PK\3\4"
const uint32_t kCentralHeaderSignature = 0x02014B50;   // "PK\1\2"
const uint32_t kEndRecordSignature = 0x06054B50;       // "PK\5\6"
const uint32_t kDataDescriptorSignature = 0x08074B50;  // "PK\7\8"
const uint32_t kZip64LocatorSignature = 0x07064B50;    // "PK\6\7"
const uint32_t kZip64EndRecordSignature = 0x06064B50;  // "PK\6\6"
// The stub also takes these four bytes (00 00 00 50) as a local header.
const uint32_t kSplitHeaderSignature = 0x50000000;

// --------------------------------------------------------- local header

// Local file header: 30 fixed bytes, then name and extra field.
const int32_t kLocalHeaderSize = 30;
const int32_t kLocalFlags = 6;
const int32_t kLocalMethod = 8;
const int32_t kLocalTimeDate = 10;
const int32_t kLocalCrc = 14;
const int32_t kLocalCompressedSize = 18;
const int32_t kLocalUncompressedSize = 22;
const int32_t kLocalNameLength = 26;
const int32_t kLocalExtraLength = 28;

#pragma pack(push, 1)
// The local file header in file layout.  The time sits in the low and the
// date in the high half of `timeDate`.
struct LocalHeaderRecord {
  uint32_t signature;
  uint16_t versionNeeded;
  uint16_t flags;
  uint16_t method;
  uint32_t timeDate;
  uint32_t crc32;
  uint32_t compressedSize;
  uint32_t uncompressedSize;
  uint16_t nameLength;
  uint16_t extraLength;
};
#pragma pack(pop)
static_assert(sizeof(LocalHeaderRecord) == kLocalHeaderSize, "local file header is 30 bytes");

// Data descriptor with its signature: signature, CRC, two 32-bit sizes.
const int32_t kDataDescriptorSize = 16;

// General purpose flag bits that matter to the stub.
const uint16_t kFlagEncrypted = 0x0001;
const uint16_t kFlagDataDescriptor = 0x0008;
const uint16_t kFlagStrongEncryption = 0x0040;
const uint16_t kFlagMaskedCentralDirectory = 0x2000;
// The name and comment are UTF-8 rather than in the OEM code page.
const uint16_t kFlagUtf8 = 0x0800;

const uint16_t kMethodStored = 0;
const uint16_t kMethodDeflated = 8;
// AES encryption: refused, as strong encryption is.
const uint16_t kMethodAes = 99;

// Bytes of the traditional encryption header in front of encrypted data.
const int kEncryptionHeaderLength = 12;

// The three keys of the traditional encryption: one cipher's whole state.
struct CipherKeys { uint32_t key0, key1, key2; };

// ------------------------------------------------------ central directory

// Central directory file header: 46 fixed bytes, then name, extra, comment.
const int32_t kCentralHeaderSize = 46;
const int32_t kCentralVersionMadeBy = 4;
const int32_t kCentralVersionNeeded = 6;
const int32_t kCentralFlags = 8;
const int32_t kCentralMethod = 10;
const int32_t kCentralTimeDate = 12;
const int32_t kCentralCrc = 16;
const int32_t kCentralCompressedSize = 20;
const int32_t kCentralUncompressedSize = 24;
const int32_t kCentralNameLength = 28;
const int32_t kCentralExtraLength = 30;
const int32_t kCentralCommentLength = 32;
const int32_t kCentralDiskStart = 34;
const int32_t kCentralInternalAttributes = 36;
const int32_t kCentralExternalAttributes = 38;
const int32_t kCentralLocalOffset = 42;  // signed 32-bit absolute position in a self-extractor

// End of central directory record: 22 fixed bytes, then a comment of up to
// 65,535 bytes.
const int32_t kEndRecordSize = 22;
const int32_t kEndDiskNumber = 4;
const int32_t kEndCentralDisk = 6;
const int32_t kEndEntriesOnDisk = 8;
const int32_t kEndEntriesTotal = 10;  // 16-bit
const int32_t kEndCentralSize = 12;
const int32_t kEndCentralOffset = 16;  // 32-bit: absolute position of the directory
const int32_t kEndCommentLength = 20;  // 16-bit
const int32_t kMaxCommentLength = 0xFFFF;
// The end record lies within this many bytes of where the archive ends:
// its fixed part and the longest comment (65,557).
const int32_t kEndSearchSize = kEndRecordSize + kMaxCommentLength;

// ZIP64 end of central directory locator: 20 bytes right before the end
// record.
const int32_t kZip64LocatorSize = 20;

// Field values that mean "the real value is in a ZIP64 record".
const uint16_t kZip64Count = 0xFFFF;
const uint32_t kZip64Value = 0xFFFFFFFF;
// Extra field id of the ZIP64 extended information.
const uint16_t kZip64ExtraId = 0x0001;

// ------------------------------------------------------------- numbers

// Both targets are little-endian and load unaligned words: one move each.
inline uint16_t Read16(const uint8_t* p) {
  uint16_t v;
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}
inline uint32_t Read32(const uint8_t* p) {
  uint32_t v;
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}
inline void Write16(uint8_t* p, uint16_t v) { __builtin_memcpy(p, &v, sizeof v); }
inline void Write32(uint8_t* p, uint32_t v) { __builtin_memcpy(p, &v, sizeof v); }
