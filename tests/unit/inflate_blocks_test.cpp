// Block decoding through InflateEntry: window boundaries, block sequences,
// declared code counts, and each kind of damaged block.
#include <gtest/gtest.h>

#include <string>

#include "inflate/inflate_private.h"
#include "support/inflate_harness.h"
#include "support/inflate_stream_writer.h"
#include "support/test_data.h"
#include "support/test_platform.h"

namespace {

// Appends `length` bytes copied from `distance` back, byte by byte.
void ApplyMatch(std::string& out, uint32_t length, uint32_t distance) {
  for (uint32_t i = 0; i < length; ++i) out += out[out.size() - distance];
}

class InflateBlocks : public ::testing::Test {
 protected:
  // The write sizes are seen where the I/O is observable.
  void ExpectWrites(const InflateOutcome& out, std::vector<DWORD> sizes) {
    if (test_platform::Observable()) {
      EXPECT_EQ(out.Writes(), sizes);
    }
  }
  InflateHarness harness;
};

TEST_F(InflateBlocks, OutputSizesAroundTheWindowGiveExactWrites) {
  struct Row {
    size_t size;
    std::vector<DWORD> writes;
  };
  const Row rows[] = {{0, {}},
                      {1, {1}},
                      {32767, {32767}},
                      {32768, {32768}},
                      {32769, {32768, 1}},
                      {65536, {32768, 32768}},
                      {70000, {32768, 32768, 4464}}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.size);
    std::string data = Pattern(r.size);
    // Literals through the fixed code, so every byte passes the window.
    DeflateWriter w;
    w.Fixed(true).Literals(data).EndOfBlock();
    InflateOutcome out = harness.Run(w.Data());
    EXPECT_EQ(out.result, kInflateOk);
    EXPECT_TRUE(out.output == data);
    EXPECT_EQ(out.crc, Crc32(data));
    ExpectWrites(out, r.writes);
  }
}

TEST_F(InflateBlocks, MatchesCrossingTheWindowEndAreCopiedInPieces) {
  struct Row {
    size_t before;  // literals before the match
    uint32_t length, distance;
  };
  const Row rows[] = {
      {32700, 258, 100},    // destination crosses the end
      {32767, 258, 1},      // distance 1 across the end
      {32760, 258, 5},      // short distance across the end
      {32768, 258, 32768},  // source is the destination's own slot
      {40000, 258, 32768},  // after a wrap, source crosses the end
      {33000, 258, 500},    // source crosses the end, destination does not
      {33000, 200, 32000},  // source in the window's tail
      {65535, 258, 32767},  // both cross
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.before) + " " + std::to_string(r.distance));
    std::string expected = Pattern(r.before, 3);
    DeflateWriter w;
    w.Fixed(true).Literals(expected).Match(r.length, r.distance).Literals("end").EndOfBlock();
    ApplyMatch(expected, r.length, r.distance);
    expected += "end";
    InflateOutcome out = harness.Run(w.Data());
    EXPECT_EQ(out.result, kInflateOk);
    ASSERT_EQ(out.output.size(), expected.size());
    EXPECT_TRUE(out.output == expected);
  }
}

TEST_F(InflateBlocks, MatchesOfEveryShortDistanceAndLengthRepeatTheirSource) {
  std::string expected = Pattern(300, 9);
  DeflateWriter w;
  w.Fixed(true).Literals(expected);
  for (uint32_t distance = 1; distance <= 20; ++distance) {
    for (uint32_t length : {3u, 4u, 7u, 8u, 9u, 15u, 16u, 17u, 31u, 64u, 258u}) {
      w.Match(length, distance);
      ApplyMatch(expected, length, distance);
    }
  }
  w.EndOfBlock();
  InflateOutcome out = harness.Run(w.Data());
  EXPECT_EQ(out.result, kInflateOk);
  EXPECT_TRUE(out.output == expected);
}

TEST_F(InflateBlocks, DistanceOneWithLength258RepeatsTheLastByte) {
  DeflateWriter w;
  w.Fixed(true).Literal('q').Match(258, 1).EndOfBlock();
  InflateOutcome out = harness.Run(w.Data());
  EXPECT_EQ(out.result, kInflateOk);
  EXPECT_EQ(out.output, std::string(259, 'q'));
}

