// A test-only deflate writer: blocks put together bit by bit, so that tests
// can state malformed and boundary streams exactly.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

// Canonical Huffman codes of a set of lengths (RFC 1951, 3.2.2), MSB-first.
std::vector<uint32_t> CanonicalCodes(const std::vector<uint8_t>& lengths);

// Fixed code lengths: 288 literal/length, 30 distance.
std::vector<uint8_t> FixedLiteralLengths();

class DeflateWriter {
 public:
  // `n` bits of `value`, least significant first.
  DeflateWriter& Bits(uint32_t value, int n);
  // A Huffman code of `length` bits, most significant bit first.
  DeflateWriter& Code(uint32_t code, int length);
  DeflateWriter& AlignToByte();
  DeflateWriter& Bytes(const std::string& bytes);

  DeflateWriter& Header(bool final, int type) { return Bits(final, 1).Bits((uint32_t)type, 2); }
  // A complete stored block (header, alignment, LEN, NLEN, data).
  DeflateWriter& Stored(const std::string& data, bool final);

  // Literal/length and distance codes of the current Huffman block: the
  // fixed ones after Fixed(), the given ones after Dynamic().
  DeflateWriter& Fixed(bool final);
  // Writes the dynamic header with every code length sent as itself through
  // a code-length code in which symbols 0-15 all have 4 bits.
  DeflateWriter& Dynamic(bool final, const std::vector<uint8_t>& literalLengths,
                         const std::vector<uint8_t>& distanceLengths);

  // A dynamic header spelled out: the code-length code's lengths (by
  // symbol, 19 values), then code-length symbols with their repeat values.
  // The block's codes are then taken to be `literalLengths` and
  // `distanceLengths`, which the symbols are meant to describe.
  DeflateWriter& DynamicSpelled(bool final, uint32_t hlit, uint32_t hdist,
                                const std::vector<uint8_t>& codeLengthLengths,
                                const std::vector<std::pair<int, int>>& symbols,
                                const std::vector<uint8_t>& literalLengths,
                                const std::vector<uint8_t>& distanceLengths);

  DeflateWriter& Literal(uint8_t byte) { return Symbol(byte); }
  DeflateWriter& Literals(const std::string& bytes);
  // A match (length 3-258, distance 1-32,768) in the current codes.
  DeflateWriter& Match(uint32_t length, uint32_t distance);
  DeflateWriter& EndOfBlock() { return Symbol(256); }
  // Any literal/length symbol or distance code of the current codes.
  DeflateWriter& Symbol(uint32_t symbol);
  DeflateWriter& DistanceSymbol(uint32_t symbol);

  // The stream so far, the last byte padded with zero bits.
  std::string Data() const;
  size_t BitLength() const { return bitLength_; }

 private:
  std::string bytes_;
  size_t bitLength_ = 0;
  std::vector<uint8_t> literalLengths_, distanceLengths_;
  std::vector<uint32_t> literalCodes_, distanceCodes_;
};

// Length symbol (257-285) with its extra bits for a match length, and the
// distance code (0-29) with its extra bits for a distance.
void LengthSymbolOf(uint32_t length, uint32_t& symbol, uint32_t& extra, int& extraBits);
void DistanceCodeOf(uint32_t distance, uint32_t& code, uint32_t& extra, int& extraBits);
