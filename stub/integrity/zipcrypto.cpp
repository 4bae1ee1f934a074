// Traditional PKWARE decryption: key set-up, key update and the header check.
#include "zipcrypto.h"

#include "crc32.h"


// The published initial key values and the multiplier of the key update.
const uint32_t kInitialKey0 = 0x12345678;
const uint32_t kInitialKey1 = 0x23456789;
const uint32_t kInitialKey2 = 0x34567890;
const uint32_t kKeyMultiplier = 0x08088405;

void UpdateKeys(uint8_t plain) {
  Engine.Key0 = UpdateCrc(plain, Engine.Key0);
  Engine.Key1 = (Engine.Key1 + (Engine.Key0 & 0xFF)) * kKeyMultiplier + 1;
  Engine.Key2 = UpdateCrc((uint8_t)(Engine.Key1 >> 24), Engine.Key2);
}

void InitKeys(const char* password) {
  Engine.Key0 = kInitialKey0;
  Engine.Key1 = kInitialKey1;
  Engine.Key2 = kInitialKey2;
  while (*password) UpdateKeys((uint8_t)*password++);
}

void DecryptBuffer(uint8_t* bytes, int32_t count) {
  // The keys live in locals for the loop and are stored back once.
  uint32_t k0 = Engine.Key0, k1 = Engine.Key1, k2 = Engine.Key2;
  const uint32_t* table = Engine.CrcTable;
  for (int32_t i = 0; i < count; ++i) {
    uint32_t t = (k2 & 0xFFFF) | 2;
    uint8_t plain = (uint8_t)(bytes[i] ^ (uint8_t)((t * (t ^ 1)) >> 8));
    bytes[i] = plain;
    k0 = table[(k0 ^ plain) & 0xFF] ^ (k0 >> 8);
    k1 = (k1 + (k0 & 0xFF)) * kKeyMultiplier + 1;
    k2 = table[(k2 ^ (k1 >> 24)) & 0xFF] ^ (k2 >> 8);
  }
  Engine.Key0 = k0;
  Engine.Key1 = k1;
  Engine.Key2 = k2;
}

bool CheckEncryptionHeader(uint8_t* block, int headerLength, uint16_t flags, uint32_t crc,
                           uint32_t timeDate, const char* password) {
  if (!password[0]) return false;
  InitKeys(password);
  for (int i = 0; i < headerLength; ++i) {
    uint8_t p = (uint8_t)(DecryptByte() ^ block[headerLength + i]);
    UpdateKeys(p);
    block[i] = p;
  }
  // Writers that stream (flag bit 3) do not know the CRC when they write the
  // header and use the high byte of the DOS time instead.
  uint8_t expected = (flags & 0x0008) ? (uint8_t)(timeDate >> 8) : (uint8_t)(crc >> 24);
  return block[headerLength - 1] == expected;
}
