// What a self-extractor may hold: the most the stub reads.
#pragma once

#include <cstddef>
#include <cstdint>

// Positions in a self-extractor are signed 32-bit numbers in the stub.
const uint64_t kLargestOutput = 0x7FFFFFFF;

// The classic end record counts entries in 16 bits; mksfx writes no ZIP64.
const size_t kMaxEntries = 0xFFFF;
