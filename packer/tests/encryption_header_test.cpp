// The encryption headers of a reproducible build: SHA-256 and HMAC-SHA-256
// against published vectors, and the header bytes of packed entries, read
// back with the stub's own decryption, unknown without the password.
#include <gtest/gtest.h>

#include "integrity/crc32.h"
#include "integrity/zipcrypto.h"
#include "sha256.h"
#include "test_support.h"

namespace {

std::string Hex(const Sha256Digest& d) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s;
  for (uint8_t b : d) s += kDigits[b >> 4], s += kDigits[b & 15];
  return s;
}

TEST(Sha256, PublishedVectors) {
  // FIPS 180-2 examples (one and two blocks, a million bytes), a message
  // whose padding needs a second block, and RFC 4231 cases 1, 2 and 6 (a
  // key longer than a block).  `key` nullptr: the plain hash.
  struct Row {
    const char* key;
    std::string message;
    const char* digest;
  };
  const Row rows[] = {
      {nullptr, "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {nullptr, "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {nullptr, "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {nullptr, std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      {nullptr, std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
      {"\x0b\x0b\x0b\x0b\x0b\x0b\x0b\x0b\x0b\x0b\x0b\x0b\x0b\x0b\x0b\x0b\x0b\x0b\x0b\x0b", "Hi There",
       "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
      {"Jefe", "what do ya want for nothing?",
       "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
      {"", "Test Using Larger Than Block-Size Key - Hash Key First",
       "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.message.substr(0, 60));
    if (!row.key) {
      EXPECT_EQ(Hex(Sha256(row.message)), row.digest);
    } else {
      std::string key = *row.key ? row.key : std::string(131, '\xaa');
      EXPECT_EQ(Hex(HmacSha256(key, row.message)), row.digest);
    }
  }
}

// The 11 plain header bytes in front of each encrypted entry's check byte,
// in local header order.
std::vector<std::string> PlainHeaders(const std::vector<uint8_t>& sfx, const std::string& password) {
  static std::vector<uint32_t> table(kCrcTableBytes / sizeof(uint32_t) + 1);
  CrcTable = table.data();
  BuildCrcTable();
  std::vector<std::string> headers;
  std::string bytes(sfx.begin(), sfx.end());
  for (size_t at = bytes.find("PK\x03\x04"); at != std::string::npos && Le32(sfx, at) == 0x04034b50;) {
    size_t data = at + 30 + Le16(sfx, at + 26) + Le16(sfx, at + 28);
    if (Le16(sfx, at + 6) & 1) {
      InitKeys(password.c_str());
      std::string plain;
      for (size_t i = 0; i < 11; ++i) {
        uint8_t p = sfx[data + i] ^ DecryptByte();
        UpdateKeys(p);
        plain += (char)p;
      }
      headers.push_back(plain);
    }
    at = data + Le32(sfx, at + 18);
  }
  return headers;
}

// What the generator seeded with SOURCE_DATE_EPOCH gave, entry after entry.
std::string SeededBytes(uint64_t state, size_t count) {
  std::string bytes;
  while (bytes.size() < count) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    bytes += (char)(z ^ (z >> 31));
  }
  return bytes;
}

TEST(EncryptionHeaders, ReproducibleHeadersNeedThePassword) {
  TempFolder dir;
  WriteNativeFile(dir.Native("stub.exe"), FakeStub(kShortStubSize));
  RunTool({"mkdir", "-p", dir.Native("src/docs")});
  WriteNativeFile(dir.Native("src/a.txt"), "first file");
  WriteNativeFile(dir.Native("src/docs/b.txt"), "second file");
  const char kEpoch[] = "1600000000";
  std::vector<std::vector<std::string>> headers;
  for (const char* password : {"first secret", "second secret"}) {
    WriteNativeFile(dir.Native("pw"), password);
    RunResult r = RunTool({"env", std::string("SOURCE_DATE_EPOCH=") + kEpoch, MKSFX_BINARY, "pack", "--stub",
                           dir.Native("stub.exe"), "--password-file", dir.Native("pw"), dir.Native("src"),
                           dir.Native("out.exe")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    headers.push_back(PlainHeaders(ReadBytes(dir.Native("out.exe")), password));
    ASSERT_EQ(headers.back().size(), 2u);
    EXPECT_NE(headers.back()[0], headers.back()[1]);
    std::string seeded = SeededBytes(std::stoull(kEpoch), 22);
    EXPECT_NE(headers.back()[0], seeded.substr(0, 11));
    EXPECT_NE(headers.back()[1], seeded.substr(11, 11));
  }
  EXPECT_NE(headers[0][0], headers[1][0]);
  EXPECT_NE(headers[0][1], headers[1][1]);
}

}  // namespace
