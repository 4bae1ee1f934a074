// Encryption with the stub's keys.
#include "zip_crypto.h"

#include <cstdlib>
#include <stdexcept>

#include "errors.h"
#include "sha256.h"
#include "stub_engine.h"
#include "system.h"

namespace {

void Append32(std::string& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out += (char)(value >> (8 * i));
}

}  // namespace

HeaderRandom::HeaderRandom() {
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  derived_ = epoch && *epoch;
}

void HeaderRandom::Fill(const std::string& password, const ZipEntryHeader& entry, uint8_t* bytes,
                        size_t count) {
  if (!derived_) {
    SystemRandom(bytes, count);
    return;
  }
  // Every field fixed-size or counted, so that no two entries give one message.
  std::string message;
  Append32(message, (uint32_t)entry.name.size());
  message += entry.name;
  Append32(message, entry.crc);
  Append32(message, entry.uncompressedSize);
  Append32(message, entry.timeDate);
  Sha256Digest digest = HmacSha256(password, message);
  if (count > digest.size()) throw std::logic_error("more header bytes than one digest holds");
  std::copy(digest.begin(), digest.begin() + (long)count, bytes);
}

std::vector<uint8_t> NewEncryptionHeader(const std::string& password, const ZipEntryHeader& entry,
                                         HeaderRandom& random) {
  std::vector<uint8_t> header(kEncryptionHeaderLength);
  random.Fill(password, entry, header.data(), kEncryptionHeaderLength - 1);
  header[kEncryptionHeaderLength - 1] =
      (uint8_t)(entry.descriptor ? entry.timeDate >> 8 : entry.crc >> 24);
  return header;
}

std::vector<uint8_t> EntryCipher::Start(const std::string& password, std::vector<uint8_t> header) {
  EnsureCrcTable();
  InitKeys(keys_, password.c_str());
  Encrypt(header.data(), header.size());
  return header;
}

void EntryCipher::Encrypt(uint8_t* bytes, size_t count) {
  // The key schedule runs through the stub's CRC table, which a run of the
  // engine in between may have made anew.
  EnsureCrcTable();
  for (size_t i = 0; i < count; ++i) {
    uint8_t plain = bytes[i];
    bytes[i] = plain ^ DecryptByte(keys_);
    UpdateKeys(keys_, plain);
  }
}
