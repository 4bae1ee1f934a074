// Streams written by real compressors decode to their input, and damaged
// streams are accepted by our decoder and by zlib alike, with the same bytes.
// Host only: zlib, libdeflate and 7z are not part of the Windows test build.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "inflate/inflate_private.h"
#include "support/inflate_harness.h"
#include "support/inflate_oracle.h"
#include "support/inflate_stream_writer.h"

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

// Damaged streams: our decoder and zlib agree both ways.
TEST(InflateDifferential, DamagedStreamsAgreeWithZlibBothWays) {
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
      InflateOutcome out = harness.Run(s);
      accepted += out.result == kInflateOk;
      ASSERT_EQ(ZlibDisagreement(s, out, 1 << 20), "") << "trial " << trial;
    }
  }
  EXPECT_GT(accepted, 0);
}

// Each kind of damage met where the fast loop runs: a block of 1,000
// literals before it, 100 bytes of stream after it, so the decoder reaches
// it with room for a whole pass in its input and in its window.
TEST(InflateDifferential, DamageInsideTheFastLoopAgreesWithZlibBothWays) {
  // 'x' in 1 bit, the end of block and length 3 in 2; distance 1 in 1 bit,
  // distance 2 in 2, pattern 11 unused.
  std::vector<uint8_t> lit(258, 0), dist = {1, 2};
  lit['x'] = 1;
  lit[256] = lit[257] = 2;
  auto withLit = [&](std::vector<std::pair<int, uint8_t>> set) {
    std::vector<uint8_t> l(257, 0);
    for (auto [symbol, length] : set) l[symbol] = length;
    return l;
  };
  std::vector<uint8_t> incompleteCodeLengths(19, 0), oversubscribedCodeLengths(19, 1);
  incompleteCodeLengths[0] = 1;
  incompleteCodeLengths[1] = 2;
  struct Row {
    const char* name;
    std::function<void(DeflateWriter&)> block;  // the block holding the damage
    int result;
  };
  const Row rows[] = {
      {"distance one before the first byte", [](DeflateWriter& w) { w.Fixed(true).Match(3, 1001); },
       kInflateDistanceTooFar},
      {"distance far before the first byte",
       [](DeflateWriter& w) { w.Fixed(true).Literals("ab").Match(258, 20000); }, kInflateDistanceTooFar},
      {"length code 286", [](DeflateWriter& w) { w.Fixed(true).Symbol(286); }, kInflateInvalidLiteral},
      {"length code 287", [](DeflateWriter& w) { w.Fixed(true).Symbol(287); }, kInflateInvalidLiteral},
      {"distance code 30", [](DeflateWriter& w) { w.Fixed(true).Symbol(257).Code(30, 5); },
       kInflateInvalidDistance},
      {"distance code 31", [](DeflateWriter& w) { w.Fixed(true).Symbol(257).Code(31, 5); },
       kInflateInvalidDistance},
      {"the unused pattern of a one-code literal/length set",
       [&](DeflateWriter& w) { w.Dynamic(true, withLit({{256, 1}}), {0}).Code(1, 1); },
       kInflateInvalidLiteral},
      {"the unused pattern of a one-code distance set",
       [&](DeflateWriter& w) { w.Dynamic(true, lit, {0, 1}).Literal('x').Symbol(257).Code(1, 1); },
       kInflateInvalidDistance},
      {"the unused pattern of an incomplete distance set",
       [&](DeflateWriter& w) { w.Dynamic(true, lit, dist).Literal('x').Symbol(257).Code(3, 2); },
       kInflateInvalidDistance},
      {"an incomplete distance set sending only its codes",
       [&](DeflateWriter& w) { w.Dynamic(true, lit, dist).Literal('x').Match(3, 1).EndOfBlock(); },
       kInflateOk},
      {"an incomplete literal/length set",
       [&](DeflateWriter& w) { w.Dynamic(true, withLit({{'x', 1}, {256, 2}}), {1}); },
       kInflateBadLiteralCode},
      {"an over-subscribed literal/length set",
       [&](DeflateWriter& w) { w.Dynamic(true, withLit({{'x', 1}, {'y', 1}, {256, 1}}), {1}); },
       kInflateBadLiteralCode},
      {"an over-subscribed distance set",
       [&](DeflateWriter& w) { w.Dynamic(true, lit, {1, 1, 1}); }, kInflateBadDistanceCode},
      {"an incomplete code-length code",
       [&](DeflateWriter& w) { w.DynamicSpelled(true, 257, 1, incompleteCodeLengths, {}, {}, {}); },
       kInflateBadCodeLengthCode},
      {"an over-subscribed code-length code",
       [&](DeflateWriter& w) { w.DynamicSpelled(true, 257, 1, oversubscribedCodeLengths, {}, {}, {}); },
       kInflateBadCodeLengthCode},
  };
  const std::string history = MakeCorpus(Corpus::kText, 1000, 9), after = MakeCorpus(Corpus::kRandom, 100, 9);
  InflateHarness harness;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    DeflateWriter w;
    w.Fixed(false).Literals(history).EndOfBlock();
    r.block(w);
    std::string stream = w.Bytes(after).Data();
    InflateOutcome out = harness.Run(stream);
    EXPECT_EQ(out.result, r.result);
    EXPECT_EQ(ZlibDisagreement(stream, out, 1 << 20), "");
  }
}

// A Huffman block ending at each of the entry's last 45 bytes, inside the
// margin where the fast loop hands over: the final block followed by 0-40
// other bytes or cut short there, a block followed by a final stored block of
// 0-40 bytes.
TEST(InflateDifferential, BlocksEndingInsideTheFastLoopsMarginAgreeWithZlib) {
  const std::string history = MakeCorpus(Corpus::kText, 1000, 8);
  DeflateWriter huffman;
  huffman.Fixed(true).Literals(history).Match(258, 1000).EndOfBlock();
  const std::string whole = huffman.Data();
  InflateHarness harness;
  for (size_t k = 0; k <= 40; ++k) {
    SCOPED_TRACE(k);
    DeflateWriter twoBlocks;
    twoBlocks.Fixed(false).Literals(history).Match(258, 1000).EndOfBlock().Stored(std::string(k, 's'), true);
    const std::pair<std::string, int> rows[] = {{whole + std::string(k, '\xA5'), kInflateOk},
                                                {twoBlocks.Data(), kInflateOk},
                                                {whole.substr(0, whole.size() - 1 - k), kInflateTruncated}};
    for (const auto& [stream, result] : rows) {
      InflateOutcome out = harness.Run(stream);
      EXPECT_EQ(out.result, result);
      EXPECT_EQ(ZlibDisagreement(stream, out, 1 << 20), "");
    }
  }
}

}  // namespace
#endif
