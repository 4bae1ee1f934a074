// The part of mksfx's file access that is the same on every system: reads
// that must deliver every byte asked for, and copies in bounded chunks.  The
// system calls themselves are in file_io_host.cpp (POSIX) and
// file_io_win32.cpp.
#include "errors.h"
#include "file_io.h"

const char kStandardOutputName[] = "-";

std::vector<uint8_t> InputFile::ReadAt(uint64_t offset, size_t count) const {
  std::vector<uint8_t> bytes = ReadSome(offset, count);
  if (bytes.size() != count) throw Refusal(path_ + ": unexpected end of file");
  return bytes;
}

void InputFile::CopyTo(uint64_t offset, uint64_t count, PendingOutput& out) const {
  while (count > 0) {
    size_t step = count < kCopyChunkSize ? (size_t)count : kCopyChunkSize;
    std::vector<uint8_t> chunk = ReadAt(offset, step);
    out.Write(chunk);
    offset += step;
    count -= step;
  }
}
