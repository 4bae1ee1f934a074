// Temporary folders and files for the tests, with the Windows path the
// engine sees next to the path the test itself uses.  The engine tests and
// the packer tests (which hand the native paths to mksfx) share them.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

// A fresh folder under the system's temporary folder ($TMPDIR on Linux),
// removed with everything in it (links are removed, not followed).
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The path the engine is given ("Z:\tmp\..." on the host) and the path
  // the test opens; `rel` uses "/" and may be empty.
  std::string Win(const std::string& rel = "") const;
  std::string Native(const std::string& rel = "") const;

  void Write(const std::string& rel, const std::string& bytes) const;
  std::string Read(const std::string& rel) const;
  bool Exists(const std::string& rel) const;
  bool IsFolder(const std::string& rel) const;
  void MakeFolder(const std::string& rel) const;
  // Every file and folder below the folder, "/"-separated, folders ending in
  // "/", sorted.
  std::vector<std::string> Tree() const;
  // The names directly in the folder, sorted, without a trailing "/".
  std::vector<std::string> Names() const;

 private:
  std::string native_;
  std::string win_;
};

std::string ReadNativeFile(const std::string& path);
void WriteNativeFile(const std::string& path, const std::string& bytes);

// The native path of a file of the test corpus (tests/data/corpus/...;
// $SFX_CORPUS_DIR names another corpus folder), and its bytes.
std::string CorpusPath(const std::string& rel);
std::string CorpusFile(const std::string& rel);

// The last write time of a file in seconds since 1970 (UTC), through the
// platform's file time calls; -1 when it cannot be read.
int64_t LastWriteTime(const std::string& winPath);

// Seconds since 1970 of a DOS date and time taken as local time, as the
// platform converts it now; -1 when it does not convert.
int64_t DosTimeAsUtc(uint16_t date, uint16_t time);
