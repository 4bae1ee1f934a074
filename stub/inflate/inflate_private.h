// Inside the inflate decoder: the bit reader, the Huffman table builder and
// the block routines; its state is Engine.inflate and the tables beside it.  Shared by the decoder's files and by
// the tests; nothing else includes it.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "../common/deflate_format.h"
#include "../common/engine_state.h"
#include "../platform/platform.h"
#include "inflate.h"

// ------------------------------------------------------ Huffman tables

// One entry of a decoding table.  `extra`: 0-13 a length or distance code
// with that many extra bits, 15 end of block, 16 a literal (or any symbol of
// the code-length code), 17-32 a link to a sub-table indexed by extra - 16
// bits, 99 an invalid code.  `bits`: code bits consumed at this level (for a
// link, the index width of the table it sits in).  `value`: the literal or
// symbol, or the base length (3-258) or distance (1-24,577).
struct HuffmanEntry {
  int8_t extra;
  int8_t bits;
  uint16_t value;
  HuffmanEntry* next;
};

const int8_t kExtraEndOfBlock = 15;
const int8_t kExtraLiteral = 16;
const int8_t kExtraInvalid = 99;

// A link's `extra` is kExtraLiteral plus the index width of the sub-table it
// leads to, so every link compares above kExtraLiteral.
inline uint32_t LinkedTableWidth(int8_t extra) { return (uint32_t)(extra - kExtraLiteral); }

enum HuffmanResult {
  kHuffmanComplete = 0,        // also: every length 0, or a single 1-bit code
  kHuffmanIncomplete = 1,      // unused patterns decode as invalid entries
  kHuffmanOversubscribed = 2,  // nothing allocated
  kHuffmanNoMemory = 3,        // what this set had allocated is released
};

// Builds the tables of one code set from `lengthCount` code lengths (0-16).
// Symbols below `plainSymbols` stand for themselves (`extra` 16, or 15 for
// 256); symbol v >= plainSymbols takes its value from
// baseValues[v - plainSymbols] and its extra-bit count from
// extraBits[v - plainSymbols].  `width`: in, the root width asked for; out,
// the root's actual width, which every lookup must use.  Each table is a block of
// 2^width + 1 entries whose first entry links (`next`) to the block built
// before it; `tableList` always names the newest table.
int BuildHuffmanTable(const uint16_t* lengths, uint32_t lengthCount, uint32_t plainSymbols,
                      const uint16_t* baseValues, const uint8_t* extraBits,
                      HuffmanEntry*& root, HuffmanEntry*& tableList, int32_t& width);

// Releases every table on the chain, newest first.  Accepts an empty list.
void FreeHuffmanTables(HuffmanEntry* tableList);

// Where the builder takes its table blocks: TakeMemory, which never returns
// empty.  A test puts a failing allocator here to reach result 3.
typedef void* (*HuffmanAllocator)(DWORD bytes);
extern HuffmanAllocator huffmanTableMemory;

// Fills Engine.LengthBase, LengthExtra, DistanceBase and DistanceExtra.
void BuildDeflateTables();

// Order in which a dynamic block sends the code-length code lengths.
extern const uint8_t kCodeLengthOrder[kCodeLengthSymbols];

// ------------------------------------------------------ input and bits

// The bit buffer (BitWord) is a machine word: 32 bits in the stub, 64 on the
// host, where the fast loop takes a whole match from one refill.
const uint32_t kBitWordBits = sizeof(BitWord) * 8;

// Bytes read from the archive per refill; never more than the entry has left.
const int32_t kInputBufferSize = 32768;

// 2^n - 1, for n below the word's width: a shift costs less than a table
// load, and takes no table.
inline BitWord Mask(uint32_t n) { return ((BitWord)1 << n) - 1; }

// The next byte of the entry (0-255) or -1 at its end; refills inputBuffer
// when it is used up.
int32_t ReadInputByte();
// The same, bounded by BytesRemaining: the block routines' only byte source.
int32_t NextByte();
// At least n (<= 16) valid bits afterwards; past the end they are 1 bits.
void NeedBits(uint32_t n, BitWord& bits, uint32_t& count);
inline void DumpBits(uint32_t n, BitWord& bits, uint32_t& count) {
  bits >>= n;
  count -= n;
}
// n bits (<= 16) from the module's bit state.
uint32_t ReadBits(uint32_t n);
inline bool InputOverrun() { return Engine.inflate.bitCount < Engine.inflate.endBits; }

// ------------------------------------------------------ window and blocks

// Back to the state before an entry: positions, bits, no fixed tables, no
// buffers (nothing is released: InflateEntry releases its own).
void ResetInflateState();

// InflateEntry's first and last steps around its block loop: the state
// reset, the tables built, the input buffer and the window taken; the fixed
// tables, the window and the buffer released, the state reset.
void StartInflate();
void FinishInflate();

// Writes `count` bytes from the window's start and feeds the bytes written
// into RunningCrc.
void FlushWindow(uint32_t count);
// The window is full: written out, restarted at 0.
void FlushFullWindow();

// Decodes one symbol through a code set's tables, from the module's bit
// state, fetching bits as the bit reader's contract says; nullptr for an
// invalid code.
const HuffmanEntry* DecodeSymbol(const HuffmanEntry* table, uint32_t width);

// The literal/length root width asked of the table builder.  The builder
// never makes a complete code's root wider than asked, and a complete
// literal/length code has a code of 8 bits or fewer, so no literal root a
// block decodes with is wider.  10 bits (8 KiB, in the first-level cache):
// binaries inflate about 10% faster than with 9, text no slower.
const int32_t kLiteralRootBits = 10;

int InflateBlock(int& lastBlock);
int InflateStored();
int InflateFixed();
int InflateDynamic();
// Decodes literals and matches up to the end-of-block code.  An empty
// distance root makes any length code fail.
int InflateCodes(const HuffmanEntry* literalRoot, const HuffmanEntry* distanceRoot,
                 int32_t literalBits, int32_t distanceBits);
