// CRC-32 and the traditional decryption against independent writers.
#include <gtest/gtest.h>

#include <string.h>

#include <random>

#include "common/heap.h"
#include "integrity/crc32.h"
#include "integrity/zipcrypto.h"
#include "support/test_files.h"
#include "support/zip_builder.h"

namespace {

class IntegrityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ReleaseMemory(Engine.CrcTable);
    Engine.CrcTable = (uint32_t*)TakeMemory(kCrcTableBytes);
    BuildCrcTable();
  }
  void TearDown() override {
    ReleaseMemory(Engine.CrcTable);
    Engine.CrcTable = nullptr;
  }
  static uint32_t Crc(const std::string& s) {
    uint32_t crc = 0xFFFFFFFF;
    UpdateCrcBuffer((const uint8_t*)s.data(), (int32_t)s.size(), crc);
    return crc ^ 0xFFFFFFFF;
  }
};

TEST_F(IntegrityTest, CrcOfTheCheckStringAndOfNothing) {
  EXPECT_EQ(Crc("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc(""), 0u);
  EXPECT_EQ(Engine.CrcTable[1], 0x77073096u);
  EXPECT_EQ(Engine.CrcTable[255], 0x2D02EF8Du);
}

TEST_F(IntegrityTest, BufferUpdateEqualsTheByteUpdateAtEveryLengthAndAlignment) {
  std::mt19937 random(11);
  std::string data(300, '\0');
  for (char& c : data) c = (char)random();
  for (size_t start = 0; start < 9; ++start) {
    for (size_t length = 0; length + start <= 100; ++length) {
      uint32_t bytewise = 0x12345678, buffered = 0x12345678;
      for (size_t i = 0; i < length; ++i) bytewise = UpdateCrc((uint8_t)data[start + i], bytewise);
      UpdateCrcBuffer((const uint8_t*)data.data() + start, (int32_t)length, buffered);
      ASSERT_EQ(buffered, bytewise) << "start " << start << " length " << length;
    }
  }
}

TEST_F(IntegrityTest, FoldingEqualsTheTableOnLongRuns) {
  if (!Engine.CrcFolding) GTEST_SKIP() << "the processor cannot fold";
  std::mt19937 random(5);
  std::string data(70000, '\0');
  for (char& c : data) c = (char)random();
  for (int round = 0; round < 300; ++round) {
    size_t start = random() % 64, length = 64 + random() % 4096;
    if (round % 50 == 0) length = data.size() - start;
    length &= ~(size_t)15;
    uint32_t bytewise = random(), folded = bytewise;
    for (size_t i = 0; i < length; ++i) bytewise = UpdateCrc((uint8_t)data[start + i], bytewise);
    folded = FoldCrc((const uint8_t*)data.data() + start, (int32_t)length, folded);
    ASSERT_EQ(folded, bytewise) << "start " << start << " length " << length;
  }
  // The buffer update takes the same route for long runs and the table for the rest.
  uint32_t table = 0xFFFFFFFF, buffer = 0xFFFFFFFF;
  for (size_t i = 0; i < 1000; ++i) table = UpdateCrc((uint8_t)data[i], table);
  UpdateCrcBuffer((const uint8_t*)data.data(), 1000, buffer);
  EXPECT_EQ(buffer, table);
}

TEST_F(IntegrityTest, ZeroOrNegativeLengthLeavesTheRegister) {
  uint32_t crc = 0xFFFFFFFF;
  UpdateCrcBuffer((const uint8_t*)"abc", 0, crc);
  UpdateCrcBuffer((const uint8_t*)"abc", -5, crc);
  EXPECT_EQ(crc, 0xFFFFFFFFu);
}

TEST_F(IntegrityTest, CrcOfRealEntriesMatchesWhatTheirWritersStored) {
  // CRCs as Info-ZIP and 7-Zip stored them for these files.
  const struct {
    const char* name;
    uint32_t crc;
  } kFiles[] = {{"plain.txt", 0x060B3FA0u}, {"text.txt", 0x53AD0F3Eu}, {"data.bin", 0xCEE0AFEEu}};
  for (const auto& f : kFiles)
    EXPECT_EQ(Crc(ReadNativeFile(std::string(SFX_SOURCE_DIR) + "/tests/data/tools/" + f.name)), f.crc)
        << f.name;
  std::string zip = CorpusFile("zip/go/test.zip");
  for (const LocalEntryView& e : ReadLocalEntries(zip)) {
    if (e.method == 0) {
      EXPECT_EQ(Crc(zip.substr(e.dataAt, e.compressedSize)), e.crc) << e.name;
    }
  }
}

std::string ToolArchive(const std::string& name) {
  return ReadNativeFile(std::string(SFX_SOURCE_DIR) + "/tests/data/tools/" + name);
}

// Runs the header check as the walk does: the header in the second half of
// the block, each check decrypting it into the first half.
bool Check(const std::string& zip, const LocalEntryView& e, const char* password, uint8_t* block) {
  memcpy(block + 12, zip.data() + e.dataAt, 12);
  return CheckEncryptionHeader(block, 12, e.flags, e.crc, e.timeDate, password);
}

struct CryptRow {
  const char* archive;
  bool bit3;  // Info-ZIP streams the check byte from the time, 7-Zip from the CRC
};

class DecryptionTest : public IntegrityTest, public ::testing::WithParamInterface<CryptRow> {};

TEST_P(DecryptionTest, RightPasswordPassesAndDecryptsTheStoredData) {
  std::string zip = ToolArchive(GetParam().archive);
  std::vector<LocalEntryView> entries = ReadLocalEntries(zip);
  ASSERT_EQ(entries.size(), 2u);
  for (const LocalEntryView& e : entries) {
    EXPECT_EQ((e.flags & 8) != 0, GetParam().bit3) << e.name;
    uint8_t block[24];
    ASSERT_TRUE(Check(zip, e, "s3cret", block)) << e.name;
    std::string data = zip.substr(e.dataAt + 12, e.compressedSize - 12);
    DecryptBuffer(Engine.Keys, (uint8_t*)&data[0], (int32_t)data.size());
    if (e.method == 0) {
      EXPECT_EQ(data, ReadNativeFile(std::string(SFX_SOURCE_DIR) + "/tests/data/tools/" + e.name));
    }
  }
}

TEST_P(DecryptionTest, WrongThenRightPasswordOnTheUntouchedSecondHalf) {
  std::string zip = ToolArchive(GetParam().archive);
  LocalEntryView e = ReadLocalEntries(zip)[0];
  uint8_t block[24];
  int wrongPassed = 0;
  for (const char* wrong : {"secret", "S3cret", "s3cret ", "x"}) wrongPassed += Check(zip, e, wrong, block);
  EXPECT_LE(wrongPassed, 1);  // one byte of check: 1 in 256 wrong passwords passes
  // The retry runs on the same block: the first half was overwritten, the
  // second half still holds the header as read.
  EXPECT_TRUE(CheckEncryptionHeader(block, 12, e.flags, e.crc, e.timeDate, "s3cret"));
}

INSTANTIATE_TEST_SUITE_P(ToolArchives, DecryptionTest,
                         ::testing::Values(CryptRow{"infozip-crypt.zip", true},
                                           CryptRow{"infozip-store-crypt.zip", true},
                                           CryptRow{"7z-crypt.zip", false},
                                           CryptRow{"7z-store-crypt.zip", false}),
                         [](const auto& row) { return RowName(row.index, row.param.archive); });

TEST_F(IntegrityTest, EmptyPasswordFailsWithoutTouchingTheKeys) {
  Engine.Keys.key0 = 1;
  Engine.Keys.key1 = 2;
  Engine.Keys.key2 = 3;
  uint8_t block[24] = {};
  EXPECT_FALSE(CheckEncryptionHeader(block, 12, 0, 0, 0, ""));
  EXPECT_EQ(Engine.Keys.key0, 1u);
  EXPECT_EQ(Engine.Keys.key1, 2u);
  EXPECT_EQ(Engine.Keys.key2, 3u);
}

// Keys after the password, as an independent implementation (Python's
// zipfile) computes them; the empty password leaves the published initial keys.
TEST_F(IntegrityTest, KeysAfterThePasswordMatchAnIndependentImplementation) {
  const struct {
    const char* password;
    uint32_t k0, k1, k2;
  } kRows[] = {
      {"", 0x12345678u, 0x23456789u, 0x34567890u},
      {"a", 0x64799C96u, 0xB303049Cu, 0xA253270Au},
      {"open sesame", 0x9595E3A3u, 0xE08B23E7u, 0xDC75EC68u},
  };
  for (const auto& row : kRows) {
    InitKeys(Engine.Keys, row.password);
    EXPECT_EQ(Engine.Keys.key0, row.k0) << row.password;
    EXPECT_EQ(Engine.Keys.key1, row.k1) << row.password;
    EXPECT_EQ(Engine.Keys.key2, row.k2) << row.password;
  }
}

TEST_F(IntegrityTest, Bit3ComparesWithTheTimeNotTheCrc) {
  // A header whose check byte is the time's high byte (0x53) while the CRC's
  // high byte differs (0xAB): it passes only when bit 3 is set.
  ZipEntry e;
  e.name = "t";
  e.data = "payload";
  e.password = "pw";
  e.flags = 0x0008;
  e.crc = 0xAB000000;
  e.timeDate = 0x2A6453DD;
  std::string zip = BuildZip({e});
  LocalEntryView v = ReadLocalEntries(zip)[0];
  uint8_t block[24];
  EXPECT_TRUE(Check(zip, v, "pw", block));
  memcpy(block + 12, zip.data() + v.dataAt, 12);
  EXPECT_FALSE(CheckEncryptionHeader(block, 12, 0x0001, v.crc, v.timeDate, "pw"));
}

}  // namespace
