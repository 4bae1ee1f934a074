// Literals and matches of a Huffman-coded block, up to its end-of-block code.
//
// Two paths decode the same symbols.  The careful path fetches bits exactly
// as the bit reader's contract says (a byte when fewer bits are held than a
// lookup needs), so the moment the next chunk is read from the archive, and
// the end of the entry's data, are seen exactly.  The fast loop runs while the
// input buffer holds enough bytes for a whole match and the window has room
// for one: it refills a word of bits at a time from inputBuffer, checks
// nothing per bit, and never reaches the point where a read would happen.
#include "../entry/entry_data.h"
#include "inflate_private.h"

// Returned inside this file: the symbol was decoded and the block goes on
// (careful path), or the fast loop has reached one of its limits.
const int kCodesContinue = -1;
const int kCodesCarefulStep = -2;

// Bits of the longest literal/length code with its extra bits and the
// longest distance code with its extra bits.
const uint32_t kMaxMatchBits =
    2 * kMaxStreamCodeLength + kMaxLengthExtraBits + kMaxDistanceExtraBits;  // 48

// A refill keeps whole bytes up to kBitWordBits - 8 .. kBitWordBits - 1 bits.
// A 64-bit word holds a whole match after one refill; a 32-bit word is
// refilled again before the distance code and before its extra bits.
const uint32_t kRefilledBits = kBitWordBits - 8;
const bool kRefillPerCode = kRefilledBits < kMaxMatchBits;
static_assert(kRefilledBits >= kMaxStreamCodeLength + kMaxLengthExtraBits,
              "a refill covers a literal/length code and its extra bits");
static_assert(kRefilledBits >= kMaxDistanceExtraBits, "a refill covers distance extra bits");

// One pass of the fast loop takes one or two literals or a whole match:
// never more than this.
const uint32_t kMaxPassBits = kMaxStreamCodeLength + kMaxMatchBits;  // 63

// The fast loop runs while at least this many buffered bytes follow the next
// unfetched byte.  A pass consumes at most kMaxPassBits, so the next unfetched
// byte moves at most 8 + sizeof(BitWord) bytes on, and a refill loads
// sizeof(BitWord) bytes from there: 8 + 2 * 8 = 24 bytes on the host.  The
// careful path would look at most 16 bits past any consumed bit, well inside
// that, so it too would not have needed the next chunk yet.
const int32_t kFastInputMargin = 32;
static_assert(kFastInputMargin >= (kMaxPassBits + 7) / 8 + 2 * sizeof(BitWord),
              "a fast pass stays inside the buffered bytes");
static_assert(kFastInputMargin >= (kMaxPassBits + kMaxCodeLength + 7) / 8,
              "a fast pass never reaches where the careful path would read");

// A refill holds two literal root codes, so a pass takes a second root
// literal without refilling.  No block decodes with a wider literal root than
// kLiteralRootBits (see its definition).
static_assert(2 * kLiteralRootBits <= kRefilledBits, "a refill covers two root literals");

// The stub is built for size; this loop, where inflating spends nearly all
// its time, is built for speed: 17% faster under Wine than at -Oz, for 130
// bytes.  Loop header copying and alignment padding are left out: they made
// it 210 bytes larger still and measured no faster.  Scheduling before
// register allocation, held back by register pressure (the 32-bit build has
// seven registers for about a dozen live values), is about 2% faster on
// binaries and 64 bytes smaller; without the pressure limit it is 4% slower
// than with it and larger.
#define SFX_FAST_LOOP                                                                \
  __attribute__((optimize("O2", "schedule-insns", "sched-pressure", "no-tree-ch",   \
                          "no-align-loops", "no-align-jumps", "no-align-labels", \
                          "no-align-functions")))

// Below this position a pass's output (two literals or a whole match) fits
// in the window without reaching its end, so the fast loop never writes the
// window out.
const uint32_t kFastWindowLimit = kWindowSize - kMaxMatchLength - 1;

static inline BitWord LoadWord(const uint8_t* p) {
  BitWord w;
  __builtin_memcpy(&w, p, sizeof w);  // little-endian on both targets
  return w;
}

static inline void StoreWord(uint8_t* p, BitWord w) { __builtin_memcpy(p, &w, sizeof w); }

static inline uint32_t Load32(const uint8_t* p) {
  uint32_t w;
  __builtin_memcpy(&w, p, sizeof w);
  return w;
}

static inline void Store32(uint8_t* p, uint32_t w) { __builtin_memcpy(p, &w, sizeof w); }

