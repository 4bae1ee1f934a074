// Deflate through libdeflate, checks through zlib's streaming inflate.
#include "entry_data.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "errors.h"
#include "common/zip_format.h"

namespace {

// Output of one inflate step while checking; the data is only counted and
// fed to the CRC, never kept.
const size_t kCheckChunkSize = 1 << 16;

std::string Hex8(uint32_t v) {
  char text[12];
  std::snprintf(text, sizeof text, "%08x", v);
  return text;
}

}  // namespace

EncodedData EncodeData(const uint8_t* plain, size_t size, int level) {
  EncodedData out;
  out.crc = (uint32_t)libdeflate_crc32(0, plain, size);
  if (size > 0) {
    std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> c(
        libdeflate_alloc_compressor(level), libdeflate_free_compressor);
    if (!c) throw Refusal("cannot set up the deflate compressor (out of memory)");
    // Only a result smaller than the data is of any use: stored otherwise.
    out.bytes.resize(size - 1);
    size_t n = libdeflate_deflate_compress(c.get(), plain, size, out.bytes.data(), out.bytes.size());
    if (n > 0) {
      out.bytes.resize(n);
      out.method = kMethodDeflated;
      return out;
    }
  }
  out.bytes.assign(plain, plain + size);
  out.method = kMethodStored;
  return out;
}

std::string CheckEntryData(const uint8_t* data, size_t size, uint16_t method, uint32_t crc,
                           uint32_t uncompressedSize) {
  uLong actual = crc32(0, nullptr, 0);
  uint64_t produced = 0;
  if (method == kMethodStored) {
    if (size != uncompressedSize)
      return "stored data of " + std::to_string(size) + " bytes where " +
             std::to_string(uncompressedSize) + " are claimed";
    for (size_t at = 0; at < size; at += kCheckChunkSize)
      actual = crc32(actual, data + at, (uInt)std::min(kCheckChunkSize, size - at));
    produced = size;
  } else {
    z_stream z = {};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) throw Refusal("cannot set up inflate (out of memory)");
    std::vector<uint8_t> chunk(kCheckChunkSize);
    z.next_in = const_cast<Bytef*>(data);
    size_t left = size;
    int result;
    do {
      if (z.avail_in == 0 && left > 0) {
        z.avail_in = (uInt)std::min<size_t>(left, 1u << 30);
        left -= z.avail_in;
      }
      z.next_out = chunk.data();
      z.avail_out = (uInt)chunk.size();
      result = inflate(&z, Z_NO_FLUSH);
      size_t got = chunk.size() - z.avail_out;
      actual = crc32(actual, chunk.data(), (uInt)got);
      produced += got;
    } while (result == Z_OK);
    bool ended = result == Z_STREAM_END;
    inflateEnd(&z);
    if (!ended)
      return result == Z_BUF_ERROR ? "deflate data cut short" : "deflate data damaged";
  }
  if (produced != uncompressedSize)
    return "data give " + std::to_string(produced) + " bytes where " +
           std::to_string(uncompressedSize) + " are claimed";
  if ((uint32_t)actual != crc)
    return "data have CRC-32 " + Hex8((uint32_t)actual) + " where " + Hex8(crc) + " is claimed";
  return "";
}
