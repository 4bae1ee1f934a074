// Compression and encryption of a file entry, piece by piece.
#include "file_entry.h"

#include <libdeflate.h>

#include <cstring>
#include <memory>
#include <vector>

#include "entry_coding.h"
#include "errors.h"
#include "sfx_limits.h"
#include "common/zip_format.h"

namespace {

typedef std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> Compressor;

// The entry's data on their way to the output: encrypted when a password is
// given, counted either way.
class DataSink {
 public:
  DataSink(PendingOutput& out, const std::string& password, const std::vector<uint8_t>& plainHeader)
      : out_(out), password_(password), plainHeader_(plainHeader), start_(out.Written()) {}

  // Starts the data (again, after Restart): the encryption header first.
  void Start() {
    if (password_.empty()) return;
    out_.Write(StartEncryption(password_, plainHeader_));
  }
  void Put(uint8_t* bytes, size_t count) {
    if (!password_.empty()) EncryptInPlace(bytes, count);
    out_.Write(bytes, count);
  }
  // Drops what was written, for the data to be written anew.
  void Restart() {
    out_.Rewind(start_);
    Start();
  }
  uint64_t Written() const { return out_.Written() - start_; }

 private:
  PendingOutput& out_;
  const std::string& password_;
  const std::vector<uint8_t>& plainHeader_;
  uint64_t start_;
};

// Joining separately compressed pieces into one deflate stream: libdeflate
// compresses whole buffers only, each ending in a block with BFINAL set, so
// every piece but the last is made non-final: its final block's BFINAL bit
// cleared, then an empty stored block (3 header bits, padding to the byte
// boundary, LEN 0, NLEN 0xFFFF) appended, so that the next piece continues
// the stream on a byte boundary.  The stub's own decoder finds that bit.
// Bytes this may add: one when the empty block's header does not fit in the
// piece's last byte, then its LEN and NLEN.
const size_t kChainSuffixSize = 1 + 4;

// `data` holds one whole deflate stream of `size` bytes in a buffer of at
// least size + kChainSuffixSize bytes; returns its new size, or 0 (data
// unchanged) when it is not one whole stream.
size_t MakeNonFinal(FinalBlockFinder& finder, uint8_t* data, size_t size) {
  uint64_t finalBit, endBit;
  if (!finder.Find(data, size, finalBit, endBit) || (endBit + 7) / 8 != size) return 0;
  data[finalBit / 8] &= (uint8_t)~(1u << (finalBit % 8));
  // The empty stored block's header (BFINAL 0, BTYPE 00) is three zero bits
  // at endBit; the padding behind them to the byte boundary is zero too.
  if (endBit % 8) data[endBit / 8] &= (uint8_t)((1u << (endBit % 8)) - 1);
  size_t lengthAt = (size_t)((endBit + 3 + 7) / 8);
  for (size_t i = size; i < lengthAt; ++i) data[i] = 0;
  static const uint8_t kEmptyStoredLength[4] = {0x00, 0x00, 0xFF, 0xFF};
  std::memcpy(data + lengthAt, kEmptyStoredLength, sizeof kEmptyStoredLength);
  return lengthAt + sizeof kEmptyStoredLength;
}

uint32_t FileCrc(const InputFile& file) {
  uint32_t crc = 0;
  for (uint64_t at = 0; at < file.Size(); at += kDeflatePieceSize) {
    std::vector<uint8_t> piece = file.ReadSome(at, kDeflatePieceSize);
    crc = (uint32_t)libdeflate_crc32(crc, piece.data(), piece.size());
  }
  return crc;
}

// Deflates the file into `sink` piece by piece; returns its CRC-32.
uint32_t DeflatePieces(const InputFile& file, int level, DataSink& sink,
                       const std::function<void(uint64_t)>& progress) {
  Compressor c(libdeflate_alloc_compressor(level), libdeflate_free_compressor);
  if (!c) throw Refusal("cannot set up the deflate compressor (out of memory)");
  std::vector<uint8_t> packed(libdeflate_deflate_compress_bound(c.get(), kDeflatePieceSize) +
                              kChainSuffixSize);
  FinalBlockFinder finder;
  uint32_t crc = 0;
  for (uint64_t at = 0; at < file.Size(); at += kDeflatePieceSize) {
    std::vector<uint8_t> piece = file.ReadAt(at, (size_t)std::min<uint64_t>(kDeflatePieceSize, file.Size() - at));
    crc = (uint32_t)libdeflate_crc32(crc, piece.data(), piece.size());
    size_t n = libdeflate_deflate_compress(c.get(), piece.data(), piece.size(), packed.data(),
                                           packed.size() - kChainSuffixSize);
    if (n > 0 && at + piece.size() < file.Size()) n = MakeNonFinal(finder, packed.data(), n);
    if (n == 0) throw Refusal(file.Path() + ": internal error: a deflate piece could not be chained");
    sink.Put(packed.data(), n);
    progress(at + piece.size());
  }
  return crc;
}

// Copies the file into `sink` as it is; returns its CRC-32.
uint32_t StorePieces(const InputFile& file, DataSink& sink, const std::function<void(uint64_t)>& progress) {
  uint32_t crc = 0;
  for (uint64_t at = 0; at < file.Size(); at += kDeflatePieceSize) {
    std::vector<uint8_t> piece = file.ReadAt(at, (size_t)std::min<uint64_t>(kDeflatePieceSize, file.Size() - at));
    crc = (uint32_t)libdeflate_crc32(crc, piece.data(), piece.size());
    sink.Put(piece.data(), piece.size());
    progress(at + piece.size());
  }
  return crc;
}

void RefuseChanged(const InputFile& file) {
  throw Refusal(file.Path() + ": changed while it was packed; pack it again");
}

}  // namespace