// dst[i] = src[i] for i = 0 .. n-1 in that order, so a source just behind the
// destination repeats the bytes just produced.  Writes exactly n bytes: the
// window past them still holds history that later matches may need.
static void CopyForward(uint8_t* dst, const uint8_t* src, uint32_t n) {
  const ptrdiff_t word = (ptrdiff_t)sizeof(BitWord);
  ptrdiff_t gap = dst - src;
  if (gap >= word || gap <= -word) {
    // Whole words read nothing written by this copy; the last word may
    // overlap the one before it, rewriting bytes with the same values.
    if (n >= (uint32_t)word) {
      uint32_t i = 0;
      do {
        StoreWord(dst + i, LoadWord(src + i));
        i += (uint32_t)word;
      } while (i + (uint32_t)word <= n);
      StoreWord(dst + n - word, LoadWord(src + n - word));
      return;
    }
    if (word == 8 && n >= 4) {
      Store32(dst, Load32(src));
      Store32(dst + n - 4, Load32(src + n - 4));
      return;
    }
  } else if (gap == 1) {
    __builtin_memset(dst, src[0], n);
    return;
  }
  while (n--) *dst++ = *src++;
}

// A match in pieces cut at the window's end for source and destination; the
// window is written out whenever it fills.
static void CopyMatch(uint32_t distance, uint32_t length) {
  uint32_t source = Engine.inflate.windowPos - distance;
  while (length) {
    source &= kWindowMask;
    uint32_t chunk = kWindowSize - (source > Engine.inflate.windowPos ? source : Engine.inflate.windowPos);
    if (chunk > length) chunk = length;
    CopyForward(Engine.inflate.slidingWindow + Engine.inflate.windowPos, Engine.inflate.slidingWindow + source, chunk);
    Engine.inflate.windowPos += chunk;
    source += chunk;
    length -= chunk;
    if (Engine.inflate.windowPos == kWindowSize) FlushFullWindow();
  }
}

const HuffmanEntry* DecodeSymbol(const HuffmanEntry* table, uint32_t width) {
  NeedBits(width, Engine.inflate.bitBuffer, Engine.inflate.bitCount);
  const HuffmanEntry* e = table + (Engine.inflate.bitBuffer & Mask(width));
  while (e->extra > kExtraLiteral) {
    if (e->extra == kExtraInvalid) return nullptr;
    DumpBits((uint32_t)e->bits, Engine.inflate.bitBuffer, Engine.inflate.bitCount);
    width = LinkedTableWidth(e->extra);
    NeedBits(width, Engine.inflate.bitBuffer, Engine.inflate.bitCount);
    e = e->next + (Engine.inflate.bitBuffer & Mask(width));
  }
  DumpBits((uint32_t)e->bits, Engine.inflate.bitBuffer, Engine.inflate.bitCount);
  return e;
}

// One literal, match or end-of-block code on the careful path.  Nothing that
// rests on bits past the entry's data reaches the window.
static int InflateCarefulStep(const HuffmanEntry* literalRoot, const HuffmanEntry* distanceRoot,
                              uint32_t literalBits, uint32_t distanceBits) {
  const HuffmanEntry* e = DecodeSymbol(literalRoot, literalBits);
  if (!e) return kInflateInvalidLiteral;
  if (e->extra == kExtraEndOfBlock) return kInflateOk;
  if (e->extra == kExtraLiteral) {
    if (InputOverrun()) return kInflateTruncated;
    Engine.inflate.slidingWindow[Engine.inflate.windowPos] = (uint8_t)e->value;
    if (++Engine.inflate.windowPos == kWindowSize) FlushFullWindow();
    return kCodesContinue;
  }
  uint32_t length = e->value + ReadBits((uint32_t)e->extra);
  if (!distanceRoot) return kInflateInvalidDistance;
  e = DecodeSymbol(distanceRoot, distanceBits);
  if (!e) return kInflateInvalidDistance;
  uint32_t distance = e->value + ReadBits((uint32_t)e->extra);
  if (InputOverrun()) return kInflateTruncated;
  if (distance > Engine.inflate.windowPos && !Engine.inflate.windowWrapped) return kInflateDistanceTooFar;
  CopyMatch(distance, length);
  return kCodesContinue;
}

// Refill and FollowLinks are forced inline: built for size, the compiler
// calls them, which sends the loop's bit word, count and input pointer through
// memory (the stub then decoded binaries about 20% slower under Wine).
#define SFX_INLINE __attribute__((always_inline)) static inline

SFX_INLINE void Refill(BitWord& bits, uint32_t& count, const uint8_t*& in) {
  bits |= LoadWord(in) << count;
  in += (kBitWordBits - 1 - count) >> 3;
  count |= kRefilledBits;
}

// Follows links to the entry that ends the code; stops at an invalid entry.
SFX_INLINE const HuffmanEntry* FollowLinks(const HuffmanEntry* e, BitWord& bits, uint32_t& count) {
  while (e->extra > kExtraLiteral && e->extra != kExtraInvalid) {
    bits >>= e->bits;
    count -= (uint32_t)e->bits;
    e = e->next + (bits & Mask(LinkedTableWidth(e->extra)));
  }
  return e;
}

