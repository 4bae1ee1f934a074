// A test-only deflate writer.
#include "inflate_stream_writer.h"

#include <stdexcept>

namespace {

const uint32_t kLengthBases[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                   31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const int kLengthExtras[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                               2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint32_t kDistanceBases[30] = {1,    2,    3,    4,    5,    7,     9,     13,    17,  25,
                                     33,   49,   65,   97,   129,  193,   257,   385,   513, 769,
                                     1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const int kDistanceExtras[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// Code-length code of Dynamic(): symbols 0-15 with 4 bits each, so the
// canonical code of symbol s is s itself.
const int kPlainCodeLengthBits = 4;
const uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

}  // namespace

std::vector<uint32_t> CanonicalCodes(const std::vector<uint8_t>& lengths) {
  uint32_t count[17] = {};
  for (uint8_t l : lengths) count[l]++;
  count[0] = 0;
  uint32_t next[17] = {};
  uint32_t code = 0;
  for (int bits = 1; bits <= 16; ++bits) {
    code = (code + count[bits - 1]) << 1;
    next[bits] = code;
  }
  std::vector<uint32_t> codes(lengths.size());
  for (size_t i = 0; i < lengths.size(); ++i)
    if (lengths[i]) codes[i] = next[lengths[i]]++;
  return codes;
}

std::vector<uint8_t> FixedLiteralLengths() {
  std::vector<uint8_t> l(288);
  for (int i = 0; i < 288; ++i) l[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
  return l;
}

DeflateWriter& DeflateWriter::Bits(uint32_t value, int n) {
  for (int i = 0; i < n; ++i) {
    if (bitLength_ % 8 == 0) bytes_ += '\0';
    if ((value >> i) & 1) bytes_.back() = (char)(bytes_.back() | (1 << (bitLength_ % 8)));
    ++bitLength_;
  }
  return *this;
}

DeflateWriter& DeflateWriter::Code(uint32_t code, int length) {
  for (int i = length - 1; i >= 0; --i) Bits((code >> i) & 1, 1);
  return *this;
}

DeflateWriter& DeflateWriter::AlignToByte() {
  while (bitLength_ % 8) Bits(0, 1);
  return *this;
}

DeflateWriter& DeflateWriter::Bytes(const std::string& bytes) {
  for (char c : bytes) Bits((uint8_t)c, 8);
  return *this;
}

DeflateWriter& DeflateWriter::Stored(const std::string& data, bool final) {
  Header(final, 0).AlignToByte();
  Bits((uint32_t)data.size(), 16).Bits(~(uint32_t)data.size() & 0xFFFF, 16);
  return Bytes(data);
}

DeflateWriter& DeflateWriter::Fixed(bool final) {
  Header(final, 1);
  literalLengths_ = FixedLiteralLengths();
  distanceLengths_.assign(30, 5);
  literalCodes_ = CanonicalCodes(literalLengths_);
  distanceCodes_ = CanonicalCodes(distanceLengths_);
  return *this;
}

DeflateWriter& DeflateWriter::Dynamic(bool final, const std::vector<uint8_t>& literalLengths,
                                      const std::vector<uint8_t>& distanceLengths) {
  Header(final, 2);
  Bits((uint32_t)literalLengths.size() - 257, 5);
  Bits((uint32_t)distanceLengths.size() - 1, 5);
  Bits(19 - 4, 4);
  for (int i = 0; i < 19; ++i) Bits(kCodeLengthOrder[i] < 16 ? kPlainCodeLengthBits : 0, 3);
  for (uint8_t l : literalLengths) Code(l, kPlainCodeLengthBits);
  for (uint8_t l : distanceLengths) Code(l, kPlainCodeLengthBits);
  literalLengths_ = literalLengths;
  distanceLengths_ = distanceLengths;
  literalCodes_ = CanonicalCodes(literalLengths_);
  distanceCodes_ = CanonicalCodes(distanceLengths_);
  return *this;
}

DeflateWriter& DeflateWriter::DynamicSpelled(bool final, uint32_t hlit, uint32_t hdist,
                                             const std::vector<uint8_t>& codeLengthLengths,
                                             const std::vector<std::pair<int, int>>& symbols,
                                             const std::vector<uint8_t>& literalLengths,
                                             const std::vector<uint8_t>& distanceLengths) {
  Header(final, 2).Bits(hlit - 257, 5).Bits(hdist - 1, 5).Bits(19 - 4, 4);
  for (int i = 0; i < 19; ++i) Bits(codeLengthLengths[kCodeLengthOrder[i]], 3);
  std::vector<uint32_t> codes = CanonicalCodes(codeLengthLengths);
  const int repeatBits[3] = {2, 3, 7};
  for (auto [symbol, value] : symbols) {
    Code(codes[symbol], codeLengthLengths[symbol]);
    if (symbol >= 16) Bits((uint32_t)value, repeatBits[symbol - 16]);
  }
  literalLengths_ = literalLengths;
  distanceLengths_ = distanceLengths;
  literalCodes_ = CanonicalCodes(literalLengths_);
  distanceCodes_ = CanonicalCodes(distanceLengths_);
  return *this;
}

DeflateWriter& DeflateWriter::Literals(const std::string& bytes) {
  for (char c : bytes) Literal((uint8_t)c);
  return *this;
}

DeflateWriter& DeflateWriter::Symbol(uint32_t symbol) {
  if (symbol >= literalLengths_.size() || !literalLengths_[symbol])
    throw std::logic_error("symbol without a code");
  return Code(literalCodes_[symbol], literalLengths_[symbol]);
}

DeflateWriter& DeflateWriter::DistanceSymbol(uint32_t symbol) {
  if (symbol >= distanceLengths_.size() || !distanceLengths_[symbol])
    throw std::logic_error("distance code without a code");
  return Code(distanceCodes_[symbol], distanceLengths_[symbol]);
}

DeflateWriter& DeflateWriter::Match(uint32_t length, uint32_t distance) {
  uint32_t symbol, extra, code, dextra;
  int bits, dbits;
  LengthSymbolOf(length, symbol, extra, bits);
  DistanceCodeOf(distance, code, dextra, dbits);
  Symbol(symbol).Bits(extra, bits);
  return DistanceSymbol(code).Bits(dextra, dbits);
}

std::string DeflateWriter::Data() const { return bytes_; }

void LengthSymbolOf(uint32_t length, uint32_t& symbol, uint32_t& extra, int& extraBits) {
  if (length < 3 || length > 258) throw std::logic_error("match length");
  int i = 28;
  while (kLengthBases[i] > length) --i;
  if (length == 258) i = 28;
  symbol = 257 + (uint32_t)i;
  extra = length - kLengthBases[i];
  extraBits = kLengthExtras[i];
}

void DistanceCodeOf(uint32_t distance, uint32_t& code, uint32_t& extra, int& extraBits) {
  if (distance < 1 || distance > 32768) throw std::logic_error("match distance");
  int i = 29;
  while (kDistanceBases[i] > distance) --i;
  code = (uint32_t)i;
  extra = distance - kDistanceBases[i];
  extraBits = kDistanceExtras[i];
}
