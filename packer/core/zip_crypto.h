// Traditional ZIP encryption for mksfx: the stub's own key schedule run
// forward, with a 12-byte header of random bytes whose last byte is the
// check byte the stub compares.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/zip_format.h"
#include "zip_writer.h"

// The stub's password prompt holds 79 characters.
const size_t kLongestPassword = 79;

// The 11 bytes in front of each entry's check byte.  They must be unknown to
// whoever reads the archive: the known-plaintext attack on this encryption
// needs 12 known plain bytes of one entry.  From the system's random source;
// when SOURCE_DATE_EPOCH is set (a reproducible build), the first bytes of
// HMAC-SHA-256 keyed with the password over the entry's name, CRC-32,
// uncompressed size and time (all known before its data are written), so that the same inputs give the same archive and entries
// of other content get other headers.
class HeaderRandom {
 public:
  HeaderRandom();
  void Fill(const std::string& password, const ZipEntryHeader& entry, uint8_t* bytes, size_t count);

 private:
  bool derived_ = false;
};

// The 12-byte encryption header of an entry, in plain.  Its check byte is
// the high byte of `entry`'s CRC-32 (of its DOS time when it keeps a data
// descriptor, flag bit 3).
std::vector<uint8_t> NewEncryptionHeader(const std::string& password, const ZipEntryHeader& entry,
                                         HeaderRandom& random);

// An entry encrypted piece by piece, with keys of its own: Start first, then
// every data byte once, in order.
class EntryCipher {
 public:
  // Sets the keys from `password` (in the stub's code page, 1 to 79 bytes,
  // no NUL) and returns `header` (NewEncryptionHeader's bytes, kept when an
  // entry is written a second time) encrypted; the keys then stand ready
  // for the entry's first data byte.
  std::vector<uint8_t> Start(const std::string& password, std::vector<uint8_t> header);
  void Encrypt(uint8_t* bytes, size_t count);

 private:
  CipherKeys keys_ = {};
};
