// zlib and libdeflate as the inflate decoder's oracle and stream writers.
#include <libdeflate.h>
#include <zlib.h>

#include <random>
#include <stdexcept>

#include "inflate_oracle.h"

#include "inflate/inflate.h"

bool ZlibInflateRaw(const std::string& stream, std::string& out, size_t limit, std::string* reason) {
  z_stream z = {};
  if (inflateInit2(&z, -15) != Z_OK) throw std::runtime_error("inflateInit2");
  out.clear();
  z.next_in = (Bytef*)stream.data();
  z.avail_in = (uInt)stream.size();
  const size_t kPiece = 65536;
  int rc;
  do {
    size_t at = out.size();
    out.resize(at + kPiece);
    z.next_out = (Bytef*)&out[at];
    z.avail_out = (uInt)kPiece;
    rc = inflate(&z, Z_NO_FLUSH);
    out.resize(at + kPiece - z.avail_out);
  } while (rc == Z_OK && out.size() <= limit);
  if (reason) *reason = z.msg ? z.msg : "";
  inflateEnd(&z);
  return rc == Z_STREAM_END && out.size() <= limit;
}

std::string ZlibDisagreement(const std::string& stream, const InflateOutcome& ours, size_t limit) {
  std::string out, reason;
  const bool zlibAccepts = ZlibInflateRaw(stream, out, limit, &reason);
  if (out.size() > limit) return "";
  const bool oursAccepts = ours.result == kInflateOk;
  if (zlibAccepts && oursAccepts)
    return ours.output == out ? "" : "both accept, with different bytes";
  if (zlibAccepts && ours.result != kInflateDistanceTooFar)
    return "zlib accepts, ours fails with result " + std::to_string(ours.result);
  if (oursAccepts && reason != "too many length or distance symbols" &&
      reason != "invalid distances set" && reason != "invalid bit length repeat")
    return "ours accepts, zlib refuses: " + (reason.empty() ? "the stream ends early" : reason);
  return "";
}

std::string ZlibDeflateRaw(const std::string& data, int level, int strategy, int memLevel) {
  z_stream z = {};
  if (deflateInit2(&z, level, Z_DEFLATED, -15, memLevel, strategy) != Z_OK)
    throw std::runtime_error("deflateInit2");
  std::string out(deflateBound(&z, (uLong)data.size()) + 64, '\0');
  z.next_in = (Bytef*)data.data();
  z.avail_in = (uInt)data.size();
  z.next_out = (Bytef*)&out[0];
  z.avail_out = (uInt)out.size();
  if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::string LibdeflateCompress(const std::string& data, int level) {
  libdeflate_compressor* c = libdeflate_alloc_compressor(level);
  if (!c) throw std::runtime_error("libdeflate_alloc_compressor");
  std::string out(libdeflate_deflate_compress_bound(c, data.size()), '\0');
  size_t n = libdeflate_deflate_compress(c, data.data(), data.size(), &out[0], out.size());
  libdeflate_free_compressor(c);
  if (!n) throw std::runtime_error("libdeflate_deflate_compress");
  out.resize(n);
  return out;
}

const char* CorpusName(Corpus kind) {
  switch (kind) {
    case Corpus::kText: return "text";
    case Corpus::kBinary: return "binary";
    case Corpus::kRandom: return "random";
    case Corpus::kRuns: return "runs";
    case Corpus::kWindowRepeat: return "window-repeat";
  }
  return "?";
}

std::string MakeCorpus(Corpus kind, size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string out;
  out.reserve(size + 64);
  static const char* const kWords[] = {
      "the",    "archive", "entry", "window", "of",      "and",    "deflate", "stream",
      "header", "folder",  "to",    "a",      "file",    "is",     "block",   "code",
      "length", "table",   "match", "data",   "output",  "in",     "which",   "every",
      "byte",   "read",    "write", "extract", "program", "dialog", "bits",    "Huffman"};
  switch (kind) {
    case Corpus::kText:
      while (out.size() < size) {
        out += kWords[rng() % 32];
        uint32_t r = rng() % 16;
        out += r == 0 ? ".\n" : r == 1 ? ", " : " ";
      }
      break;
    case Corpus::kBinary:
      // Records: a counter, a small-range field, a flag byte and a name.
      for (uint32_t i = 0; out.size() < size; ++i) {
        uint32_t fields[3] = {i, (uint32_t)(1000 + rng() % 64), (uint32_t)(rng() % 4)};
        out.append((const char*)fields, sizeof fields);
        out += kWords[rng() % 32];
        out += '\0';
      }
      break;
    case Corpus::kRandom:
      while (out.size() < size) out += (char)(rng() & 0xFF);
      break;
    case Corpus::kRuns:
      while (out.size() < size) out.append(1 + rng() % 700, (char)("ab\0\xff"[rng() % 4]));
      break;
    case Corpus::kWindowRepeat: {
      // Random bytes that come back exactly 32,768 bytes later.
      std::string block;
      while (block.size() < 20000) block += (char)(rng() & 0xFF);
      while (out.size() < size) {
        out += block;
        out.append(32768 - block.size(), 'x');
      }
      break;
    }
  }
  out.resize(size);
  return out;
}
