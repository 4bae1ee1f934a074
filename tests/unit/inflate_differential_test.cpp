// Streams written by real compressors decode to their input, and every
// stream zlib accepts decodes to zlib's output.  Host only: zlib, libdeflate
// and 7z are not part of the Windows test build.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "inflate/inflate_private.h"
#include "support/inflate_harness.h"
#include "support/inflate_oracle.h"

namespace {

const Corpus kCorpora[] = {Corpus::kText, Corpus::kBinary, Corpus::kRandom, Corpus::kRuns,
                           Corpus::kWindowRepeat};
// Long enough for several window flushes, wraps and 32 KB input chunks.
const size_t kCorpusSize = 150000;

void ExpectDecodes(InflateHarness& harness, const std::string& stream, const std::string& data) {
  InflateOutcome out = harness.Run(stream);
  ASSERT_EQ(out.result, kInflateOk);
  ASSERT_EQ(out.output.size(), data.size());
  EXPECT_TRUE(out.output == data);
  EXPECT_EQ(out.crc, (uint32_t)crc32(0, (const Bytef*)data.data(), (uInt)data.size()));
}

TEST(InflateDifferential, ZlibStreamsOfEveryLevelAndStrategyDecode) {
  const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
  InflateHarness harness;
  for (Corpus corpus : kCorpora) {
    std::string data = MakeCorpus(corpus, kCorpusSize);
    for (int strategy : strategies) {
      for (int level = 0; level <= 9; ++level) {
        SCOPED_TRACE(std::string(CorpusName(corpus)) + " strategy " + std::to_string(strategy) +
                     " level " + std::to_string(level));
        ExpectDecodes(harness, ZlibDeflateRaw(data, level, strategy), data);
      }
    }
    // The smallest memory level makes many short blocks.
    SCOPED_TRACE(std::string(CorpusName(corpus)) + " memLevel 1");
    ExpectDecodes(harness, ZlibDeflateRaw(data, 9, Z_DEFAULT_STRATEGY, 1), data);
  }
}

TEST(InflateDifferential, LibdeflateStreamsOfEveryLevelDecode) {
  InflateHarness harness;
  for (Corpus corpus : kCorpora) {
    std::string data = MakeCorpus(corpus, kCorpusSize, 7);
    for (int level = 0; level <= 12; ++level) {
      SCOPED_TRACE(std::string(CorpusName(corpus)) + " level " + std::to_string(level));
      ExpectDecodes(harness, LibdeflateCompress(data, level), data);
    }
  }
}

TEST(InflateDifferential, SmallInputsOfEverySizeUpTo300Decode) {
  InflateHarness harness;
  std::string text = MakeCorpus(Corpus::kText, 300, 3);
  for (size_t n = 0; n <= text.size(); ++n) {
    SCOPED_TRACE(n);
    std::string data = text.substr(0, n);
    ExpectDecodes(harness, ZlibDeflateRaw(data, 6, Z_DEFAULT_STRATEGY), data);
    ExpectDecodes(harness, LibdeflateCompress(data, 12), data);
  }
}

// The raw deflate data of a ZIP archive's first entry (local header walk).
std::string FirstEntryData(const std::string& zip, uint32_t& size, uint32_t& method) {
  const unsigned char* p = (const unsigned char*)zip.data();
  auto u16 = [&](size_t o) { return (uint32_t)(p[o] | p[o + 1] << 8); };
  auto u32 = [&](size_t o) { return u16(o) | u16(o + 2) << 16; };
  size = u32(22);
  method = u16(8);
  size_t start = 30 + u16(26) + u16(28);
  return zip.substr(start, u32(18));
}

TEST(InflateDifferential, SevenZipStreamsDecode) {
  if (std::system("command -v 7z >/dev/null 2>&1") != 0) GTEST_SKIP() << "7z not installed";
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("inflate-7z-" + std::to_string(getpid()));
  fs::create_directories(dir);
  InflateHarness harness;
  int deflated = 0;
  for (Corpus corpus : kCorpora) {
    for (const char* mx : {"-mx1", "-mx5", "-mx9"}) {
      SCOPED_TRACE(std::string(CorpusName(corpus)) + " " + mx);
      std::string data = MakeCorpus(corpus, kCorpusSize, 11);
      fs::path input = dir / "data.bin", zip = dir / "data.zip";
      std::ofstream(input, std::ios::binary).write(data.data(), (std::streamsize)data.size());
      fs::remove(zip);
      std::string cmd = "cd '" + dir.string() + "' && 7z a -tzip -mm=Deflate " + mx +
                        " data.zip data.bin >/dev/null 2>&1";
      ASSERT_EQ(std::system(cmd.c_str()), 0);
      std::ifstream f(zip, std::ios::binary);
      std::stringstream s;
      s << f.rdbuf();
      uint32_t size, method;
      std::string stream = FirstEntryData(s.str(), size, method);
      ASSERT_EQ(size, data.size());
      if (method != 8) continue;  // 7z stores what it cannot shrink
      ++deflated;
      ExpectDecodes(harness, stream, data);
    }
  }
  fs::remove_all(dir);
  EXPECT_GE(deflated, 12);
}

// Damaged streams: wherever zlib still reaches the end of the final block,
// the output is zlib's; elsewhere any fault is fine, but never a crash.
TEST(InflateDifferential, DamagedStreamsAgreeWithZlibWhereverItAccepts) {
  InflateHarness harness;
  std::string data = MakeCorpus(Corpus::kText, 5000, 5);
  std::string streams[] = {ZlibDeflateRaw(data, 9, Z_DEFAULT_STRATEGY),
                           ZlibDeflateRaw(data, 1, Z_FIXED), LibdeflateCompress(data, 12)};
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  int accepted = 0;
  for (const std::string& original : streams) {
    for (int trial = 0; trial < 300; ++trial) {
      std::string s = original;
      int flips = 1 + (int)(next() % 3);
      for (int i = 0; i < flips; ++i) s[next() % s.size()] ^= (char)(1 << (next() % 8));
      if (trial % 5 == 0) s.resize(next() % s.size());
      std::string expected;
      InflateOutcome out = harness.Run(s);
      if (ZlibInflateRaw(s, expected, 1 << 20)) {
        ++accepted;
        ASSERT_EQ(out.result, kInflateOk) << "trial " << trial;
        ASSERT_TRUE(out.output == expected) << "trial " << trial;
      }
    }
  }
  EXPECT_GT(accepted, 0);
}

}  // namespace
#endif
