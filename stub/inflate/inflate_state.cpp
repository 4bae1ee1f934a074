// The decoder's state reset, its table allocator, and the format tables it
// computes.
#include "../common/heap.h"
#include "inflate_private.h"

HuffmanAllocator huffmanTableMemory = TakeMemory;

const uint8_t kCodeLengthOrder[kCodeLengthSymbols] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                      11, 4,  12, 3, 13, 2, 14, 1, 15};

void ResetInflateState() {
  Engine.LastInflateResult = kInflateOk;
  Engine.inflate = InflateState();
}

// Lengths 3-10 and distances 1-4 have no extra bits; after them every group
// of four length codes (two distance codes) adds one extra bit, and each
// base follows the previous one's range.  Length 258 has its own code.
// Computing them takes less code than the 190 bytes the tables would fill.
// Code 28 is length 258 alone; the codes before it follow the rule.
const uint32_t kLongestLengthCode = 28;

void BuildDeflateTables() {
  uint32_t base = kMinMatchLength;
  for (uint32_t i = 0; i < kLongestLengthCode; ++i) {
    uint32_t extra = i < 8 ? 0 : (i - 4) >> 2;
    Engine.LengthBase[i] = (uint16_t)base;
    Engine.LengthExtra[i] = (uint8_t)extra;
    base += 1u << extra;
  }
  Engine.LengthBase[kLongestLengthCode] = kMaxMatchLength;
  Engine.LengthExtra[kLongestLengthCode] = 0;
  for (uint32_t i = kLongestLengthCode + 1; i < kLengthCodes; ++i) {
    Engine.LengthBase[i] = 0;
    Engine.LengthExtra[i] = (uint8_t)kExtraInvalid;
  }
  base = 1;
  for (uint32_t i = 0; i < kDistanceSymbols; ++i) {
    uint32_t extra = i < 4 ? 0 : (i - 2) >> 1;
    bool valid = i < kValidDistanceSymbols;
    Engine.DistanceBase[i] = valid ? (uint16_t)base : 0;
    Engine.DistanceExtra[i] = valid ? (uint8_t)extra : (uint8_t)kExtraInvalid;
    base += 1u << extra;
  }
}
