// SHA-256 (FIPS 180-4) and HMAC-SHA-256 (RFC 2104), for the keyed hash
// from which a reproducible build derives its encryption headers.  Short
// inputs only: everything is hashed from memory in one call.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

const size_t kSha256DigestSize = 32;
typedef std::array<uint8_t, kSha256DigestSize> Sha256Digest;

Sha256Digest Sha256(const uint8_t* data, size_t size);
inline Sha256Digest Sha256(const std::string& data) {
  return Sha256((const uint8_t*)data.data(), data.size());
}

Sha256Digest HmacSha256(const std::string& key, const std::string& message);