void WriteFileEntry(ZipWriter& writer, PendingOutput& out, ZipEntryHeader h, const InputFile& file,
                    int level, const std::string& password, HeaderRandom& random,
                    const std::function<void(uint64_t)>& progress) {
  if (file.Size() > kLargestOutput)
    throw Refusal(file.Path() + ": " + std::to_string(file.Size()) + " bytes; a self-extractor holds at most " +
                  std::to_string(kLargestOutput));
  bool encrypt = !password.empty();
  h.uncompressedSize = (uint32_t)file.Size();
  if (encrypt) h.flags |= kFlagEncrypted;
  if (file.Size() <= kDeflatePieceSize) {
    std::vector<uint8_t> plain = file.ReadAt(0, (size_t)file.Size());
    EncodedData data = EncodeData(plain.data(), plain.size(), level);
    plain = std::vector<uint8_t>();
    h.method = data.method;
    h.crc = data.crc;
    if (encrypt) data.bytes = EncryptEntry(password, h, random, data.bytes.data(), data.bytes.size());
    h.compressedSize = (uint32_t)data.bytes.size();
    h.versionNeeded = data.method == kMethodDeflated ? 20 : 10;
    writer.Add(h, data.bytes.data(), data.bytes.size());
    progress(file.Size());
    return;
  }

  // The encryption header's check byte is the CRC's high byte, needed before
  // the first byte of data: read once more for it.
  uint32_t crc = encrypt ? FileCrc(file) : 0;
  std::vector<uint8_t> plainHeader;
  h.crc = crc;
  if (encrypt) plainHeader = NewEncryptionHeader(password, h, random);
  writer.Begin(h);
  DataSink sink(out, password, plainHeader);
  sink.Start();
  uint64_t headerSize = encrypt ? kEncryptionHeaderLength : 0;
  h.method = kMethodStored;
  if (level != kStoreLevel) {
    uint32_t deflatedCrc = DeflatePieces(file, level, sink, progress);
    if (encrypt && deflatedCrc != crc) RefuseChanged(file);
    crc = deflatedCrc;
    // Only data smaller than the file are of any use, as for one piece.
    if (sink.Written() - headerSize < file.Size()) h.method = kMethodDeflated;
    else sink.Restart();
  }
  if (h.method == kMethodStored) {
    uint32_t storedCrc = StorePieces(file, sink, progress);
    if ((encrypt || level != kStoreLevel) && storedCrc != crc) RefuseChanged(file);
    crc = storedCrc;
  }
  h.crc = crc;
  h.compressedSize = (uint32_t)sink.Written();
  h.versionNeeded = h.method == kMethodDeflated ? 20 : 10;
  writer.End(h);
}
