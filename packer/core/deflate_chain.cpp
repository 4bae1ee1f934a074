// The block walker behind MakeNonFinal: a table-driven Huffman decoder that
// skips symbols instead of producing bytes.  Its cost is one table lookup
// per literal or match, small next to libdeflate's search for them.
#include "deflate_chain.h"

#include <cstring>
#include <memory>

namespace {

// Deflate's format limits (RFC 1951, 3.2.5 to 3.2.7).
const int kMaxCodeLength = 15;
const int kLitLenSymbols = 288;  // 286 and 287 take part in the fixed code only
const int kDistSymbols = 32;     // 30 and 31 likewise
const int kCodeLengthSymbols = 19;
const int kEndOfBlock = 256;
const int kLastLengthSymbol = 285;
const int kLastDistSymbol = 29;
const uint8_t kCodeLengthOrder[kCodeLengthSymbols] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                      11, 4,  12, 3, 13, 2, 14, 1, 15};
// Extra bits of length symbols 257 to 285.
const uint8_t kLengthExtraBits[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};

// A table entry: symbol << 4 | code length; 0 where no codeword of at
// most kPrimaryBits leads.
typedef uint16_t TableEntry;
const int kLengthBits = 4;
static_assert(kMaxCodeLength < (1 << kLengthBits), "a code length fits its field");
static_assert((kLitLenSymbols - 1) << kLengthBits <= 0xFFFF, "a symbol fits its field");

// Codewords of up to 11 bits are found in one lookup: 4 KiB per table,
// which stays in the first-level cache, against 64 KiB for all 15 bits.
// Longer ones, rare by their nature (a codeword of n bits stands for a
// symbol of frequency about 2^-n), are decoded bit by bit.
const int kPrimaryBits = 11;

// A code's lookup table, indexed by the next kPrimaryBits input bits (deflate
// sends codewords most significant bit first into an LSB-first stream), and
// the canonical code itself for the longer codewords.
struct HuffmanTable {
  TableEntry primary[1 << kPrimaryBits];
  uint16_t perLength[kMaxCodeLength + 1];
  uint16_t symbols[kLitLenSymbols];  // by code length, then by symbol
};

uint32_t Reverse(uint32_t code, int length) {
  uint32_t r = 0;
  for (int i = 0; i < length; ++i, code >>= 1) r = r << 1 | (code & 1);
  return r;
}

// Fills `t` from the code lengths of `count` symbols.  False for an
// over-subscribed code; incomplete codes are allowed (a distance code of a
// single codeword is one), their unused entries left 0.
bool BuildTable(const uint8_t* lengths, int count, HuffmanTable& t) {
  std::memset(t.perLength, 0, sizeof t.perLength);
  for (int s = 0; s < count; ++s) ++t.perLength[lengths[s]];
  t.perLength[0] = 0;
  int left = 1;
  for (int len = 1; len <= kMaxCodeLength; ++len) {
    left = left * 2 - t.perLength[len];
    if (left < 0) return false;
  }
  uint16_t offsets[kMaxCodeLength + 2] = {};
  for (int len = 1; len <= kMaxCodeLength; ++len) offsets[len + 1] = (uint16_t)(offsets[len] + t.perLength[len]);
  for (int s = 0; s < count; ++s)
    if (lengths[s]) t.symbols[offsets[lengths[s]]++] = (uint16_t)s;
  std::memset(t.primary, 0, sizeof t.primary);
  uint32_t code = 0;
  for (int len = 1, at = 0; len <= kPrimaryBits; ++len, code <<= 1) {
    for (int i = 0; i < t.perLength[len]; ++i, ++code, ++at) {
      TableEntry entry = (TableEntry)(t.symbols[at] << kLengthBits | len);
      for (uint32_t k = Reverse(code, len); k < (1u << kPrimaryBits); k += 1u << len) t.primary[k] = entry;
    }
  }
  return true;
}

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the 8-byte refill reads little-endian words");

// An LSB-first bit reader.  Past the end it delivers zero bits and counts
// them, so that one check per symbol finds a stream cut short.
struct BitReader {
  const uint8_t* data;
  size_t size;
  size_t next = 0;   // the next byte to load
  uint64_t bits = 0;
  int count = 0;     // bits held in `bits`

