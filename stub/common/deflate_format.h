// Facts of the deflate format (RFC 1951) that the decoder is built on.
#pragma once

#include <stdint.h>

// History a match may reach back into, and so the size of the window that
// doubles as the output buffer: writes leave in pieces of exactly this size.
const uint32_t kWindowSize = 32768;
const uint32_t kWindowMask = kWindowSize - 1;
static_assert((kWindowSize & kWindowMask) == 0, "window positions wrap by masking");

const uint32_t kMinMatchLength = 3;
const uint32_t kMaxMatchLength = 258;

// Code lengths run from 1 to 15 in the stream; the table builder accepts 16
// and treats 0 as "no code".
const uint32_t kMaxCodeLength = 16;
const uint32_t kMaxStreamCodeLength = 15;

// Symbol counts.  A dynamic block may declare up to 288 literal/length and 32
// distance lengths; symbols 286, 287 and distance codes 30, 31 exist only as
// invalid codes.
const uint32_t kEndOfBlockSymbol = 256;
const uint32_t kFirstLengthSymbol = 257;
const uint32_t kLiteralLengthSymbols = 288;
const uint32_t kLengthCodes = kLiteralLengthSymbols - kFirstLengthSymbol;  // 31
const uint32_t kDistanceSymbols = 32;
const uint32_t kValidDistanceSymbols = 30;
const uint32_t kCodeLengthSymbols = 19;
const uint32_t kMaxLengthExtraBits = 5;
const uint32_t kMaxDistanceExtraBits = 13;

// Block header fields, in bits.
const uint32_t kFinalFlagBits = 1;
const uint32_t kBlockTypeBits = 2;
const uint32_t kStoredBlock = 0;
const uint32_t kFixedBlock = 1;
const uint32_t kDynamicBlock = 2;

// Dynamic block header: HLIT (5 bits) + 257, HDIST (5) + 1, HCLEN (4) + 4,
// then 3 bits per code-length code length.
const uint32_t kLiteralCountBits = 5;
const uint32_t kDistanceCountBits = 5;
const uint32_t kCodeLengthCountBits = 4;
const uint32_t kCodeLengthBits = 3;
const uint32_t kMinCodeLengthCodes = 4;
const uint32_t kMinDistanceCodes = 1;

// Code-length symbols 16 (repeat the previous length 3-6 times), 17 (zeros
// 3-10 times) and 18 (zeros 11-138 times), with their count fields.
const uint32_t kRepeatPrevious = 16;
const uint32_t kRepeatZeroShort = 17;
const uint32_t kRepeatZeroLong = 18;

// Every literal/length code of a block plus every distance code.
const uint32_t kMaxDynamicLengths = kLiteralLengthSymbols + kDistanceSymbols;  // 320

// Fixed Huffman code: lengths of literal/length symbols by range, all 30
// distance codes 5 bits long.
const uint32_t kFixedDistanceLength = 5;
