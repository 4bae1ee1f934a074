// CRC-32 of the ZIP format: reflected, polynomial 0xEDB88320, register
// preset to all ones and complemented at the end by the caller.
#pragma once

#include <stdint.h>

#include "../common/engine_state.h"

// Engine.CrcTable: entries 0-255 are the byte table of the ZIP application
// note; entries 256-2047 are seven more tables derived from it, so that the
// buffer update takes eight bytes per step.  Built at start-up into a heap
// block of kCrcTableBytes, never stored in the image.
const uint32_t kCrcTableEntries = 8 * 256;
const uint32_t kCrcTableBytes = kCrcTableEntries * 4 + 4;

// Fills CrcTable, which the caller has allocated with kCrcTableBytes, and
// finds out whether the processor can fold (CrcFolding).
void BuildCrcTable();

// Sets Engine.CrcFolding: TRUE when the processor has carry-less
// multiplication (PCLMULQDQ, SSE4.1).
void DetectCrcFolding();

// The register after `length` bytes by folding; length >= 64 and a multiple
// of 16, and CrcFolding TRUE.
uint32_t FoldCrc(const uint8_t* bytes, int32_t length, uint32_t crc);

// One byte into the register: table[(crc ^ byte) & 0xFF] ^ (crc >> 8).
inline uint32_t UpdateCrc(uint8_t byte, uint32_t crc) {
  return Engine.CrcTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

// Feeds `length` bytes in address order; nothing when length <= 0.  The
// result equals UpdateCrc applied byte by byte.
void UpdateCrcBuffer(const uint8_t* bytes, int32_t length, uint32_t& crc);
