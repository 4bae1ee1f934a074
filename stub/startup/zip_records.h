// The records of the ZIP format that start-up reads, with their field
// offsets in bytes.  All numbers in the file are little-endian.
#pragma once

#include <stdint.h>

// End of central directory record: 22 bytes, then a comment of up to 65,535.
const int32_t kEndRecordSize = 22;
const int32_t kLongestComment = 65535;
const int kEndEntryCount = 10;      // 16-bit: total entries in the directory
const int kEndDirectoryOffset = 16;  // 32-bit: absolute position of the directory
const int kEndCommentLength = 20;    // 16-bit

// Central directory file header, fixed part of 46 bytes.
const uint32_t kCentralHeaderSignature = 0x02014B50;  // "PK\1\2"
const int kCentralNameLength = 28;
const int kCentralExtraLength = 30;
const int kCentralCommentLength = 32;
const int kCentralLocalHeaderOffset = 42;  // signed 32-bit absolute position

// Both targets are little-endian and load unaligned words: one move each.
inline uint16_t Read16(const uint8_t* p) {
  uint16_t v;
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}
inline uint32_t Read32(const uint8_t* p) {
  uint32_t v;
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}
