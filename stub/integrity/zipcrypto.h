// Traditional PKWARE decryption: three keys set up from the password, a
// 12-byte encryption header ahead of each encrypted entry's data, and one
// keystream byte per data byte.  The stub only decrypts.
#pragma once

#include <stdint.h>

#include "../common/engine_state.h"
#include "../common/zip_format.h"

// The stub's keys are Engine.Keys; mksfx encrypts with keys of its own.

void InitKeys(CipherKeys& keys, const char* password);
void UpdateKeys(CipherKeys& keys, uint8_t plain);

// The next keystream byte, keys unchanged.
inline uint8_t DecryptByte(const CipherKeys& keys) {
  uint32_t t = (keys.key2 & 0xFFFF) | 2;
  return (uint8_t)((t * (t ^ 1)) >> 8);
}

// Decrypts `count` bytes in place, advancing the keys over each plain byte.
void DecryptBuffer(CipherKeys& keys, uint8_t* bytes, int32_t count);

// `block` holds 2 * headerLength bytes: the header as read in the second
// half; the first half receives its decryption, so a check can be repeated
// with another password.  The check byte (the last decrypted header byte) is
// compared with the high byte of the DOS time when flag bit 3 is set, of the
// crc-32 otherwise.  An empty password fails without touching the keys.  On
// true the keys stand ready for the entry's first data byte.
bool CheckEncryptionHeader(uint8_t* block, int headerLength, uint16_t flags, uint32_t crc,
                           uint32_t timeDate, const char* password);
