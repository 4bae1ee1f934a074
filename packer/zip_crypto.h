// Traditional ZIP encryption for mksfx: the stub's own key schedule run
// forward, with a 12-byte header of random bytes whose last byte is the
// check byte the stub compares.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The stub's CRC table, through which its key schedule runs: built on the
// first call, kept for the rest of the run.
void EnsureCrcTable();

// The stub's password prompt holds 79 characters.
const size_t kLongestPassword = 79;

// Header bytes: from the system's random source, or, when SOURCE_DATE_EPOCH
// is set, from a generator seeded with it, so that a reproducible build
// gives the same bytes (and the same archive) every time.
class HeaderRandom {
 public:
  HeaderRandom();
  void Fill(uint8_t* bytes, size_t count);

 private:
  bool seeded_ = false;
  uint64_t state_ = 0;
};

// An entry encrypted piece by piece.  The key schedule is the stub's module
// state: one entry at a time, StartEncryption first, then every data byte
// once, in order.  `header` is the 12-byte encryption header in plain:
// NewEncryptionHeader's bytes, kept when an entry is written a second time.
std::vector<uint8_t> NewEncryptionHeader(uint8_t checkByte, HeaderRandom& random);
// Sets the keys from `password` (as EncryptEntry's) and returns `header`
// encrypted; the keys then stand ready for the entry's first data byte.
std::vector<uint8_t> StartEncryption(const std::string& password, std::vector<uint8_t> header);
void EncryptInPlace(uint8_t* bytes, size_t count);

// `password` in the stub's code page, 1 to 79 bytes, no NUL.  Returns the
// 12-byte header followed by `data` encrypted; `checkByte` is the high byte
// of the entry's CRC-32 (or of its DOS time when flag bit 3 is set).
std::vector<uint8_t> EncryptEntry(const std::string& password, uint8_t checkByte,
                                  HeaderRandom& random, const uint8_t* data, size_t size);
