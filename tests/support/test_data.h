// Data for expectations, independent of the engine: a reference CRC-32,
// byte patterns that neither repeat soon nor compress to nothing, and a
// stand-in stub image; names for the rows of parameterised tests.
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

// A stand-in stub image: "MZ", then lowercase letters up to `size` bytes, so
// it holds no ZIP signature ("PK") wherever an archive is put behind it.
// The default is the stub's image size, where a blockless archive starts.
inline std::string FakeStub(size_t size = 0x5400) {
  std::string s = "MZ";
  while (s.size() < size) s += (char)('a' + s.size() % 26);
  return s.substr(0, size);
}

// A parameterised test's name from its row's label: letters and digits kept,
// each run of other characters one "_" (the only other character a test name
// takes), behind the row's index so that names stay unique.
inline std::string RowName(size_t index, const std::string& label) {
  std::string name = std::to_string(index) + "_";
  for (char c : label) {
    bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (plain) name += c;
    else if (name.back() != '_') name += '_';
  }
  return name;
}
