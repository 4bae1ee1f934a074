// Traditional PKWARE decryption: key set-up, key update and the header check.
#include "zipcrypto.h"

#include "crc32.h"


// The published initial key values and the multiplier of the key update.
const uint32_t kInitialKey0 = 0x12345678;
const uint32_t kInitialKey1 = 0x23456789;
const uint32_t kInitialKey2 = 0x34567890;
const uint32_t kKeyMultiplier = 0x08088405;

void UpdateKeys(CipherKeys& keys, uint8_t plain) {
  keys.key0 = UpdateCrc(plain, keys.key0);
  keys.key1 = (keys.key1 + (keys.key0 & 0xFF)) * kKeyMultiplier + 1;
  keys.key2 = UpdateCrc((uint8_t)(keys.key1 >> 24), keys.key2);
}

void InitKeys(CipherKeys& keys, const char* password) {
  keys.key0 = kInitialKey0;
  keys.key1 = kInitialKey1;
  keys.key2 = kInitialKey2;
  while (*password) UpdateKeys(keys, (uint8_t)*password++);
}

void DecryptBuffer(CipherKeys& keys, uint8_t* bytes, int32_t count) {
  // The keys live in locals for the loop and are stored back once.
  uint32_t k0 = keys.key0, k1 = keys.key1, k2 = keys.key2;
  const uint32_t* table = Engine.CrcTable;
  for (int32_t i = 0; i < count; ++i) {
    uint32_t t = (k2 & 0xFFFF) | 2;
    uint8_t plain = (uint8_t)(bytes[i] ^ (uint8_t)((t * (t ^ 1)) >> 8));
    bytes[i] = plain;
    k0 = table[(k0 ^ plain) & 0xFF] ^ (k0 >> 8);
    k1 = (k1 + (k0 & 0xFF)) * kKeyMultiplier + 1;
    k2 = table[(k2 ^ (k1 >> 24)) & 0xFF] ^ (k2 >> 8);
  }
  keys.key0 = k0;
  keys.key1 = k1;
  keys.key2 = k2;
}

bool CheckEncryptionHeader(uint8_t* block, int headerLength, uint16_t flags, uint32_t crc,
                           uint32_t timeDate, const char* password) {
  if (!password[0]) return false;
  CipherKeys& keys = Engine.Keys;
  InitKeys(keys, password);
  for (int i = 0; i < headerLength; ++i) {
    uint8_t p = (uint8_t)(DecryptByte(keys) ^ block[headerLength + i]);
    UpdateKeys(keys, p);
    block[i] = p;
  }
  // Writers that stream (flag bit 3) do not know the CRC when they write the
  // header and use the high byte of the DOS time instead.
  uint8_t expected = (flags & 0x0008) ? (uint8_t)(timeDate >> 8) : (uint8_t)(crc >> 24);
  return block[headerLength - 1] == expected;
}
