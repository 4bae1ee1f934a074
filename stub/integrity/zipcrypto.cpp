// Traditional PKWARE decryption: key set-up, key update and the header check.
#include "zipcrypto.h"

#include "crc32.h"

uint32_t Key0, Key1, Key2;

// The published initial key values and the multiplier of the key update.
const uint32_t kInitialKey0 = 0x12345678;
const uint32_t kInitialKey1 = 0x23456789;
const uint32_t kInitialKey2 = 0x34567890;
const uint32_t kKeyMultiplier = 0x08088405;

void UpdateKeys(uint8_t plain) {
  Key0 = UpdateCrc(plain, Key0);
  Key1 = (Key1 + (Key0 & 0xFF)) * kKeyMultiplier + 1;
  Key2 = UpdateCrc((uint8_t)(Key1 >> 24), Key2);
}

void InitKeys(const char* password) {
  Key0 = kInitialKey0;
  Key1 = kInitialKey1;
  Key2 = kInitialKey2;
  while (*password) UpdateKeys((uint8_t)*password++);
}

void DecryptBuffer(uint8_t* bytes, int32_t count) {
  // The keys live in locals for the loop and are stored back once.
  uint32_t k0 = Key0, k1 = Key1, k2 = Key2;
  const uint32_t* table = CrcTable;
  for (int32_t i = 0; i < count; ++i) {
    uint32_t t = (k2 & 0xFFFF) | 2;
    uint8_t plain = (uint8_t)(bytes[i] ^ (uint8_t)((t * (t ^ 1)) >> 8));
    bytes[i] = plain;
    k0 = table[(k0 ^ plain) & 0xFF] ^ (k0 >> 8);
    k1 = (k1 + (k0 & 0xFF)) * kKeyMultiplier + 1;
    k2 = table[(k2 ^ (k1 >> 24)) & 0xFF] ^ (k2 >> 8);
  }
  Key0 = k0;
  Key1 = k1;
  Key2 = k2;
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
