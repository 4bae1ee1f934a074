// The Huffman table builder, called directly: result, root width, table
// shapes, and that every code decodes to its own symbol with its own length.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "common/heap.h"
#include "inflate/inflate_private.h"
#include "support/inflate_stream_writer.h"

namespace {

struct Built {
  int result;
  HuffmanEntry* root = nullptr;
  HuffmanEntry* list = nullptr;
  int32_t width;
};

class InflateTables : public ::testing::Test {
 protected:
  void SetUp() override { BuildDeflateTables(); }
  void TearDown() override {
    for (Built& b : built_) FreeHuffmanTables(b.list);
    huffmanTableMemory = TakeMemory;
  }

  // Builds with the literal/length value lists when s is 257, the distance
  // lists when s is 0, none otherwise.
  Built& Build(const std::vector<uint8_t>& lengths8, uint32_t s, int32_t width) {
    std::vector<uint16_t> lengths(lengths8.begin(), lengths8.end());
    built_.push_back({});
    Built& b = built_.back();
    b.width = width;
    const uint16_t* base = s == 257 ? Engine.LengthBase : s == 0 ? Engine.DistanceBase : nullptr;
    const uint8_t* extra = s == 257 ? Engine.LengthExtra : s == 0 ? Engine.DistanceExtra : nullptr;
    b.result = BuildHuffmanTable(lengths.data(), (uint32_t)lengths.size(), s, base, extra, b.root,
                                 b.list, b.width);
    return b;
  }

