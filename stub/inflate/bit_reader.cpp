// The decoder's input: chunks of the entry's compressed data, decrypted as
// they are read, handed out a byte at a time and gathered into the bit buffer
// least significant bit first.
#include "../entry/entry_data.h"
#include "inflate_private.h"

// Invariant: the bytes of inputBuffer not yet handed out are all part of the
// entry, so BytesRemaining is never below their count, and a refill (which
// happens only once every buffered byte is out) asks for no byte beyond the
// entry.  The keys therefore advance over exactly the entry's own bytes.
int32_t ReadInputByte() {
  if (Engine.inflate.inputPos >= (uint32_t)Engine.inflate.inputCount) {
    Engine.inflate.inputCount = ReadEntryData(Engine.inflate.inputBuffer, kInputBufferSize);
    Engine.inflate.inputPos = 0;
  }
  if (Engine.inflate.inputCount == 0) {
    // The archive file ends inside the entry: no further read for it.
    Engine.BytesRemaining = 0;
    Engine.inflate.inputPos = 0;
    return -1;
  }
  return Engine.inflate.inputBuffer[Engine.inflate.inputPos++];
}

int32_t NextByte() {
  if (Engine.BytesRemaining <= 0) return -1;
  int32_t byte = ReadInputByte();
  --Engine.BytesRemaining;
  return byte;
}

// n <= 16 and every caller holds fewer than n bits when it fetches, so at
// most 23 bits are held after a fetch and the shift stays inside the word.
void NeedBits(uint32_t n, BitWord& bits, uint32_t& count) {
  while (count < n) {
    int32_t byte = NextByte();
    // The end marker -1 fills every bit from `count` upwards with 1 bits.
    if (byte < 0) Engine.inflate.endBits += 8;
    bits |= (BitWord)(intptr_t)byte << count;
    count += 8;
  }
}

uint32_t ReadBits(uint32_t n) {
  NeedBits(n, Engine.inflate.bitBuffer, Engine.inflate.bitCount);
  uint32_t value = (uint32_t)(Engine.inflate.bitBuffer & Mask(n));
  DumpBits(n, Engine.inflate.bitBuffer, Engine.inflate.bitCount);
  return value;
}
