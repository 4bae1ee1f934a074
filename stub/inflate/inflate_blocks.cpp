// The entry driver, the block header and the stored, fixed and dynamic block
// bodies.  Literals and matches are decoded in inflate_codes.cpp.
#include "../common/heap.h"
#include "../entry/entry_data.h"
#include "inflate.h"
#include "inflate_private.h"

// Root widths asked of the builder (the literal/length one in
// inflate_private.h): most symbols decode in one lookup, and sub-tables stay
// as narrow as the codes below them need.
const int32_t kCodeLengthRootBits = 7;
const int32_t kDistanceRootBits = 6;
const int32_t kFixedLiteralRootBits = 7;
const int32_t kFixedDistanceRootBits = 5;

// Fixed literal/length code: 0-143 8 bits, 144-255 9, 256-279 7, 280-287 8.
const uint32_t kFixedNineBitStart = 144;
const uint32_t kFixedSevenBitStart = 256;
const uint32_t kFixedEightBitAgain = 280;

void FlushWindow(uint32_t count) { WriteEntryData(Engine.inflate.slidingWindow, (int32_t)count); }

void FlushFullWindow() {
  FlushWindow(kWindowSize);
  Engine.inflate.windowPos = 0;
  Engine.inflate.windowWrapped = true;
}

void StartInflate() {
  ResetInflateState();
  BuildDeflateTables();
  Engine.inflate.inputBuffer = (uint8_t*)TakeMemory(kInputBufferSize);
  Engine.inflate.slidingWindow = (uint8_t*)TakeMemory(kWindowSize);
}

void FinishInflate() {
  FreeHuffmanTables(Engine.inflate.fixedLiteralList);
  FreeHuffmanTables(Engine.inflate.fixedDistanceList);
  ReleaseMemory(Engine.inflate.slidingWindow);
  ReleaseMemory(Engine.inflate.inputBuffer);
  ResetInflateState();
}

bool InflateEntry() {
  StartInflate();
  int lastBlock = 0;
  int result;
  do {
    result = InflateBlock(lastBlock);
  } while (result == kInflateOk && !lastBlock);
  // A failed block's bytes before the fault are written too; none of them
  // came from bits past the entry's data.
  if (Engine.inflate.windowPos) FlushWindow(Engine.inflate.windowPos);
  FinishInflate();
  Engine.LastInflateResult = result;
  return result == kInflateOk;
}

int InflateBlock(int& lastBlock) {
  lastBlock = (int)ReadBits(kFinalFlagBits);
  uint32_t type = ReadBits(kBlockTypeBits);
  int result = kInflateBadBlockType;
  if (type == kStoredBlock) result = InflateStored();
  if (type == kFixedBlock) result = InflateFixed();
  if (type == kDynamicBlock) result = InflateDynamic();
  // A block that completed only on end-marker bits is truncated data, not a
  // block (past the end every header reads as final block of type 3).
  if (InputOverrun()) result = kInflateTruncated;
  return result;
}

int InflateStored() {
  DumpBits(Engine.inflate.bitCount & 7, Engine.inflate.bitBuffer, Engine.inflate.bitCount);
  uint32_t length = ReadBits(16);
  uint32_t complement = ReadBits(16);
  if (InputOverrun()) return kInflateTruncated;
  if (length != (~complement & 0xFFFF)) return kInflateStoredLengthMismatch;
  while (length) {
    if (Engine.inflate.bitCount) {
      // Whole bytes the bit reader fetched beyond the boundary come first.
      Engine.inflate.slidingWindow[Engine.inflate.windowPos] = (uint8_t)Engine.inflate.bitBuffer;
      DumpBits(8, Engine.inflate.bitBuffer, Engine.inflate.bitCount);
      --length;
      if (++Engine.inflate.windowPos == kWindowSize) FlushFullWindow();
      continue;
    }
    // Bits above bitCount may still mirror bytes about to be moved past.
    Engine.inflate.bitBuffer = 0;
    uint32_t buffered = (uint32_t)Engine.inflate.inputCount - Engine.inflate.inputPos;
    if (Engine.BytesRemaining > 0 && buffered) {
      uint32_t run = length;
      if (run > buffered) run = buffered;
      if (run > kWindowSize - Engine.inflate.windowPos) run = kWindowSize - Engine.inflate.windowPos;
      __builtin_memcpy(Engine.inflate.slidingWindow + Engine.inflate.windowPos, Engine.inflate.inputBuffer + Engine.inflate.inputPos, run);
      Engine.inflate.inputPos += run;
      Engine.BytesRemaining -= (int32_t)run;
      length -= run;
      Engine.inflate.windowPos += run;
      if (Engine.inflate.windowPos == kWindowSize) FlushFullWindow();
      continue;
    }
    int32_t byte = NextByte();  // refills, or reports the end of the data
    if (byte < 0) return kInflateTruncated;
    Engine.inflate.slidingWindow[Engine.inflate.windowPos] = (uint8_t)byte;
    --length;
    if (++Engine.inflate.windowPos == kWindowSize) FlushFullWindow();
  }
  return kInflateOk;
}