  // Afterwards at least 56 bits are held: enough for a length codeword and
  // its extra bits, then a distance codeword and its extra bits (15 + 5 +
  // 15 + 13 = 48), with one refill per symbol.  Away from the end, one
  // 8-byte load: the bits it brings beyond the whole bytes counted are the
  // same stream bits the next load brings again, so OR-ing them is harmless.
  void Refill() {
    if (next + 8 <= size) {
      uint64_t word;
      std::memcpy(&word, data + next, 8);
      bits |= word << count;
      next += (size_t)((63 - count) >> 3);
      count |= 56;
      return;
    }
    while (count <= 56) {
      uint64_t byte = next < size ? data[next] : 0;
      bits |= byte << count;
      ++next;
      count += 8;
    }
  }
  uint32_t Take(int n) {
    uint32_t v = (uint32_t)(bits & ((1ull << n) - 1));
    bits >>= n;
    count -= n;
    return v;
  }
  uint64_t Position() const { return (uint64_t)next * 8 - (uint64_t)count; }
  bool Overrun() const { return Position() > (uint64_t)size * 8; }
  void SeekByte(size_t at) {
    next = at;
    bits = 0;
    count = 0;
  }
  // Decodes one symbol through `t`; -1 where no codeword leads.
  int Decode(const HuffmanTable& t) {
    TableEntry e = t.primary[bits & ((1u << kPrimaryBits) - 1)];
    if (e) {
      Take(e & ((1 << kLengthBits) - 1));
      return e >> kLengthBits;
    }
    // Canonical decoding, one bit at a time: codewords of each length are
    // consecutive numbers, the first following the last of the length before.
    int code = 0, first = 0, index = 0;
    for (int len = 1; len <= kMaxCodeLength; ++len) {
      code |= (int)Take(1);
      int n = t.perLength[len];
      if (code - first < n) return t.symbols[index + code - first];
      index += n;
      first = (first + n) << 1;
      code <<= 1;
    }
    return -1;
  }
};

struct Tables {
  HuffmanTable litLen;
  HuffmanTable dist;
};

bool BuildFixed(Tables& t) {
  uint8_t lengths[kLitLenSymbols];
  std::memset(lengths, 8, 144);
  std::memset(lengths + 144, 9, 256 - 144);
  std::memset(lengths + 256, 7, 280 - 256);
  std::memset(lengths + 280, 8, kLitLenSymbols - 280);
  if (!BuildTable(lengths, kLitLenSymbols, t.litLen)) return false;
  std::memset(lengths, 5, kDistSymbols);
  return BuildTable(lengths, kDistSymbols, t.dist);
}

bool ReadDynamic(BitReader& in, Tables& t) {
  in.Refill();
  int litLenCount = (int)in.Take(5) + 257;
  int distCount = (int)in.Take(5) + 1;
  int codeLengthCount = (int)in.Take(4) + 4;
  if (litLenCount > 286 || distCount > 30) return false;
  uint8_t codeLengthLengths[kCodeLengthSymbols] = {};
  for (int i = 0; i < codeLengthCount; ++i) {
    in.Refill();
    codeLengthLengths[kCodeLengthOrder[i]] = (uint8_t)in.Take(3);
  }
  HuffmanTable& codeLengths = t.dist;  // free until the distance code is built
  if (!BuildTable(codeLengthLengths, kCodeLengthSymbols, codeLengths)) return false;
  uint8_t lengths[286 + 30];
  int total = litLenCount + distCount;
  for (int i = 0; i < total;) {
    in.Refill();
    int sym = in.Decode(codeLengths);
    if (sym < 0) return false;
    if (sym < 16) {
      lengths[i++] = (uint8_t)sym;
      continue;
    }
    int repeat;
    uint8_t value = 0;
    if (sym == 16) {
      if (i == 0) return false;
      value = lengths[i - 1];
      repeat = 3 + (int)in.Take(2);
    } else if (sym == 17) {
      repeat = 3 + (int)in.Take(3);
    } else {
      repeat = 11 + (int)in.Take(7);
    }
    if (i + repeat > total) return false;
    std::memset(lengths + i, value, (size_t)repeat);
    i += repeat;
  }
  if (in.Overrun() || lengths[kEndOfBlock] == 0) return false;
  return BuildTable(lengths, litLenCount, t.litLen) && BuildTable(lengths + litLenCount, distCount, t.dist);
}

