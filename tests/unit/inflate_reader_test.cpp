// The decoder's input: the reads it makes of the archive (chunk sizes,
// never past the entry), decryption of exactly the entry's bytes, and an
// archive that ends inside the entry.
#include <gtest/gtest.h>

#include <string>

#include "inflate/inflate_private.h"
#include "integrity/zipcrypto.h"
#include "support/inflate_harness.h"
#include "support/inflate_stream_writer.h"
#include "support/test_data.h"
#include "support/test_platform.h"

namespace {

// The read pattern is seen where the I/O is observable.
#define EXPECT_READS(outcome, ...)                                              \
  do {                                                                         \
    if (test_platform::Observable()) {                                         \
      EXPECT_EQ((outcome).Reads(), (std::vector<DWORD>{__VA_ARGS__}));          \
    }                                                                          \
  } while (0)

// A final fixed block of `count` literals 'a' and the end of block: 10 + 8
// * count bits, so count + 2 bytes, the end-of-block code in the last one.
std::string FixedStreamOfBytes(size_t bytes) {
  DeflateWriter w;
  w.Fixed(true).Literals(std::string(bytes - 2, 'a')).EndOfBlock();
  return w.Data();
}

// A final stored block of exactly `bytes` bytes of stream.
std::string StoredStreamOfBytes(size_t bytes) {
  DeflateWriter w;
  w.Stored(Pattern(bytes - 5), true);
  return w.Data();
}

class InflateReader : public ::testing::Test {
 protected:
  InflateHarness harness;
};

TEST_F(InflateReader, StreamsNeedingEveryByteAreReadInChunksOf32768) {
  struct Row {
    const char* name;
    std::string stream;
    std::vector<DWORD> reads;
  };
  const Row rows[] = {
      {"fixed, 32,768 bytes", FixedStreamOfBytes(32768), {32768}},
      {"fixed, 32,769 bytes", FixedStreamOfBytes(32769), {32768, 1}},
      {"fixed, 65,537 bytes", FixedStreamOfBytes(65537), {32768, 32768, 1}},
      {"stored, 32,768 bytes", StoredStreamOfBytes(32768), {32768}},
      {"stored, 32,769 bytes", StoredStreamOfBytes(32769), {32768, 1}},
      {"stored, 32,770 bytes", StoredStreamOfBytes(32770), {32768, 2}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    // The next record of the archive follows the entry in the file.
    std::string file = r.stream + "PK\x03\x04 the next record";
    InflateOutcome out = harness.Run(file, (int32_t)r.stream.size());
    EXPECT_EQ(out.result, kInflateOk);
    EXPECT_READS(out, r.reads);
    EXPECT_EQ(out.bytesRemaining, 0);
  }
}

TEST_F(InflateReader, AStreamEndingEarlyLeavesTheRestOfTheEntryUnread) {
  // The deflate data ends after 102 bytes; the entry declares 40,000.
  std::string stream = FixedStreamOfBytes(102);
  std::string file = stream + std::string(40000 - stream.size(), '\x55') + "next";
  InflateOutcome out = harness.Run(file, 40000);
  EXPECT_EQ(out.result, kInflateOk);
  EXPECT_EQ(out.output, std::string(100, 'a'));
  EXPECT_READS(out, 32768);
}

TEST_F(InflateReader, AnEmptyEntryIsNeverRead) {
  InflateOutcome out = harness.Run("PK\x03\x04 next record", 0);
  EXPECT_EQ(out.result, kInflateTruncated);
  EXPECT_EQ(out.output, "");
  EXPECT_READS(out);
}

TEST_F(InflateReader, AnArchiveEndingInsideTheEntryIsReadOnceMoreAndNoFurther) {
  std::string stream = StoredStreamOfBytes(1000);
  struct Row {
    const char* name;
    std::string file;  // the archive's bytes from the entry's start; it declares 1,000
    std::string output;
    std::vector<DWORD> reads;
  };
  const Row rows[] = {
      {"inside a stored block's data", stream.substr(0, 300), stream.substr(5, 295), {1000, 700}},
      // LEN takes two bytes past the end: the second is no read.
      {"before a stored block's LEN", stream.substr(0, 1), "", {1000, 999}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    InflateOutcome out = harness.Run(r.file, 1000);
    EXPECT_EQ(out.result, kInflateTruncated);
    EXPECT_EQ(out.output, r.output);
    if (!test_platform::Observable()) continue;
    EXPECT_READS(out, r.reads);
    ASSERT_GE(out.io.size(), 2u);
    EXPECT_EQ(out.io[0].done, r.file.size());
    EXPECT_EQ(out.io[1].done, 0u);
  }
}

TEST_F(InflateReader, EncryptedEntriesAreDecryptedOverExactlyTheirOwnBytes) {
  struct Row {
    const char* name;
    std::string stream;
    std::string output;
  };
  const Row rows[] = {
      {"short fixed stream", FixedStreamOfBytes(40), std::string(38, 'a')},
      {"stored, 32,769 bytes", StoredStreamOfBytes(32769), Pattern(32764)},
      {"fixed, 70,001 bytes", FixedStreamOfBytes(70001), std::string(69999, 'a')},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    uint32_t crc = Crc32(r.output);
    std::string entry = EncryptEntry(r.stream, "s3cret-Zip", crc);
    // The keys after the whole entry, header included, as a reference.
    InitKeys(Engine.Keys, "s3cret-Zip");
    std::string copy = entry;
    DecryptBuffer(Engine.Keys, (uint8_t*)&copy[0], (int32_t)copy.size());
    uint32_t keys[3] = {Engine.Keys.key0, Engine.Keys.key1, Engine.Keys.key2};
    InflateOutcome out = harness.Run(entry + "next record", (int32_t)entry.size(), "s3cret-Zip");
    EXPECT_EQ(out.result, kInflateOk);
    EXPECT_TRUE(out.output == r.output);
    EXPECT_EQ(out.crc, crc);
    EXPECT_EQ(Engine.Keys.key0, keys[0]);
    EXPECT_EQ(Engine.Keys.key1, keys[1]);
    EXPECT_EQ(Engine.Keys.key2, keys[2]);
    size_t data = r.stream.size();
    std::vector<DWORD> reads;
    for (; data > 32768; data -= 32768) reads.push_back(32768);
    reads.push_back((DWORD)data);
    EXPECT_READS(out, reads);
  }
}

TEST_F(InflateReader, AnEncryptedEntryOfOnlyItsHeaderIsNeverRead) {
  std::string entry = EncryptEntry("", "pw", 0);
  InflateOutcome out = harness.Run(entry + "next", 12, "pw");
  EXPECT_EQ(out.result, kInflateTruncated);
  EXPECT_READS(out);
}

TEST_F(InflateReader, AnEncryptedEntryShorterThanItsHeaderIsNeverRead) {
  std::string entry = EncryptEntry("", "pw", 0);
  InflateOutcome out = harness.Run(entry + "next", 8, "pw");
  EXPECT_EQ(out.result, kInflateTruncated);
  EXPECT_READS(out);
}

// The careful path hands over to the fast loop and back at every chunk end
// and window end: streams shifted by 0-40 bytes put every code at each seam.
TEST_F(InflateReader, CodesAtEveryOffsetAcrossChunkSeamsDecode) {
  std::string tail = Pattern(3000);
  for (size_t shift = 0; shift <= 40; ++shift) {
    SCOPED_TRACE(shift);
    DeflateWriter w;
    std::string expected(32760 + shift, 'z');
    w.Fixed(false).Literals(expected).EndOfBlock();
    w.Fixed(true);
    for (size_t i = 0; i < tail.size(); i += 7) {
      w.Literals(tail.substr(i, 4)).Match(3 + (uint32_t)(i % 250), 4 + (uint32_t)(i % 30000));
      expected += tail.substr(i, 4);
      uint32_t length = 3 + (uint32_t)(i % 250), distance = 4 + (uint32_t)(i % 30000);
      for (uint32_t k = 0; k < length; ++k) expected += expected[expected.size() - distance];
    }
    w.EndOfBlock();
    InflateOutcome out = harness.Run(w.Data());
    ASSERT_EQ(out.result, kInflateOk);
    ASSERT_TRUE(out.output == expected);
  }
}

}  // namespace
