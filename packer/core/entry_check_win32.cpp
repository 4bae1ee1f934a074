// The check of an entry's data in mksfx.exe: zlib's streaming inflate.  The
// Windows build does not carry the engine, so the stub's own decoder (which
// the Linux build checks with, entry_check_host.cpp) is not there to run.
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "entry_data.h"
#include "errors.h"
#include "file_io.h"
#include "integrity/zipcrypto.h"
#include "common/zip_format.h"

namespace {

// Output of one inflate step while checking; the data is only counted and
// fed to the CRC, never kept.
const size_t kCheckChunkSize = 1 << 16;

struct Piece {
  const uint8_t* bytes;
  size_t size;
};

std::string Hex8(uint32_t v) {
  char text[12];
  std::snprintf(text, sizeof text, "%08x", v);
  return text;
}

// Checks the data that `next` delivers piece by piece: NextPiece(max) gives
// up to `max` further bytes, none at the end of the data.
template <class NextPiece>
DataCheck CheckPieces(NextPiece next, uint64_t size, uint16_t method, uint32_t crc,
                        uint32_t uncompressedSize) {
  uLong actual = crc32(0, nullptr, 0);
  uint64_t produced = 0;
  if (method == kMethodStored) {
    for (Piece piece = next(kCheckChunkSize); piece.size; piece = next(kCheckChunkSize)) {
      actual = crc32(actual, piece.bytes, (uInt)piece.size);
      produced += piece.size;
    }
  } else {
    z_stream z = {};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) throw Refusal("cannot set up inflate (out of memory)");
    std::vector<uint8_t> chunk(kCheckChunkSize);
    int result;
    do {
      if (z.avail_in == 0) {
        Piece piece = next(kCheckChunkSize);
        z.next_in = const_cast<Bytef*>(piece.bytes);
        z.avail_in = (uInt)piece.size;
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
      return {result == Z_BUF_ERROR ? "deflate data cut short" : "deflate data damaged"};
  }
  bool crcMatches = (uint32_t)actual == crc;
  if (method == kMethodStored && size != uncompressedSize)
    return {"stored data of " + std::to_string(size) + " bytes where " + std::to_string(uncompressedSize) +
                " are claimed",
            crcMatches && produced == size};
  if (produced != uncompressedSize)
    return {"data give " + std::to_string(produced) + " bytes where " +
                std::to_string(uncompressedSize) + " are claimed",
            crcMatches};
  if (!crcMatches)
    return {"data have CRC-32 " + Hex8((uint32_t)actual) + " where " + Hex8(crc) + " is claimed"};
  return {};
}

}  // namespace

DataCheck CheckEntryData(const InputFile& file, uint64_t pos, uint32_t size, uint16_t method,
                         uint32_t crc, uint32_t uncompressedSize, bool decrypt) {
  uint64_t at = pos, end = pos + size;
  std::vector<uint8_t> buffer;
  auto next = [&](size_t max) {
    buffer = file.ReadAt(at, (size_t)std::min<uint64_t>(max, end - at));
    if (decrypt) DecryptBuffer(buffer.data(), (int32_t)buffer.size());
    at += buffer.size();
    return Piece{buffer.data(), buffer.size()};
  };
  return CheckPieces(next, size, method, crc, uncompressedSize);
}
