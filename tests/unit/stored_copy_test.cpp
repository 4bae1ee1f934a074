// The stored copy, output writes and file times.
#include <time.h>

#include "support/engine_fixture.h"
#include "integrity/zipcrypto.h"
#include "support/test_platform.h"

namespace {

class StoredCopyTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    test_platform::RecordIo(&io);
  }
  void TearDown() override {
    test_platform::RecordIo(nullptr);
    EngineTest::TearDown();
  }

  // Copies `stored` (an entry's data as it lies in the archive, cut off by the
  // end of the file) with `compressedSize` bytes declared; returns the output.
  std::string Copy(const std::string& stored, int32_t declared, uint16_t flags = 0) {
    OpenSfx(stored);
    SeekArchive(0, FILE_BEGIN);
    Engine.LocalHeader.flags = flags;
    Engine.BytesRemaining = declared;
    Engine.OutputFile = CreateFileA(temp.Win("out.bin").c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    Engine.RunningCrc = 0xFFFFFFFF;
    io.clear();
    CopyStored();
    CloseHandle(Engine.OutputFile);
    return temp.Read("out.bin");
  }

  std::vector<DWORD> Sizes(bool writes) const {
    std::vector<DWORD> s;
    for (const test_platform::Io& i : io)
      if (i.isWrite == writes) s.push_back(i.asked);
    return s;
  }

  std::vector<test_platform::Io> io;  // empty where the I/O is not observable
};

TEST_F(StoredCopyTest, EmptyEntryReadsAndWritesNothing) {
  EXPECT_EQ(Copy("trailing record bytes", 0), "");
  EXPECT_EQ(Engine.RunningCrc, 0xFFFFFFFFu);  // complements to 0, the CRC of nothing
  EXPECT_TRUE(io.empty());
}

TEST_F(StoredCopyTest, EncryptedEntryShorterThanItsHeaderCopiesNothing) {
  // 12 declared bytes less the 12-byte header, and 5 less it: 0 and -7.
  EXPECT_EQ(Copy("abcdefgh", 0, kFlagEncrypted), "");
  EXPECT_EQ(Copy("abcdefgh", 5 - 12, kFlagEncrypted), "");
  EXPECT_EQ(Engine.RunningCrc, 0xFFFFFFFFu);
  EXPECT_TRUE(io.empty());
}

TEST_F(StoredCopyTest, ChunksOfAtMost32768AndNothingPastTheEntry) {
  const struct {
    size_t size;
    std::vector<DWORD> reads;
  } kRows[] = {
      {1, {1}}, {32768, {32768}}, {32769, {32768, 1}}, {100000, {32768, 32768, 32768, 1696}}};
  for (const auto& row : kRows) {
    std::string data = Pattern(row.size);
    // The next record follows the data: it must not be read.
    EXPECT_EQ(Copy(data + "PK\x01\x02 next record", (int32_t)row.size), data) << row.size;
    EXPECT_EQ(Engine.RunningCrc ^ 0xFFFFFFFF, Crc32(data)) << row.size;
    EXPECT_EQ(Engine.BytesRemaining, 0);
    if (!test_platform::Observable()) continue;
    EXPECT_EQ(Sizes(false), row.reads) << row.size;
    EXPECT_EQ(Sizes(true), row.reads) << row.size;
  }
}

TEST_F(StoredCopyTest, ArchiveEndingInsideTheEntryEndsTheCopy) {
  std::string data = Pattern(40000);
  EXPECT_EQ(Copy(data, 50000), data);
  EXPECT_NE(Engine.RunningCrc ^ 0xFFFFFFFF, Crc32(Pattern(50000)));
  EXPECT_EQ(Engine.BytesRemaining, 10000);
}

TEST_F(StoredCopyTest, EncryptedDataIsDecryptedInPlace) {
  ZipEntry e;
  e.name = "s";
  e.data = Pattern(70000);
  e.password = "pw";
  std::string zip = BuildZip({e});
  LocalEntryView v = ReadLocalEntries(zip)[0];
  uint8_t block[24];
  memcpy(block + 12, zip.data() + v.dataAt, 12);
  ASSERT_TRUE(CheckEncryptionHeader(block, 12, v.flags, v.crc, v.timeDate, "pw"));
  std::string stored = zip.substr(v.dataAt + 12, v.compressedSize - 12);
  EXPECT_EQ(Copy(stored, (int32_t)stored.size(), kFlagEncrypted), e.data);
  EXPECT_EQ(Engine.RunningCrc ^ 0xFFFFFFFF, v.crc);
}

TEST_F(StoredCopyTest, FailedWriteLeavesTheCrcWrongButReadsToTheEnd) {
  SKIP_UNLESS_OBSERVABLE();
  std::string data = Pattern(100000);
  test_platform::LimitWrites(40000);
  std::string written = Copy(data, (int32_t)data.size());
  test_platform::LimitWrites(-1);
  EXPECT_EQ(written, data.substr(0, 40000));
  EXPECT_NE(Engine.RunningCrc ^ 0xFFFFFFFF, Crc32(data));
  EXPECT_EQ(Engine.BytesRemaining, 0);
  EXPECT_EQ(Sizes(false).size(), 4u);  // the copy goes on reading the entry
}

// Seconds east of UTC in force now, which is what Windows converts with.
int64_t CurrentUtcOffset() {
  time_t now = time(nullptr);
  struct tm utc = *gmtime(&now);
  utc.tm_isdst = -1;
  return (int64_t)difftime(now, mktime(&utc));
}

class FileTimeTest : public EngineTest {
 protected:
  int64_t Stamp(uint32_t timeDate, bool preset = false) {
    std::string path = temp.Win("stamped.txt");
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (preset) SetFileTimeFromDos(f, 0x2A6453DD);
    SetFileTimeFromDos(f, timeDate);
    CloseHandle(f);
    return LastWriteTime(path);
  }
};

TEST_F(FileTimeTest, DosTimeIsLocalTimeStoredAsUtc) {
  // 10:30:58 on 2001-03-04: time 0x53DD, date 0x2A64.
  const int64_t kAsUtc = 983701858;
  EXPECT_EQ(Stamp(0x2A6453DD), kAsUtc - CurrentUtcOffset());
  // 1980-01-01 00:00:00, the first DOS date.
  EXPECT_EQ(Stamp(0x00210000), 315532800 - CurrentUtcOffset());
}

TEST_F(FileTimeTest, ValuesThatDoNotConvertLeaveTheTimeAlone) {
  const int64_t kPreset = 983701858 - CurrentUtcOffset();
  EXPECT_EQ(Stamp(0x00000000, true), kPreset);               // date 0
  EXPECT_EQ(Stamp(((0x2A64u & ~0x1E0u) | 13u << 5) << 16, true), kPreset);  // month 13
  EXPECT_EQ(Stamp(0x2A640000 | 24u << 11, true), kPreset);   // hour 24
  EXPECT_EQ(Stamp(0x2A5E0000, true), kPreset);               // 2001-02-30
}

}  // namespace