TEST_F(InflateBlocks, BlockSequencesDecodeInOrder) {
  // Complete: 226 codes of 8 bits and 60 of 9.
  std::vector<uint8_t> lit(286, 9), dist(30, 5);
  for (int i = 0; i < 226; ++i) lit[i] = 8;
  std::string a = "first block ", b = Pattern(1000), c = "after stored";
  struct Row {
    const char* name;
    std::string stream, expected;
  };
  DeflateWriter twoFixed, storedAfterFixed, storedAfterDynamic, emptyStored, mixed;
  twoFixed.Fixed(false).Literals(a).EndOfBlock().Fixed(true).Literals(c).Match(5, 3).EndOfBlock();
  storedAfterFixed.Fixed(false).Literals(a).EndOfBlock().Stored(b, false).Fixed(true).Literals(c).EndOfBlock();
  storedAfterDynamic.Dynamic(false, lit, dist).Literals(a).EndOfBlock().Stored(b, true);
  emptyStored.Stored("", false).Stored("", false).Fixed(true).Literals(a).EndOfBlock();
  mixed.Stored(b, false).Dynamic(false, lit, dist).Match(258, 1000).EndOfBlock().Fixed(true)
      .Match(10, 1258).EndOfBlock();
  std::string mixedExpected = b;
  ApplyMatch(mixedExpected, 258, 1000);
  ApplyMatch(mixedExpected, 10, 1258);
  const Row rows[] = {
      {"two fixed blocks", twoFixed.Data(), a + c + c.substr(c.size() - 3) + c.substr(c.size() - 3, 2)},
      {"stored after fixed", storedAfterFixed.Data(), a + b + c},
      {"stored after dynamic", storedAfterDynamic.Data(), a + b},
      {"empty stored blocks", emptyStored.Data(), a},
      {"matches reach into earlier blocks", mixed.Data(), mixedExpected},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    InflateOutcome out = harness.Run(r.stream);
    EXPECT_EQ(out.result, kInflateOk);
    EXPECT_TRUE(out.output == r.expected);
  }
}

// A dynamic block declaring every code the header can: 288 literal/length
// and 32 distance lengths, all 9 and 5 bits long.
DeflateWriter& FullyDeclared(DeflateWriter& w) {
  std::vector<uint8_t> lit(288, 9), dist(32, 5);
  // 288 codes of 9 bits over-fill nothing: 288 < 512; make the set complete
  // with 224 codes of 8 bits and 64 of 9 (224/256 + 64/512 = 1).
  for (int i = 0; i < 224; ++i) lit[i] = 8;
  return w.Dynamic(true, lit, dist);
}

TEST_F(InflateBlocks, FullyDeclaredCodesDecodeUntilAnInvalidSymbolOccurs) {
  struct Row {
    const char* name;
    int symbol, distanceSymbol;
    int result;
    size_t padding;  // literals behind: 60 give more input than a fast pass needs
  };
  const Row rows[] = {
      {"valid symbols only", -1, -1, kInflateOk, 0},
      {"literal/length symbol 286", 286, -1, kInflateInvalidLiteral, 0},
      {"literal/length symbol 287", 287, -1, kInflateInvalidLiteral, 0},
      {"distance code 30", -1, 30, kInflateInvalidDistance, 0},
      {"distance code 31", -1, 31, kInflateInvalidDistance, 0},
      {"literal/length symbol 286 inside the fast loop's range", 286, -1, kInflateInvalidLiteral, 60},
      {"distance code 31 inside the fast loop's range", -1, 31, kInflateInvalidDistance, 60},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    DeflateWriter w;
    FullyDeclared(w).Literals("abcdef").Match(4, 6);
    if (r.symbol >= 0) w.Symbol((uint32_t)r.symbol);
    if (r.distanceSymbol >= 0) w.Symbol(257).DistanceSymbol((uint32_t)r.distanceSymbol);
    w.Literals(std::string(r.padding, 'p')).EndOfBlock();
    InflateOutcome out = harness.Run(w.Data());
    EXPECT_EQ(out.result, r.result);
    EXPECT_EQ(out.output, "abcdefabcd");  // bytes before the fault are written
  }
}

