// The decoder's module state, its reset, and the format tables it computes.
#include "../common/heap.h"
#include "inflate_private.h"

int lastInflateResult;

uint8_t* inputBuffer;
int32_t inputCount;
uint32_t inputPos;
BitWord bitBuffer;
uint32_t bitCount;
uint32_t endBits;

uint8_t* slidingWindow;
uint32_t windowPos;
bool windowWrapped;

HuffmanEntry* fixedLiteralTable;
HuffmanEntry* fixedLiteralList;
int32_t fixedLiteralBits;
HuffmanEntry* fixedDistanceTable;
HuffmanEntry* fixedDistanceList;
int32_t fixedDistanceBits;

HuffmanAllocator huffmanTableMemory = TakeMemory;

uint16_t lengthBase[kLengthCodes];
uint8_t lengthExtra[kLengthCodes];
uint16_t distanceBase[kDistanceSymbols];
uint8_t distanceExtra[kDistanceSymbols];

const uint8_t kCodeLengthOrder[kCodeLengthSymbols] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                      11, 4,  12, 3, 13, 2, 14, 1, 15};

void ResetInflateState() {
  lastInflateResult = kInflateOk;
  inputBuffer = nullptr;
  inputCount = 0;
  inputPos = 0;
  bitBuffer = 0;
  bitCount = 0;
  endBits = 0;
  slidingWindow = nullptr;
  windowPos = 0;
  windowWrapped = false;
  fixedLiteralTable = fixedLiteralList = nullptr;
  fixedDistanceTable = fixedDistanceList = nullptr;
  fixedLiteralBits = fixedDistanceBits = 0;
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
    lengthBase[i] = (uint16_t)base;
    lengthExtra[i] = (uint8_t)extra;
    base += 1u << extra;
  }
  lengthBase[kLongestLengthCode] = kMaxMatchLength;
  lengthExtra[kLongestLengthCode] = 0;
  for (uint32_t i = kLongestLengthCode + 1; i < kLengthCodes; ++i) {
    lengthBase[i] = 0;
    lengthExtra[i] = (uint8_t)kExtraInvalid;
  }
  base = 1;
  for (uint32_t i = 0; i < kDistanceSymbols; ++i) {
    uint32_t extra = i < 4 ? 0 : (i - 2) >> 1;
    bool valid = i < kValidDistanceSymbols;
    distanceBase[i] = valid ? (uint16_t)base : 0;
    distanceExtra[i] = valid ? (uint8_t)extra : (uint8_t)kExtraInvalid;
    base += 1u << extra;
  }
}