// Reader and window state live in locals here and are stored back once.
SFX_FAST_LOOP static int InflateFast(const HuffmanEntry* literalRoot,
                                     const HuffmanEntry* distanceRoot, uint32_t literalBits,
                                     uint32_t distanceBits) {
  if (Engine.inflate.inputCount - (int32_t)Engine.inflate.inputPos < kFastInputMargin)
    return kCodesCarefulStep;
  const uint8_t* in = Engine.inflate.inputBuffer + Engine.inflate.inputPos;
  const uint8_t* const inStart = in;
  const uint8_t* const inLimit = Engine.inflate.inputBuffer + Engine.inflate.inputCount - kFastInputMargin;
  uint8_t* const window = Engine.inflate.slidingWindow;
  uint8_t* out = window + Engine.inflate.windowPos;
  uint8_t* const outLimit = window + kFastWindowLimit;
  BitWord bits = Engine.inflate.bitBuffer;
  uint32_t count = Engine.inflate.bitCount;
  const BitWord literalMask = Mask(literalBits);
  const BitWord distanceMask = Mask(distanceBits);
  int result = kCodesCarefulStep;
  while (in <= inLimit && out < outLimit) {
    Refill(bits, count, in);
    const HuffmanEntry* e = literalRoot + (bits & literalMask);
    if (e->extra == kExtraLiteral) {
      // Literals come in runs: a second root literal comes from the same
      // refill.
      bits >>= e->bits;
      count -= (uint32_t)e->bits;
      *out++ = (uint8_t)e->value;
      e = literalRoot + (bits & literalMask);
      if (e->extra == kExtraLiteral) {
        bits >>= e->bits;
        count -= (uint32_t)e->bits;
        *out++ = (uint8_t)e->value;
        continue;
      }
      // A refill adds bits above the held ones only: `e` stands.
      Refill(bits, count, in);
    }
    e = FollowLinks(e, bits, count);
    int32_t extra = e->extra;
    if (extra == kExtraInvalid) {
      result = kInflateInvalidLiteral;
      break;
    }
    bits >>= e->bits;
    count -= (uint32_t)e->bits;
    if (extra == kExtraLiteral) {
      *out++ = (uint8_t)e->value;
      continue;
    }
    if (extra == kExtraEndOfBlock) {
      result = kInflateOk;
      break;
    }
    uint32_t length = e->value + (uint32_t)(bits & Mask((uint32_t)extra));
    bits >>= extra;
    count -= (uint32_t)extra;
    if (!distanceRoot) {
      result = kInflateInvalidDistance;
      break;
    }
    if (kRefillPerCode) Refill(bits, count, in);
    e = FollowLinks(distanceRoot + (bits & distanceMask), bits, count);
    extra = e->extra;
    if (extra == kExtraInvalid) {
      result = kInflateInvalidDistance;
      break;
    }
    bits >>= e->bits;
    count -= (uint32_t)e->bits;
    if (kRefillPerCode && count < kMaxDistanceExtraBits) Refill(bits, count, in);
    uint32_t distance = e->value + (uint32_t)(bits & Mask((uint32_t)extra));
    bits >>= extra;
    count -= (uint32_t)extra;
    // In integers: a distance reaching before the window's start must not
    // form a pointer there.
    uintptr_t from = (uintptr_t)out - distance;
    if (from < (uintptr_t)window) {
      if (!Engine.inflate.windowWrapped) {
        result = kInflateDistanceTooFar;
        break;
      }
      from += kWindowSize;
    }
    const uint8_t* src = (const uint8_t*)from;
    if (src > out) {
      // The source starts in the window's tail and may run on from its
      // start; the destination stays below the end.
      uint32_t toEnd = (uint32_t)(window + kWindowSize - src);
      if (length > toEnd) {
        CopyForward(out, src, toEnd);
        out += toEnd;
        src = window;
        length -= toEnd;
      }
    }
    if (out - src >= 8 && length <= 16) {
      // Most matches: short, and far enough back to move in whole words.
      if (length >= 8) {
        __builtin_memcpy(out, src, 8);
        __builtin_memcpy(out + length - 8, src + length - 8, 8);
      } else if (length >= 4) {
        Store32(out, Load32(src));
        Store32(out + length - 4, Load32(src + length - 4));
      } else {
        out[0] = src[0];
        out[1] = src[1];
        out[2] = src[2];
      }
    } else {
      CopyForward(out, src, length);
    }
    out += length;
  }
  Engine.inflate.bitBuffer = bits;
  Engine.inflate.bitCount = count;
  Engine.inflate.inputPos = (uint32_t)(in - Engine.inflate.inputBuffer);
  Engine.BytesRemaining -= (int32_t)(in - inStart);
  Engine.inflate.windowPos = (uint32_t)(out - window);
  return result;
}

int InflateCodes(const HuffmanEntry* literalRoot, const HuffmanEntry* distanceRoot,
                 int32_t literalBits, int32_t distanceBits) {
  for (;;) {
    int result = InflateFast(literalRoot, distanceRoot, (uint32_t)literalBits,
                             (uint32_t)distanceBits);
    if (result == kCodesCarefulStep)
      result = InflateCarefulStep(literalRoot, distanceRoot, (uint32_t)literalBits,
                                  (uint32_t)distanceBits);
    if (result != kCodesContinue) return result;
  }
}
