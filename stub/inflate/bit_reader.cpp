// The decoder's input: chunks of the entry's compressed data, decrypted as
// they are read, handed out a byte at a time and gathered into the bit buffer
// least significant bit first.
#include "../extract/extract.h"
#include "inflate_private.h"

// Invariant: the bytes of inputBuffer not yet handed out are all part of the
// entry, so BytesRemaining is never below their count, and a refill (which
// happens only once every buffered byte is out) asks for no byte beyond the
// entry.  The keys therefore advance over exactly the entry's own bytes.
int32_t ReadInputByte() {
  if (inputPos >= (uint32_t)inputCount) {
    inputCount = ReadEntryData(inputBuffer, kInputBufferSize);
    inputPos = 0;
  }
  if (inputCount == 0) {
    // The archive file ends inside the entry: no further read for it.
    BytesRemaining = 0;
    inputPos = 0;
    return -1;
  }
  return inputBuffer[inputPos++];
}

int32_t NextByte() {
  if (BytesRemaining <= 0) return -1;
  int32_t byte = ReadInputByte();
  --BytesRemaining;
  return byte;
}

// n <= 16 and every caller holds fewer than n bits when it fetches, so at
// most 23 bits are held after a fetch and the shift stays inside the word.
void NeedBits(uint32_t n, BitWord& bits, uint32_t& count) {
  while (count < n) {
    int32_t byte = NextByte();
    // The end marker -1 fills every bit from `count` upwards with 1 bits.
    if (byte < 0) endBits += 8;
    bits |= (BitWord)(intptr_t)byte << count;
    count += 8;
  }
}

uint32_t ReadBits(uint32_t n) {
  NeedBits(n, bitBuffer, bitCount);
  uint32_t value = (uint32_t)(bitBuffer & Mask(n));
  DumpBits(n, bitBuffer, bitCount);
  return value;
}
