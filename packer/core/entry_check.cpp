// The check of an entry's data by the stub's own code, in both builds: the
// walk's DecodeEntryData reads the input through the system's file calls
// (the stand-in's on Linux) on the engine's own file, decrypts with the
// stub's keys and feeds the stub's CRC; the output goes to the NUL device,
// so nothing is kept and memory stays at the decoder's own buffers (32 KiB
// in, 32 KiB window).  The engine's sink counts what it wrote
// (BytesWritten), since the NUL device keeps no count on Windows.  The
// decoder's block loop is also run alone, from its internal header, to find
// where a piece's final block lies.
#include <cstdint>
#include <algorithm>
#include <cstdio>

#include "entry_coding.h"
#include "errors.h"
#include "sfx_limits.h"
#include "stub_engine.h"

namespace {

std::string Hex8(uint32_t v) {
  char text[12];
  std::snprintf(text, sizeof text, "%08x", v);
  return text;
}

}  // namespace

StubDecoder::StubDecoder(const std::string& path) : path_(path) {
  EnsureCrcTable();
  Engine.ArchiveFile = OpenForEngine(path);
  Engine.OutputFile = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (Engine.OutputFile == INVALID_HANDLE_VALUE) {
    CloseHandle(Engine.ArchiveFile);
    Engine.ArchiveFile = INVALID_HANDLE_VALUE;
    throw Refusal("cannot open the NUL device");
  }
}

StubDecoder::~StubDecoder() {
  CloseHandle(Engine.OutputFile);
  CloseHandle(Engine.ArchiveFile);
  Engine.OutputFile = nullptr;
  Engine.ArchiveFile = INVALID_HANDLE_VALUE;
}

void StubDecoder::Seek(uint64_t pos) {
  // Positions of input archives may pass 2 GiB, where SeekArchive ends.
  LONG high = (LONG)(pos >> 32);
  if (SetFilePointer(Engine.ArchiveFile, (LONG)(uint32_t)pos, &high, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
      GetLastError() != ERROR_SUCCESS)
    throw Refusal(path_ + ": cannot read at offset " + std::to_string(pos));
}

DataCheck StubDecoder::Check(uint64_t pos, uint32_t size, uint16_t method, uint32_t crc, uint32_t uncompressedSize,
                             bool decrypt) {
  // BytesRemaining is signed: the stub's walk ends at a larger size.
  if (size > kLargestOutput - (decrypt ? kEncryptionHeaderLength : 0))
    return {"data of " + std::to_string(size) + " bytes, more than the stub reads for one entry"};
  Seek(pos);
  // The entry as its local header would give it; the file stands behind the
  // encryption header, as after the walk's password stage.
  LocalHeaderRecord& h = Engine.LocalHeader;
  h = LocalHeaderRecord();
  h.method = method;
  h.crc32 = crc;
  h.flags = decrypt ? kFlagEncrypted : 0;
  h.compressedSize = size + (decrypt ? kEncryptionHeaderLength : 0);
  Engine.BytesWritten = 0;
  bool crcMatches = DecodeEntryData();
  if (method == kMethodDeflated && Engine.LastInflateResult != kInflateOk)
    return {Engine.LastInflateResult == kInflateTruncated ? "deflate data cut short" : "deflate data damaged"};
  // Counted modulo 2^32, as the sizes claimed are: a stream that gives 4 GiB
  // more than it claims passes the count, and the CRC still has to match.
  uint32_t written = Engine.BytesWritten;
  if (written != size && method == kMethodStored) return {"data cut short by the end of the archive", crcMatches};
  if (method == kMethodStored && size != uncompressedSize)
    return {"stored data of " + std::to_string(size) + " bytes where " + std::to_string(uncompressedSize) +
                " are claimed",
            crcMatches};
  if (written != uncompressedSize)
    return {"data give " + std::to_string(written) + " bytes where " +
                std::to_string(uncompressedSize) + " are claimed",
            crcMatches};
  if (!crcMatches)
    return {"data have CRC-32 " + Hex8(Engine.RunningCrc ^ 0xFFFFFFFF) + " where " + Hex8(crc) + " is claimed"};
  return {"", true};
}

bool PasswordFits(const InputFile& file, uint64_t pos, uint16_t flags, uint32_t crc, uint32_t timeDate,
                  const std::vector<std::string>& passwords) {
  EnsureCrcTable();
  std::vector<uint8_t> header = file.ReadSome(pos, kEncryptionHeaderLength);
  header.resize(kEncryptionHeaderLength);
  for (const std::string& p : passwords) {
    uint8_t block[2 * kEncryptionHeaderLength];
    std::copy(header.begin(), header.end(), block + kEncryptionHeaderLength);
    if (CheckEncryptionHeader(block, kEncryptionHeaderLength, flags, crc, timeDate, p.c_str())) return true;
  }
  return false;
}

bool FinalBlockFinder::Find(const uint8_t* data, size_t size, uint64_t& headerBit, uint64_t& endBit) {
  if (size > kLargestOutput) return false;
  scratch_.Rewind(0);
  scratch_.Write(data, size);
  decoder_.Seek(0);
  // InflateEntry's steps, a block at a time.  The bit ahead of a block is
  // the bits the decoder took from its input less those it still holds.
  Engine.LocalHeader = LocalHeaderRecord();
  Engine.BytesRemaining = (int32_t)size;
  const int32_t total = (int32_t)size;
  auto bitsTaken = [total] { return (uint64_t)(total - Engine.BytesRemaining) * 8 - Engine.inflate.bitCount; };
  StartInflate();
  int lastBlock = 0, result;
  do {
    headerBit = bitsTaken();
    result = InflateBlock(lastBlock);
  } while (result == kInflateOk && !lastBlock);
  endBit = bitsTaken();
  FinishInflate();
  return result == kInflateOk;
}