  std::vector<Built> built_;
};

// Walks the tables with the bits of an MSB-first code as the decoder does;
// `used` receives the bits the entries consumed.
const HuffmanEntry* Lookup(const HuffmanEntry* root, int32_t width, uint32_t code, int length,
                           int& used) {
  uint64_t bits = 0;
  for (int i = 0; i < length; ++i) bits |= (uint64_t)((code >> (length - 1 - i)) & 1) << i;
  used = 0;
  const HuffmanEntry* e = root + (bits & ((1u << width) - 1));
  while (e->extra > kExtraLiteral && e->extra != kExtraInvalid) {
    bits >>= e->bits;
    used += e->bits;
    e = e->next + (bits & ((1u << LinkedTableWidth(e->extra)) - 1));
  }
  used += e->bits;
  return e;
}

// Sub-tables linked from the root, by index width.
std::multiset<int> SubTableWidths(const HuffmanEntry* root, int32_t width) {
  std::set<const HuffmanEntry*> seen;
  std::multiset<int> widths;
  for (uint32_t i = 0; i < (1u << width); ++i) {
    const HuffmanEntry& e = root[i];
    if (e.extra > kExtraLiteral && e.extra != kExtraInvalid && seen.insert(e.next).second)
      widths.insert((int)LinkedTableWidth(e.extra));
  }
  return widths;
}

size_t ChainLength(const HuffmanEntry* list) {
  size_t n = 0;
  for (; list; list = (list - 1)->next) ++n;
  return n;
}

// Every symbol with a length decodes to itself through exactly its length.
void ExpectEveryCodeDecodes(const Built& b, const std::vector<uint8_t>& lengths, uint32_t s) {
  std::vector<uint32_t> codes = CanonicalCodes(lengths);
  for (uint32_t v = 0; v < lengths.size(); ++v) {
    if (!lengths[v]) continue;
    SCOPED_TRACE(v);
    int used;
    const HuffmanEntry* e = Lookup(b.root, b.width, codes[v], lengths[v], used);
    EXPECT_EQ(used, lengths[v]);
    if (v < s) {
      EXPECT_EQ(e->extra, v < 256 ? kExtraLiteral : kExtraEndOfBlock);
      EXPECT_EQ(e->value, v);
    } else if (s == 257) {
      EXPECT_EQ(e->extra, (int8_t)Engine.LengthExtra[v - s]);
      if (e->extra != kExtraInvalid) {
        EXPECT_EQ(e->value, Engine.LengthBase[v - s]);
      }
    } else {
      EXPECT_EQ(e->extra, (int8_t)Engine.DistanceExtra[v - s]);
      if (e->extra != kExtraInvalid) {
        EXPECT_EQ(e->value, Engine.DistanceBase[v - s]);
      }
    }
  }
}

TEST_F(InflateTables, FixedLiteralSetHasSevenBitRootAnd76OneBitAnd28TwoBitSubTables) {
  std::vector<uint8_t> lengths = FixedLiteralLengths();
  Built& b = Build(lengths, 257, 7);
  EXPECT_EQ(b.result, kHuffmanComplete);
  EXPECT_EQ(b.width, 7);
  std::multiset<int> widths = SubTableWidths(b.root, b.width);
  EXPECT_EQ(widths.count(1), 76u);
  EXPECT_EQ(widths.count(2), 28u);
  EXPECT_EQ(widths.size(), 104u);
  EXPECT_EQ(ChainLength(b.list), 105u);
  ExpectEveryCodeDecodes(b, lengths, 257);
  // Symbols 286 and 287 exist only as invalid codes.
  std::vector<uint32_t> codes = CanonicalCodes(lengths);
  int used;
  EXPECT_EQ(Lookup(b.root, b.width, codes[286], 8, used)->extra, kExtraInvalid);
  EXPECT_EQ(Lookup(b.root, b.width, codes[287], 8, used)->extra, kExtraInvalid);
}

TEST_F(InflateTables, FixedDistanceSetIsIncompleteWithCodes30And31Invalid) {
  std::vector<uint8_t> lengths(30, 5);
  Built& b = Build(lengths, 0, 5);
  EXPECT_EQ(b.result, kHuffmanIncomplete);
  EXPECT_EQ(b.width, 5);
  EXPECT_EQ(ChainLength(b.list), 1u);
  ExpectEveryCodeDecodes(b, lengths, 0);
  int used;
  EXPECT_EQ(Lookup(b.root, 5, 30, 5, used)->extra, kExtraInvalid);
  EXPECT_EQ(Lookup(b.root, 5, 31, 5, used)->extra, kExtraInvalid);
}

TEST_F(InflateTables, DistanceCodes30And31WithLengthsBuildAsInvalid) {
  std::vector<uint8_t> lengths(32, 5);
  Built& b = Build(lengths, 0, 6);
  EXPECT_EQ(b.result, kHuffmanComplete);
  EXPECT_EQ(b.width, 5);
  int used;
  EXPECT_EQ(Lookup(b.root, 5, 30, 5, used)->extra, kExtraInvalid);
  EXPECT_EQ(Lookup(b.root, 5, 31, 5, used)->extra, kExtraInvalid);
  EXPECT_EQ(Lookup(b.root, 5, 29, 5, used)->value, 24577);
}

TEST_F(InflateTables, AllLengthsZeroGiveAnEmptyRootAndNoAllocation) {
  static int allocations;
  allocations = 0;
  huffmanTableMemory = [](DWORD bytes) -> void* {
    ++allocations;
    return TakeMemory(bytes);
  };
  Built& b = Build(std::vector<uint8_t>(19, 0), 19, 7);
  EXPECT_EQ(b.result, kHuffmanComplete);
  EXPECT_EQ(b.root, nullptr);
  EXPECT_EQ(b.width, 0);
  EXPECT_EQ(b.list, nullptr);
  EXPECT_EQ(allocations, 0);
}

TEST_F(InflateTables, ASingleOneBitCodeIsCompleteWithItsOtherHalfInvalid) {
  Built& b = Build({0, 0, 0, 1}, 0, 6);
  EXPECT_EQ(b.result, kHuffmanComplete);
  EXPECT_EQ(b.width, 1);
  EXPECT_EQ(b.root[0].extra, (int8_t)Engine.DistanceExtra[3]);
  EXPECT_EQ(b.root[0].value, Engine.DistanceBase[3]);
  EXPECT_EQ(b.root[0].bits, 1);
  EXPECT_EQ(b.root[1].extra, kExtraInvalid);
}

TEST_F(InflateTables, OversubscribedSetsAllocateNothingAndLeaveRootAndListAlone) {
  static int allocations;
  allocations = 0;
  huffmanTableMemory = [](DWORD bytes) -> void* {
    ++allocations;
    return TakeMemory(bytes);
  };
  const std::vector<std::vector<uint8_t>> sets = {
      {1, 1, 1},                  // three 1-bit codes
      {2, 2, 2, 2, 3},            // one code too many at the longest length
      {1, 2, 3, 3, 3},            // over-subscribed before the longest length
      {17, 1},                    // a length beyond 16
  };
  for (const auto& lengths : sets) {
    std::vector<uint16_t> l(lengths.begin(), lengths.end());
    HuffmanEntry sentinel;
    HuffmanEntry* root = &sentinel;
    HuffmanEntry* list = &sentinel;
    int32_t width = 7;
    EXPECT_EQ(BuildHuffmanTable(l.data(), (uint32_t)l.size(), 19, nullptr, nullptr, root, list, width),
              kHuffmanOversubscribed);
    EXPECT_EQ(root, &sentinel);
    EXPECT_EQ(list, &sentinel);
  }
  EXPECT_EQ(allocations, 0);
}

// A complete literal/length set with codes of 8 to 10 bits, asked for 9.
std::vector<uint8_t> LongCodeSet(int endOfBlockLength) {
  std::vector<uint8_t> lengths(288, 0);
  // 230 codes of 8 bits, then 9 and 10 bits so that the set is complete
  // with the end-of-block code of the given length.
  int counts[3] = {230, endOfBlockLength == 7 ? 39 : 46, endOfBlockLength == 7 ? 18 : 11};
  int v = 0;
  for (int k = 0; k < 3; ++k) {
    for (int i = 0; i < counts[k]; ++i, ++v) {
      if (v == 256) ++v;
      lengths[v] = (uint8_t)(8 + k);
    }
  }
  lengths[256] = (uint8_t)endOfBlockLength;
  return lengths;
}

TEST_F(InflateTables, EndOfBlockCodeShorterThanTheAskedWidthNarrowsTheRoot) {
  std::vector<uint8_t> lengths = LongCodeSet(7);
  Built& b = Build(lengths, 257, 9);
  EXPECT_EQ(b.result, kHuffmanComplete);
  EXPECT_EQ(b.width, 7);
  ExpectEveryCodeDecodes(b, lengths, 257);
}

TEST_F(InflateTables, EndOfBlockCodeLongerThanTheAskedWidthKeepsIt) {
  std::vector<uint8_t> lengths = LongCodeSet(10);
  Built& b = Build(lengths, 257, 9);
  EXPECT_EQ(b.result, kHuffmanComplete);
  EXPECT_EQ(b.width, 9);
  ExpectEveryCodeDecodes(b, lengths, 257);
}

TEST_F(InflateTables, TooFewShortCodesWidenTheRootPastTheAskedWidth) {
  // 256 codes of 9 bits and 32 of 10, end of block among the 10-bit ones.
  std::vector<uint8_t> lengths(288, 9);
  for (int v = 256; v < 288; ++v) lengths[v] = 10;
  Built& b = Build(lengths, 257, 9);
  EXPECT_EQ(b.result, kHuffmanIncomplete);
  EXPECT_EQ(b.width, 10);
  ExpectEveryCodeDecodes(b, lengths, 257);
}

TEST_F(InflateTables, CompleteLiteralSetsNeverWidenTheRootPastTheAskedWidth) {
  // The fast loop takes two root literals from one refill on this promise.
  std::vector<uint8_t> shortestAsLongAsCompletenessAllows(257, 8);
  shortestAsLongAsCompletenessAllows[255] = shortestAsLongAsCompletenessAllows[256] = 9;
  std::vector<uint8_t> skewed;
  for (int l = 1; l <= 15; ++l) skewed.push_back((uint8_t)l);
  skewed.push_back(15);
  std::vector<uint8_t> fixed(288, 8);
  for (int v = 144; v < 256; ++v) fixed[v] = 9;
  for (int v = 256; v < 280; ++v) fixed[v] = 7;
  for (const std::vector<uint8_t>& lengths : {shortestAsLongAsCompletenessAllows, skewed, fixed}) {
    Built& b = Build(lengths, 257, kLiteralRootBits);
    EXPECT_EQ(b.result, kHuffmanComplete);
    EXPECT_LE(b.width, kLiteralRootBits);
  }
}

TEST_F(InflateTables, TwoLongDistanceCodesShareOneRootTable) {
  std::vector<uint8_t> lengths(30, 0);
  lengths[4] = lengths[9] = 15;
  Built& b = Build(lengths, 0, 6);
  EXPECT_EQ(b.result, kHuffmanIncomplete);
  EXPECT_EQ(b.width, 15);
  EXPECT_EQ(ChainLength(b.list), 1u);
  ExpectEveryCodeDecodes(b, lengths, 0);
}

TEST_F(InflateTables, EveryCodeOfSkewedSetsDecodes) {
  // Lengths 1, 2, ... 15, 15: the deepest chain of sub-tables.
  std::vector<uint8_t> lengths;
  for (int l = 1; l <= 15; ++l) lengths.push_back((uint8_t)l);
  lengths.push_back(15);
  Built& b = Build(lengths, 19, 7);
  EXPECT_EQ(b.result, kHuffmanComplete);
  ExpectEveryCodeDecodes(b, lengths, 19);
}

TEST_F(InflateTables, NoMemoryReleasesThisSetAndRestoresTheListHead) {
  // Another set already on the list head must survive.
  Built& first = Build(std::vector<uint8_t>(30, 5), 0, 5);
  ASSERT_EQ(first.result, kHuffmanIncomplete);
  static int allowed;
  allowed = 3;
  huffmanTableMemory = [](DWORD bytes) -> void* { return allowed-- > 0 ? TakeMemory(bytes) : nullptr; };
  std::vector<uint16_t> l(288);
  std::vector<uint8_t> fixed = FixedLiteralLengths();
  for (int i = 0; i < 288; ++i) l[i] = fixed[i];
  HuffmanEntry* root = nullptr;
  HuffmanEntry* list = first.list;
  int32_t width = 7;
  EXPECT_EQ(BuildHuffmanTable(l.data(), 288, 257, Engine.LengthBase, Engine.LengthExtra, root, list, width),
            kHuffmanNoMemory);
  EXPECT_EQ(list, first.list);
  EXPECT_EQ(root, nullptr);
}

TEST_F(InflateTables, FormatTablesHoldTheStandardValuesAndInvalidMarks) {
  EXPECT_EQ(Engine.LengthBase[0], 3);
  EXPECT_EQ(Engine.LengthBase[8], 11);
  EXPECT_EQ(Engine.LengthExtra[8], 1);
  EXPECT_EQ(Engine.LengthBase[27], 227);
  EXPECT_EQ(Engine.LengthExtra[27], 5);
  EXPECT_EQ(Engine.LengthBase[28], 258);
  EXPECT_EQ(Engine.LengthExtra[28], 0);
  EXPECT_EQ(Engine.LengthExtra[29], (uint8_t)kExtraInvalid);
  EXPECT_EQ(Engine.LengthExtra[30], (uint8_t)kExtraInvalid);
  EXPECT_EQ(Engine.DistanceBase[4], 5);
  EXPECT_EQ(Engine.DistanceExtra[4], 1);
  EXPECT_EQ(Engine.DistanceBase[29], 24577);
  EXPECT_EQ(Engine.DistanceExtra[29], 13);
  EXPECT_EQ(Engine.DistanceExtra[30], (uint8_t)kExtraInvalid);
  EXPECT_EQ(Engine.DistanceExtra[31], (uint8_t)kExtraInvalid);
}

}  // namespace
