// The external raw-deflate vectors: each decodes to its expected output or
// fails, with the fault kind our decoder names for it.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "inflate/inflate_private.h"
#include "support/inflate_harness.h"
#include "support/test_files.h"

namespace {

struct Vector {
  std::string name, expect, streamHex, outLen, outCrc, outHex, bytesUsed;
};

std::vector<Vector> LoadVectors() {
  std::istringstream in(CorpusFile("deflate/vectors.tsv"));
  std::string line;
  std::getline(in, line);  // header
  std::vector<Vector> rows;
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::string cell;
    std::istringstream cells(line);
    while (std::getline(cells, cell, '\t')) f.push_back(cell);
    if (f.size() < 8) continue;
    rows.push_back({f[0], f[1], f[3], f[4], f[5], f[6], f[7]});
  }
  return rows;
}

// The result our decoder gives for each failing row.  Where zlib's kind and
// ours differ, the row's name in `ourRule` below says why.
const std::map<std::string, int> kFaultOfKind = {
    {"error:truncated_input", kInflateTruncated},
    {"error:stored_len_mismatch", kInflateStoredLengthMismatch},
    {"error:invalid_block_type", kInflateBadBlockType},
    {"error:bad_codelen_code_set", kInflateBadCodeLengthCode},
    {"error:bad_repeat", kInflateBadRepeat},
    {"error:bad_litlen_code_set", kInflateBadLiteralCode},
    {"error:no_end_of_block_code", kInflateBadLiteralCode},
    {"error:bad_distance_code_set", kInflateBadDistanceCode},
    {"error:invalid_litlen_symbol", kInflateInvalidLiteral},
    {"error:invalid_distance_symbol", kInflateInvalidDistance},
    {"error:distance_too_far_back", kInflateDistanceTooFar},
};

// Rows where our rules and zlib's part: the outcome we require instead, and
// the rule behind it.
struct OurRule {
  int result;
  const char* why;
};
const std::map<std::string, OurRule> kOurRules = {
    // A code-length code of one 1-bit code builds (result 0) and is used;
    // only its unused pattern is invalid.
    {"go.complete_hclen_empty_hlit_empty_hdist",
     {kInflateBadLiteralCode, "one-code code-length code accepted; no literal/length code"}},
    // An empty code-length code fails at once (zlib reads it as all zeros).
    {"go.empty_hclen", {kInflateBadCodeLengthCode, "empty code-length code"}},
    {"go.complete_hclen_complete_hlit_degenerate_hdist_use_missing_hdist_symbol",
     {kInflateBadCodeLengthCode, "empty code-length code in the second block"}},
    // Up to 288 literal/length and 32 distance lengths are accepted as long
    // as symbols 286, 287 and distance codes 30, 31 never occur.
    {"zlib.too_many_length_or_distance_symbols",
     {kInflateTruncated, "HLIT 288 accepted; the data then runs out"}},
    {"go.complete_hclen_complete_hlit_too_large_hdist",
     {kInflateOk, "HDIST 32 accepted: codes 30 and 31 never occur"}},
    {"go.complete_hclen_complete_hlit_empty_hdist_of_excessive_length_31",
     {kInflateOk, "HDIST 31 accepted: code 30 never occurs"}},
    // Symbol 16 as the first code length repeats length 0.
    {"zlib.invalid_bit_length_repeat",
     {kInflateTruncated, "leading repeat accepted; the data then runs out"}},
    // An incomplete distance set is legal; only over-subscription fails.
    {"zlib.invalid_distances_set",
     {kInflateTruncated, "incomplete distance set accepted; the data then runs out"}},
};

TEST(InflateVectors, EveryRowDecodesOrFailsAsExpected) {
  std::vector<Vector> rows = LoadVectors();
  ASSERT_EQ(rows.size(), 61u);
  InflateHarness harness;
  for (const Vector& v : rows) {
    if (kOurRules.count(v.name)) continue;
    SCOPED_TRACE(v.name);
    InflateOutcome out = harness.Run(FromHex(v.streamHex));
    if (v.expect == "ok") {
      ASSERT_EQ(out.result, kInflateOk);
      EXPECT_EQ(out.output.size(), std::stoul(v.outLen));
      EXPECT_EQ(out.crc, std::stoul(v.outCrc, nullptr, 16));
      if (v.outHex != "-") {
        EXPECT_EQ(out.output, FromHex(v.outHex));
      }
    } else {
      ASSERT_TRUE(kFaultOfKind.count(v.expect)) << v.expect;
      EXPECT_EQ(out.result, kFaultOfKind.at(v.expect));
    }
  }
}

TEST(InflateVectors, RowsWhereOurRulesDifferFromZlibFollowOurRules) {
  InflateHarness harness;
  size_t seen = 0;
  for (const Vector& v : LoadVectors()) {
    auto rule = kOurRules.find(v.name);
    if (rule == kOurRules.end()) continue;
    ++seen;
    SCOPED_TRACE(v.name + ": " + rule->second.why);
    EXPECT_EQ(harness.Run(FromHex(v.streamHex)).result, rule->second.result);
  }
  EXPECT_EQ(seen, kOurRules.size());
}

// The zero padding some failing rows carry is never reached: the fault is
// decided within the row's bytes_used, so the prefix fails the same way.
TEST(InflateVectors, FailingRowsFailTheSameWithoutTheirPadding) {
  InflateHarness harness;
  for (const Vector& v : LoadVectors()) {
    if (v.expect == "ok" || kOurRules.count(v.name)) continue;
    SCOPED_TRACE(v.name);
    std::string stream = FromHex(v.streamHex);
    size_t used = std::stoul(v.bytesUsed);
    ASSERT_LE(used, stream.size());
    EXPECT_EQ(harness.Run(stream.substr(0, used)).result, harness.Run(stream).result);
  }
}

// Bytes after the final block are neither needed nor an error.
TEST(InflateVectors, OkRowsIgnoreBytesAfterTheFinalBlock) {
  InflateHarness harness;
  for (const Vector& v : LoadVectors()) {
    if (v.expect != "ok" || kOurRules.count(v.name)) continue;
    SCOPED_TRACE(v.name);
    std::string stream = FromHex(v.streamHex) + std::string("\xFF\x00\xA5\x5A", 4);
    InflateOutcome out = harness.Run(stream);
    EXPECT_EQ(out.result, kInflateOk);
    EXPECT_EQ(out.output.size(), std::stoul(v.outLen));
  }
}

}  // namespace
