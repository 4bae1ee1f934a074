// Deflate through libdeflate.  The check of an entry's data is the stub's
// own decoder in both builds (entry_check.cpp).
#include "entry_coding.h"

#include <libdeflate.h>

#include <memory>

#include "errors.h"
#include "common/zip_format.h"

EncodedData EncodeData(const uint8_t* plain, size_t size, int level) {
  EncodedData out;
  out.crc = (uint32_t)libdeflate_crc32(0, plain, size);
  if (size > 0 && level != kStoreLevel) {
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