int InflateFixed() {
  if (!Engine.inflate.fixedLiteralTable) {
    uint16_t lengths[kLiteralLengthSymbols];
    for (uint32_t i = 0; i < kLiteralLengthSymbols; ++i) {
      lengths[i] = i < kFixedNineBitStart    ? 8
                   : i < kFixedSevenBitStart ? 9
                   : i < kFixedEightBitAgain ? 7
                                             : 8;
    }
    Engine.inflate.fixedLiteralBits = kFixedLiteralRootBits;
    if (BuildHuffmanTable(lengths, kLiteralLengthSymbols, kFirstLengthSymbol, Engine.LengthBase,
                          Engine.LengthExtra, Engine.inflate.fixedLiteralTable, Engine.inflate.fixedLiteralList,
                          Engine.inflate.fixedLiteralBits) != kHuffmanComplete) {
      FreeHuffmanTables(Engine.inflate.fixedLiteralList);
      Engine.inflate.fixedLiteralList = Engine.inflate.fixedLiteralTable = nullptr;
      return kInflateNoMemory;
    }
    for (uint32_t i = 0; i < kValidDistanceSymbols; ++i) lengths[i] = kFixedDistanceLength;
    Engine.inflate.fixedDistanceBits = kFixedDistanceRootBits;
    // Incomplete is the normal outcome: codes 30 and 31 do not exist.
    if (BuildHuffmanTable(lengths, kValidDistanceSymbols, 0, Engine.DistanceBase, Engine.DistanceExtra,
                          Engine.inflate.fixedDistanceTable, Engine.inflate.fixedDistanceList,
                          Engine.inflate.fixedDistanceBits) > kHuffmanIncomplete) {
      FreeHuffmanTables(Engine.inflate.fixedLiteralList);
      Engine.inflate.fixedLiteralList = Engine.inflate.fixedLiteralTable = nullptr;
      return kInflateNoMemory;
    }
  }
  return InflateCodes(Engine.inflate.fixedLiteralTable, Engine.inflate.fixedDistanceTable, Engine.inflate.fixedLiteralBits,
                      Engine.inflate.fixedDistanceBits);
}

static int ReadCodeLengths(uint16_t* lengths, uint32_t total) {
  HuffmanEntry* root;
  HuffmanEntry* list = nullptr;
  int32_t width = kCodeLengthRootBits;
  int built = BuildHuffmanTable(lengths, kCodeLengthSymbols, kCodeLengthSymbols, nullptr,
                                nullptr, root, list, width);
  if (built == kHuffmanNoMemory) return kInflateNoMemory;
  int result = built == kHuffmanComplete && root ? kInflateOk : kInflateBadCodeLengthCode;
  uint32_t previous = 0;
  for (uint32_t i = 0; i < total && result == kInflateOk;) {
    const HuffmanEntry* e = DecodeSymbol(root, (uint32_t)width);
    if (!e) {
      result = kInflateBadCodeLengthCode;  // the unused pattern of a one-code code
      break;
    }
    uint32_t symbol = e->value;
    if (symbol < kRepeatPrevious) {
      lengths[i++] = (uint16_t)symbol;
      previous = symbol;
      continue;
    }
    uint32_t repeat, value = 0;
    if (symbol == kRepeatPrevious) {
      repeat = 3 + ReadBits(2);
      value = previous;
    } else if (symbol == kRepeatZeroShort) {
      repeat = 3 + ReadBits(3);
    } else {
      repeat = 11 + ReadBits(7);
    }
    previous = value;
    if (repeat > total - i) result = kInflateBadRepeat;
    while (repeat-- && i < total) lengths[i++] = (uint16_t)value;
  }
  FreeHuffmanTables(list);
  return result;
}

int InflateDynamic() {
  uint32_t literalCount = kFirstLengthSymbol + ReadBits(kLiteralCountBits);
  uint32_t distanceCount = kMinDistanceCodes + ReadBits(kDistanceCountBits);
  uint32_t codeLengthCount = kMinCodeLengthCodes + ReadBits(kCodeLengthCountBits);
  uint16_t lengths[kMaxDynamicLengths];
  for (uint32_t j = 0; j < kCodeLengthSymbols; ++j)
    lengths[kCodeLengthOrder[j]] = j < codeLengthCount ? (uint16_t)ReadBits(kCodeLengthBits) : 0;

  int result = ReadCodeLengths(lengths, literalCount + distanceCount);
  if (result != kInflateOk) return result;
  if (InputOverrun()) return kInflateTruncated;
  // Without an end-of-block code the block could only end in a fault; it
  // fails before it writes anything.
  if (!lengths[kEndOfBlockSymbol]) return kInflateBadLiteralCode;

  HuffmanEntry *literalRoot, *literalList = nullptr;
  HuffmanEntry *distanceRoot, *distanceList = nullptr;
  int32_t literalBits = kLiteralRootBits, distanceBits = kDistanceRootBits;
  int built = BuildHuffmanTable(lengths, literalCount, kFirstLengthSymbol, Engine.LengthBase,
                                Engine.LengthExtra, literalRoot, literalList, literalBits);
  if (built != kHuffmanComplete || !literalRoot) {
    result = built == kHuffmanNoMemory ? kInflateNoMemory : kInflateBadLiteralCode;
  } else {
    // An incomplete distance code (a single 1-bit code, say) is legal.
    built = BuildHuffmanTable(lengths + literalCount, distanceCount, 0, Engine.DistanceBase,
                              Engine.DistanceExtra, distanceRoot, distanceList, distanceBits);
    if (built > kHuffmanIncomplete)
      result = built == kHuffmanNoMemory ? kInflateNoMemory : kInflateBadDistanceCode;
    else
      result = InflateCodes(literalRoot, distanceRoot, literalBits, distanceBits);
  }
  FreeHuffmanTables(distanceList);
  FreeHuffmanTables(literalList);
  return result;
}
