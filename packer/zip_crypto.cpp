// Encryption with the stub's keys.
#include "zip_crypto.h"

#include <cstdlib>

#include "errors.h"
#include "integrity/crc32.h"
#include "integrity/zipcrypto.h"
#include "system.h"

void EnsureCrcTable() {
  static std::vector<uint32_t> table;
  if (!table.empty()) return;
  table.resize(kCrcTableBytes / sizeof(uint32_t) + 1);
  CrcTable = table.data();
  BuildCrcTable();
}

namespace {

uint64_t SplitMix(uint64_t& state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

HeaderRandom::HeaderRandom() {
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
    if (*epoch) {
      seeded_ = true;
      state_ = std::strtoull(epoch, nullptr, 10);
    }
  }
}

void HeaderRandom::Fill(uint8_t* bytes, size_t count) {
  if (seeded_) {
    for (size_t i = 0; i < count; ++i) bytes[i] = (uint8_t)SplitMix(state_);
    return;
  }
  SystemRandom(bytes, count);
}

std::vector<uint8_t> NewEncryptionHeader(uint8_t checkByte, HeaderRandom& random) {
  std::vector<uint8_t> header(kEncryptionHeaderLength);
  random.Fill(header.data(), kEncryptionHeaderLength - 1);
  header[kEncryptionHeaderLength - 1] = checkByte;
  return header;
}

std::vector<uint8_t> StartEncryption(const std::string& password, std::vector<uint8_t> header) {
  EnsureCrcTable();
  InitKeys(password.c_str());
  EncryptInPlace(header.data(), header.size());
  return header;
}

void EncryptInPlace(uint8_t* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    uint8_t plain = bytes[i];
    bytes[i] = plain ^ DecryptByte();
    UpdateKeys(plain);
  }
}

std::vector<uint8_t> EncryptEntry(const std::string& password, uint8_t checkByte,
                                  HeaderRandom& random, const uint8_t* data, size_t size) {
  std::vector<uint8_t> out = StartEncryption(password, NewEncryptionHeader(checkByte, random));
  out.insert(out.end(), data, data + size);
  EncryptInPlace(out.data() + kEncryptionHeaderLength, size);
  return out;
}