// Code-length symbols written one by one through a complete code-length
// code: symbols 0-12 with 4 bits, 13-18 with 5.
TEST_F(InflateBlocks, CodeLengthRepeatsFillTheLengthsOrFailTheBlock) {
  std::vector<uint8_t> cl(19, 5);
  for (int i = 0; i < 13; ++i) cl[i] = 4;
  // 'a' (97) 2 bits, 'b'-'e' (98-101) 3 bits, end of block 2 bits.
  std::vector<uint8_t> lit(257, 0);
  lit[97] = 2;
  for (int v = 98; v <= 101; ++v) lit[v] = 3;
  lit[256] = 2;
  struct Row {
    const char* name;
    uint32_t hlit, hdist;
    std::vector<std::pair<int, int>> symbols;
    std::vector<uint8_t> lit, dist;
    std::string body;  // literals, then a match of 3 at distance 1 if it ends in '+'
    int result;
    std::string output;
  };
  // 18 with value v: 11 + v zeros; 17: 3 + v zeros; 16: previous 3 + v times.
  const Row rows[] = {
      {"repeat of the previous length",
       257, 1,
       {{18, 86}, {2, 0}, {3, 0}, {16, 0}, {18, 127}, {18, 5}, {2, 0}, {0, 0}},
       lit, {0}, "abcde", kInflateOk, "abcde"},
      {"symbol 16 first repeats length 0",
       257, 1,
       {{16, 3}, {18, 80}, {2, 0}, {3, 0}, {16, 0}, {18, 127}, {18, 5}, {2, 0}, {0, 0}},
       lit, {0}, "eabd", kInflateOk, "eabd"},
      {"a repeat running from literal/length into distance lengths",
       259, 1,
       {{18, 86}, {2, 0}, {18, 127}, {18, 9}, {2, 0}, {16, 0}},
       [] {
         std::vector<uint8_t> l(259, 0);
         l[97] = l[256] = l[257] = l[258] = 2;
         return l;
       }(),
       {2}, "a+", kInflateOk, "aaaa"},
      {"a repeat past the declared lengths",
       257, 1,
       {{18, 86}, {2, 0}, {3, 0}, {16, 0}, {18, 127}, {18, 5}, {2, 0}, {17, 1}},
       lit, {0}, "", kInflateBadRepeat, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    DeflateWriter w;
    w.DynamicSpelled(true, r.hlit, r.hdist, cl, r.symbols, r.lit, r.dist);
    if (r.result == kInflateOk) {
      for (char c : r.body) {
        if (c == '+') {
          w.Match(3, 1);
        } else {
          w.Literal((uint8_t)c);
        }
      }
      w.EndOfBlock();
    }
    InflateOutcome out = harness.Run(w.Data());
    EXPECT_EQ(out.result, r.result);
    EXPECT_EQ(out.output, r.output);
  }
}

TEST_F(InflateBlocks, DistanceCodeSetsOfOneOrNoCodes) {
  std::vector<uint8_t> lit(258, 0);
  lit['a'] = lit['b'] = lit[256] = lit[257] = 2;  // 257: length 3
  struct Row {
    const char* name;
    std::vector<uint8_t> dist;
    bool match;
    int result;
    std::string output;
  };
  const Row rows[] = {
      {"one 1-bit distance code", {0, 0, 0, 1}, true, kInflateOk, "abababa"},
      {"no distance code, literals only", {0}, false, kInflateOk, "abab"},
      {"no distance code, a length code", {0}, true, kInflateInvalidDistance, "abab"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    DeflateWriter w;
    w.Dynamic(true, lit, r.dist).Literals("abab");
    if (r.match && r.result == kInflateOk) w.Match(3, 4);
    if (r.match && r.result != kInflateOk) w.Symbol(257).Bits(0, 8);
    w.EndOfBlock();
    InflateOutcome out = harness.Run(w.Data());
    EXPECT_EQ(out.result, r.result);
    EXPECT_EQ(out.output, r.output);
  }
}

TEST_F(InflateBlocks, DamagedBlocksFailWithTheirOwnFault) {
  struct Row {
    const char* name;
    std::string stream;
    int result;
    std::string output;  // what was written before the fault
  };
  DeflateWriter type3, badNlen, tooFar, tooFarAfterOutput, tooFarInFastLoop, lastNotFinal,
      truncatedFixed, truncatedStored;
  type3.Fixed(false).Literals("ok").EndOfBlock().Header(true, 3).Bits(0, 13);
  badNlen.Header(true, 0).AlignToByte().Bits(4, 16).Bits(0xFFFA, 16).Bytes("abcd");
  tooFar.Fixed(true).Match(3, 1).EndOfBlock();
  tooFarAfterOutput.Fixed(true).Literals("0123456789").Match(5, 11).EndOfBlock();
  // 60 literals behind the match: more input than a fast pass needs.
  tooFarInFastLoop.Fixed(true).Literals(Pattern(40)).Match(3, 1000).Literals(Pattern(60)).EndOfBlock();
  lastNotFinal.Fixed(false).Literals("data").EndOfBlock();
  truncatedFixed.Fixed(false);
  truncatedStored.Header(true, 0).AlignToByte().Bits(100, 16).Bits(~100u & 0xFFFF, 16).Bytes("0123456789");
  const Row rows[] = {
      {"block type 3", type3.Data(), kInflateBadBlockType, "ok"},
      {"NLEN not the complement of LEN", badNlen.Data(), kInflateStoredLengthMismatch, ""},
      {"distance before the first byte", tooFar.Data(), kInflateDistanceTooFar, ""},
      {"distance one past the first byte", tooFarAfterOutput.Data(), kInflateDistanceTooFar,
       "0123456789"},
      {"distance too far inside the fast loop's range", tooFarInFastLoop.Data(),
       kInflateDistanceTooFar, Pattern(40)},
      {"last block not marked final", lastNotFinal.Data(), kInflateTruncated, "data"},
      {"fixed block without data (1 bits would decode as literals)", truncatedFixed.Data(),
       kInflateTruncated, ""},
      {"stored block cut short", truncatedStored.Data(), kInflateTruncated, "0123456789"},
      {"empty entry", "", kInflateTruncated, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    InflateOutcome out = harness.Run(r.stream);
    EXPECT_EQ(out.result, r.result);
    EXPECT_EQ(out.output, r.output);
  }
}

// Code-length symbols 0-15 in 4 bits each (the code of s is s), 16-18 unused.
std::vector<uint8_t> PlainCodeLengthCode() {
  std::vector<uint8_t> lengths(19, 4);
  lengths[16] = lengths[17] = lengths[18] = 0;
  return lengths;
}

TEST_F(InflateBlocks, DamagedDynamicCodeSetsFailTheBlock) {
  struct Row {
    const char* name;
    std::vector<uint8_t> lit, dist;
    int result;
    std::vector<uint8_t> codeLengthCode = PlainCodeLengthCode();
  };
  std::vector<uint8_t> complete(257, 0);
  complete['x'] = 1;
  complete[256] = 1;
  std::vector<uint8_t> incomplete = complete;
  incomplete['x'] = 2;
  std::vector<uint8_t> oversubscribed = complete;
  oversubscribed['y'] = 1;
  std::vector<uint8_t> noEnd(257, 0);
  noEnd['x'] = 1;
  noEnd['y'] = 1;
  const Row rows[] = {
      {"incomplete literal/length set", incomplete, {1}, kInflateBadLiteralCode},
      {"over-subscribed literal/length set", oversubscribed, {1}, kInflateBadLiteralCode},
      {"no end-of-block code", noEnd, {1}, kInflateBadLiteralCode},
      {"empty literal/length set", std::vector<uint8_t>(257, 0), {1}, kInflateBadLiteralCode},
      {"over-subscribed distance set", complete, {1, 1, 1}, kInflateBadDistanceCode},
      {"incomplete distance set is legal", complete, {1, 2}, kInflateOk},
      // Length 0 in 1 bit, length 1 in 2, pattern 11 unused: the lengths it
      // sends make a complete code.
      {"incomplete code-length code", complete, {1}, kInflateBadCodeLengthCode,
       {1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    DeflateWriter w;
    w.Header(true, 2).Bits((uint32_t)r.lit.size() - 257, 5).Bits((uint32_t)r.dist.size() - 1, 5);
    w.Bits(19 - 4, 4);
    static const uint8_t order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    for (int i = 0; i < 19; ++i) w.Bits(r.codeLengthCode[order[i]], 3);
    std::vector<uint32_t> codes = CanonicalCodes(r.codeLengthCode);
    for (uint8_t l : r.lit) w.Code(codes[l], r.codeLengthCode[l]);
    for (uint8_t l : r.dist) w.Code(codes[l], r.codeLengthCode[l]);
    w.Code(0, 1).Code(1, 1);  // 'x', end of block
    InflateOutcome out = harness.Run(w.Data());
    EXPECT_EQ(out.result, r.result);
    if (r.result == kInflateOk) {
      EXPECT_EQ(out.output, "x");
    }
  }
}

// The window is taken fresh from the heap for every entry and never
// cleared: a match reaching before the entry's first byte must not copy what
// an earlier entry left in that memory.
TEST_F(InflateBlocks, NoMatchReachesIntoAnEarlierEntrysBytes) {
  std::string secret = Pattern(40000, 77);
  DeflateWriter first;
  first.Stored(secret, true);
  ASSERT_EQ(harness.Run(first.Data()).result, kInflateOk);
  DeflateWriter second;
  second.Fixed(true).Literals("0123456789").Match(258, 5000).EndOfBlock();
  InflateOutcome out = harness.Run(second.Data());
  EXPECT_EQ(out.result, kInflateDistanceTooFar);
  EXPECT_EQ(out.output, "0123456789");
}

// A write that falls short (a full disk) leaves the CRC over the bytes
// written, so the entry fails its check instead of passing truncated.
TEST_F(InflateBlocks, AShortWriteLeavesTheCrcOfWhatWasWritten) {
  SKIP_UNLESS_OBSERVABLE();
  std::string data = Pattern(50000);
  DeflateWriter w;
  w.Stored(data, true);
  test_platform::LimitWrites(40000);
  InflateOutcome out = harness.Run(w.Data());
  test_platform::LimitWrites(-1);
  EXPECT_EQ(out.result, kInflateOk);
  EXPECT_EQ(out.output, data.substr(0, 40000));
  EXPECT_NE(out.crc, Crc32(data));
  EXPECT_EQ(out.crc, Crc32(data.substr(0, 32768) + data.substr(32768, 40000 - 32768)));
}

}  // namespace
