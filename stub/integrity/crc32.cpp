// CRC-32 table building and the buffer update.
#include "crc32.h"

const uint32_t kCrcPolynomial = 0xEDB88320;

void BuildCrcTable() {
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ kCrcPolynomial : c >> 1;
    Engine.CrcTable[n] = c;
  }
  // Table t holds the CRC of byte n followed by t zero bytes, so eight bytes
  // can be folded in at once (slicing by eight).
  for (uint32_t i = 256; i < kCrcTableEntries; ++i)
    Engine.CrcTable[i] = (Engine.CrcTable[i - 256] >> 8) ^ Engine.CrcTable[Engine.CrcTable[i - 256] & 0xFF];
  DetectCrcFolding();
}

// Below this the table is as fast as setting up the folding.
const int32_t kFoldFrom = 256;

static inline uint32_t Load32(const uint8_t* p) {
  return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

void UpdateCrcBuffer(const uint8_t* bytes, int32_t length, uint32_t& crc) {
  if (length <= 0) return;
  uint32_t c = crc;
  if (Engine.CrcFolding && length >= kFoldFrom) {
    int32_t folded = length & ~15;
    c = FoldCrc(bytes, folded, c);
    bytes += folded;
    length -= folded;
  }
  const uint32_t* t = Engine.CrcTable;
  while (length >= 8) {
    uint32_t lo = Load32(bytes) ^ c;
    uint32_t hi = Load32(bytes + 4);
    c = t[7 * 256 + (lo & 0xFF)] ^ t[6 * 256 + ((lo >> 8) & 0xFF)] ^
        t[5 * 256 + ((lo >> 16) & 0xFF)] ^ t[4 * 256 + (lo >> 24)] ^
        t[3 * 256 + (hi & 0xFF)] ^ t[2 * 256 + ((hi >> 8) & 0xFF)] ^
        t[1 * 256 + ((hi >> 16) & 0xFF)] ^ t[hi >> 24];
    bytes += 8;
    length -= 8;
  }
  while (length-- > 0) c = t[(c ^ *bytes++) & 0xFF] ^ (c >> 8);
  crc = c;
}
