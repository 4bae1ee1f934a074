// Data for expectations, independent of the engine: a reference CRC-32 and
// byte patterns that neither repeat soon nor compress to nothing.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

// CRC-32 of the ZIP format, bit by bit (no table shared with the engine).
inline uint32_t Crc32(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFF;
  for (unsigned char c : bytes) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return crc ^ 0xFFFFFFFF;
}

// `n` bytes of a pattern; another `salt` gives other bytes of the same kind.
inline std::string Pattern(size_t n, unsigned salt = 0) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = (char)((i * 131 + (i >> 7) * 7 + salt) & 0xFF);
  return s;
}
