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

// The entry's data on their way to the output: encrypted when a password is
// given, counted either way.
class DataSink {
 public:
  DataSink(PendingOutput& out, const std::string& password, const std::vector<uint8_t>& plainHeader)
      : out_(out), password_(password), plainHeader_(plainHeader), start_(out.Written()) {}

  // Starts the data, anew over what was written before: the encryption
  // header first.
  void Start() {
    if (out_.Written() != start_) out_.Rewind(start_);
    if (!password_.empty()) out_.Write(cipher_.Start(password_, plainHeader_));
  }
  void Put(uint8_t* bytes, size_t count) {
    if (!password_.empty()) cipher_.Encrypt(bytes, count);
    out_.Write(bytes, count);
  }
  uint64_t Written() const { return out_.Written() - start_; }

 private:
  PendingOutput& out_;
  const std::string& password_;
  const std::vector<uint8_t>& plainHeader_;
  EntryCipher cipher_;
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

// The file's pieces of kDeflatePieceSize, pass after pass: each pass reads
// them anew, so that memory stays bounded, but the one piece of a smaller
// file, which is read once.
class Pieces {
 public:
  explicit Pieces(const InputFile& file) : file_(file) {}

  // Calls use(piece, done) with each piece in turn, `done` the bytes of the
  // file up to the piece's end.  Throws Refusal when the pass reads other
  // bytes than the first.  Only the last pass may change the pieces.
  template <typename Use>
  void Pass(Use use) {
    uint32_t crc = 0;
    for (uint64_t at = 0; at < file_.Size(); at += kDeflatePieceSize) {
      if (passes_ == 0 || file_.Size() > kDeflatePieceSize)
        piece_ = file_.ReadAt(at, (size_t)std::min<uint64_t>(kDeflatePieceSize, file_.Size() - at));
      crc = (uint32_t)libdeflate_crc32(crc, piece_.data(), piece_.size());
      use(piece_, at + piece_.size());
    }
    if (passes_++ > 0 && crc != crc_) throw Refusal(file_.Path() + ": changed while it was packed; pack it again");
    crc_ = crc;
  }
  // The file's CRC-32, as every pass read it.
  uint32_t Crc() const { return crc_; }

 private:
  const InputFile& file_;
  std::vector<uint8_t> piece_;
  int passes_ = 0;
  uint32_t crc_ = 0;
};

// Deflates the pieces into `sink`, from its start, as one stream; false when
// libdeflate finds no room for a piece.  A file of one piece leaves it a
// byte less than its size: libdeflate gives up on a result that is not
// smaller, or that comes within its 8 bytes of end padding of the room.  The
// pieces of a larger file have room for any result; the stream is judged
// whole.
bool DeflatePieces(const InputFile& file, Pieces& pieces, int level, DataSink& sink,
                   const std::function<void(uint64_t)>& progress) {
  std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> c(libdeflate_alloc_compressor(level),
                                                                             libdeflate_free_compressor);
  if (!c) throw Refusal("cannot set up the deflate compressor (out of memory)");
  bool onePiece = file.Size() <= kDeflatePieceSize;
  size_t room = onePiece ? (size_t)file.Size() - 1 : libdeflate_deflate_compress_bound(c.get(), kDeflatePieceSize);
  std::vector<uint8_t> packed(room + kChainSuffixSize);
  std::unique_ptr<FinalBlockFinder> finder(onePiece ? nullptr : new FinalBlockFinder);
  bool fits = true;
  sink.Start();
  pieces.Pass([&](std::vector<uint8_t>& piece, uint64_t done) {
    size_t n = fits ? libdeflate_deflate_compress(c.get(), piece.data(), piece.size(), packed.data(), room) : 0;
    if (n > 0 && done < file.Size() && (n = MakeNonFinal(*finder, packed.data(), n)) == 0)
      throw Refusal(file.Path() + ": internal error: a deflate piece could not be chained");
    fits = n > 0;
    if (fits) sink.Put(packed.data(), n);
    progress(done);
  });
  return fits;
}

}  // namespace

void WriteFileEntry(ZipWriter& writer, PendingOutput& out, ZipEntryHeader h, const InputFile& file,
                    int level, const std::string& password, HeaderRandom& random,
                    const std::function<void(uint64_t)>& progress) {
  if (file.Size() > kLargestOutput)
    throw Refusal(file.Path() + ": " + std::to_string(file.Size()) + " bytes; a self-extractor holds at most " +
                  std::to_string(kLargestOutput));
  h.uncompressedSize = (uint32_t)file.Size();
  Pieces pieces(file);
  std::vector<uint8_t> plainHeader;
  if (!password.empty()) {
    // The encryption header's check byte is the CRC's high byte, needed
    // before the first byte of data: a pass of its own for it.
    pieces.Pass([](std::vector<uint8_t>&, uint64_t) {});
    h.crc = pieces.Crc();
    h.flags |= kFlagEncrypted;
    plainHeader = NewEncryptionHeader(password, h, random);
  }
  writer.Begin(h);
  DataSink sink(out, password, plainHeader);
  // Stored when deflate does not make the data smaller than the file.
  bool deflated = level != kStoreLevel && file.Size() > 0 && DeflatePieces(file, pieces, level, sink, progress) &&
                  sink.Written() - plainHeader.size() < file.Size();
  if (!deflated) {
    sink.Start();
    pieces.Pass([&](std::vector<uint8_t>& piece, uint64_t done) {
      sink.Put(piece.data(), piece.size());
      progress(done);
    });
  }
  h.method = deflated ? kMethodDeflated : kMethodStored;
  h.versionNeeded = deflated ? 20 : 10;
  h.crc = pieces.Crc();
  h.compressedSize = (uint32_t)sink.Written();
  writer.End(h);
}
