// Files as mksfx uses them: an input read at absolute positions, and an
// output that appears under its name only when it is complete.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A file open for reading.  Every failure throws Refusal naming the path.
class InputFile {
 public:
  explicit InputFile(const std::string& path);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  const std::string& Path() const { return path_; }
  // The bytes that reads reach: the file's size, or less after EndAt.
  uint64_t Size() const { return size_; }

  // Every later read stops at `end`, as if the file ended there: for an
  // archive that ends in front of a signer's certificate table.
  void EndAt(uint64_t end) { size_ = end < size_ ? end : size_; }

  // Exactly `count` bytes from `offset`; throws when the file is shorter.
  std::vector<uint8_t> ReadAt(uint64_t offset, size_t count) const;
  // Up to `count` bytes from `offset`, fewer at the end of the file.
  std::vector<uint8_t> ReadSome(uint64_t offset, size_t count) const;
  // Appends bytes [offset, offset + count) to `out` in chunks.
  void CopyTo(uint64_t offset, uint64_t count, class PendingOutput& out) const;

 private:
  std::string path_;
  int fd_ = -1;
  uint64_t size_ = 0;
};

// Bytes per step when copying a file: large enough that an archive of
// kLargestOutput bytes (sfx_limits.h) needs few system calls, small enough to
// sit on the heap unnoticed.
const size_t kCopyChunkSize = 1 << 20;

// The output path that stands for standard output.
extern const char kStandardOutputName[];

// The output is written to a temporary file beside `finalPath` and renamed
// over it by Commit.  Until then the destructor removes the temporary file,
// so a refusal or failure on any path leaves nothing behind.  For
// kStandardOutputName the temporary file lies in the system's temporary
// folder, and Commit copies it to standard output and removes it.
class PendingOutput {
 public:
  explicit PendingOutput(const std::string& finalPath);
  ~PendingOutput();
  PendingOutput(const PendingOutput&) = delete;
  PendingOutput& operator=(const PendingOutput&) = delete;

  void Write(const uint8_t* bytes, size_t count);
  void Write(const std::vector<uint8_t>& bytes) { Write(bytes.data(), bytes.size()); }
  uint64_t Written() const { return written_; }
  // Overwrites bytes already written, [pos, pos + count) within Written();
  // later writes still append.
  void WriteAt(uint64_t pos, const uint8_t* bytes, size_t count);
  // Drops everything from `pos` (at most Written()) on; writes append there.
  void Rewind(uint64_t pos);
  const std::string& TempPath() const { return tempPath_; }

  // Flushes, closes and renames; afterwards the destructor does nothing.
  void Commit();

 private:
  std::string finalPath_;
  std::string tempPath_;
  int fd_ = -1;
  uint64_t written_ = 0;
  bool committed_ = false;
};