// Bits a length symbol and its distance need at most, codewords and extra
// bits: what each symbol decoded without a refill must find held.
const int kMatchBits = 15 + 5 + 15 + 13;
static_assert(kMatchBits <= 56, "Refill holds a whole match");

// Skips a Huffman-coded block's symbols up to and including end-of-block;
// as many symbols per refill as the bits held are sure to cover.  The
// reader is copied into a local, which the compiler keeps in registers, and
// written back once.
bool SkipCodes(BitReader& reader, const Tables& t) {
  BitReader in = reader;
  bool ok = false;
  for (;;) {
    in.Refill();
    if (in.next + 8 > in.size && in.Overrun()) break;
    int sym;
    do {
      sym = in.Decode(t.litLen);
      if (sym < kEndOfBlock) {
        if (sym < 0) break;
        continue;
      }
      if (sym == kEndOfBlock || sym > kLastLengthSymbol) break;
      in.Take(kLengthExtraBits[sym - 257]);
      int dist = in.Decode(t.dist);
      if (dist < 0 || dist > kLastDistSymbol) {
        sym = -1;
        break;
      }
      in.Take(dist < 4 ? 0 : dist / 2 - 1);
    } while (in.count >= kMatchBits);
    if (sym < 0 || sym > kLastLengthSymbol) break;
    if (sym == kEndOfBlock) {
      ok = !in.Overrun();
      break;
    }
  }
  reader = in;
  return ok;
}

bool SkipStored(BitReader& in) {
  in.Take(in.count & 7);
  in.Refill();
  uint32_t length = in.Take(16);
  uint32_t inverse = in.Take(16);
  if ((length ^ inverse) != 0xFFFF) return false;
  uint64_t at = in.Position() / 8 + length;
  if (at > in.size) return false;
  in.SeekByte((size_t)at);
  return true;
}

}  // namespace

DeflateWalk WalkDeflateBlocks(const uint8_t* data, size_t size) {
  DeflateWalk walk;
  // About 10 KiB of tables: on the heap, not the stack.
  std::unique_ptr<Tables> tables(new Tables);
  Tables& t = *tables;
  BitReader in{data, size};
  for (;;) {
    in.Refill();
    uint64_t headerBit = in.Position();
    bool final = in.Take(1);
    uint32_t type = in.Take(2);
    bool ok;
    if (type == 0) ok = SkipStored(in);
    else if (type == 1) ok = BuildFixed(t) && SkipCodes(in, t);
    else if (type == 2) ok = ReadDynamic(in, t) && SkipCodes(in, t);
    else ok = false;
    if (!ok || in.Overrun()) return walk;
    if (final) {
      walk.complete = true;
      walk.finalBlockBit = headerBit;
      walk.endBit = in.Position();
      return walk;
    }
  }
}

size_t MakeNonFinal(uint8_t* data, size_t size) {
  DeflateWalk walk = WalkDeflateBlocks(data, size);
  if (!walk.complete || (walk.endBit + 7) / 8 != size) return 0;
  data[walk.finalBlockBit / 8] &= (uint8_t)~(1u << (walk.finalBlockBit % 8));
  // The empty stored block's header (BFINAL 0, BTYPE 00) is three zero bits
  // at endBit; the padding behind them to the byte boundary is zero too.
  if (walk.endBit % 8) data[walk.endBit / 8] &= (uint8_t)((1u << (walk.endBit % 8)) - 1);
  size_t lengthAt = (size_t)((walk.endBit + 3 + 7) / 8);
  for (size_t i = size; i < lengthAt; ++i) data[i] = 0;
  static const uint8_t kEmptyStoredLength[4] = {0x00, 0x00, 0xFF, 0xFF};
  std::memcpy(data + lengthAt, kEmptyStoredLength, sizeof kEmptyStoredLength);
  return lengthAt + sizeof kEmptyStoredLength;
}
