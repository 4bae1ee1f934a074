// ZIP record layouts as mksfx reads and rewrites them: signatures, fixed
// sizes and field offsets (bytes from the record's first byte), all
// little-endian.  Only the classic (32-bit) records: ZIP64 is recognised to be
// refused, never written.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zip {

const uint32_t kLocalHeaderSignature = 0x04034B50;    // "PK\3\4"
const uint32_t kCentralHeaderSignature = 0x02014B50;  // "PK\1\2"
const uint32_t kEndRecordSignature = 0x06054B50;      // "PK\5\6"
const uint32_t kDataDescriptorSignature = 0x08074B50; // "PK\7\8"
const uint32_t kZip64LocatorSignature = 0x07064B50;   // "PK\6\7"
const uint32_t kZip64EndRecordSignature = 0x06064B50; // "PK\6\6"
// The stub also takes these four bytes (00 00 00 50) as a local header.
const uint32_t kStubAltLocalSignature = 0x50000000;

// Local file header: 30 fixed bytes, then name and extra field.
const size_t kLocalHeaderSize = 30;
const size_t kLocalFlags = 6;
const size_t kLocalMethod = 8;
const size_t kLocalCrc = 14;
const size_t kLocalCompressedSize = 18;
const size_t kLocalUncompressedSize = 22;
const size_t kLocalNameLength = 26;
const size_t kLocalExtraLength = 28;

// Data descriptor with its signature: signature, CRC, two 32-bit sizes.
const size_t kDataDescriptorSize = 16;

// Central directory file header: 46 fixed bytes, then name, extra, comment.
const size_t kCentralHeaderSize = 46;
const size_t kCentralFlags = 8;
const size_t kCentralMethod = 10;
const size_t kCentralCrc = 16;
const size_t kCentralCompressedSize = 20;
const size_t kCentralUncompressedSize = 24;
const size_t kCentralNameLength = 28;
const size_t kCentralExtraLength = 30;
const size_t kCentralCommentLength = 32;
const size_t kCentralDiskStart = 34;
const size_t kCentralLocalOffset = 42;

// End of central directory record: 22 fixed bytes, then the comment.
const size_t kEndRecordSize = 22;
const size_t kEndDiskNumber = 4;
const size_t kEndCentralDisk = 6;
const size_t kEndEntriesOnDisk = 8;
const size_t kEndEntriesTotal = 10;
const size_t kEndCentralSize = 12;
const size_t kEndCentralOffset = 16;
const size_t kEndCommentLength = 20;
const size_t kMaxCommentLength = 0xFFFF;

// ZIP64 end of central directory locator: 20 bytes right before the end
// record.
const size_t kZip64LocatorSize = 20;

// Field values that mean "the real value is in a ZIP64 record".
const uint16_t kZip64Count = 0xFFFF;
const uint32_t kZip64Value = 0xFFFFFFFF;
// Extra field id of the ZIP64 extended information.
const uint16_t kZip64ExtraId = 0x0001;

// General purpose flag bits that matter to the stub.
const uint16_t kFlagEncrypted = 0x0001;
const uint16_t kFlagDataDescriptor = 0x0008;
const uint16_t kFlagStrongEncryption = 0x0040;
const uint16_t kFlagMaskedCentralDirectory = 0x2000;

const uint16_t kMethodStored = 0;
const uint16_t kMethodDeflated = 8;

// Bytes of the traditional encryption header in front of encrypted data.
const uint32_t kEncryptionHeaderSize = 12;

inline uint16_t Read16(const uint8_t* p) { return (uint16_t)(p[0] | p[1] << 8); }
inline uint32_t Read32(const uint8_t* p) {
  return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}
inline void Write16(uint8_t* p, uint16_t v) {
  p[0] = (uint8_t)v;
  p[1] = (uint8_t)(v >> 8);
}
inline void Write32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = (uint8_t)(v >> (8 * i));
}

}  // namespace zip
