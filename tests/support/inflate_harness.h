// Runs the inflate decoder on one entry the way the walk does: the entry's
// bytes in a file opened as ArchiveFile, BytesRemaining set, an output file,
// RunningCrc preset.  Used by the unit tests (natively and under Wine), the
// fuzz target and the benchmark.  No test framework inside.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "platform/platform.h"

struct InflateIo {
  bool write;
  DWORD asked;
  DWORD done;
  bool operator==(const InflateIo& o) const {
    return write == o.write && asked == o.asked && done == o.done;
  }
};

struct InflateOutcome {
  std::string output;     // the output file afterwards
  int result = -1;        // lastInflateResult
  uint32_t crc = 0;       // RunningCrc, complemented
  int32_t bytesRemaining = 0;
  std::vector<InflateIo> io;  // every ReadFile and WriteFile, where observable

  std::vector<DWORD> Reads() const;
  std::vector<DWORD> Writes() const;
};

class InflateHarness {
 public:
  InflateHarness();
  ~InflateHarness();
  InflateHarness(const InflateHarness&) = delete;
  InflateHarness& operator=(const InflateHarness&) = delete;

  // `file` is what the archive holds from the entry's first byte to its end
  // (the data may be followed by other records, or cut short); the entry
  // declares `compressedSize` bytes.  With a password, `file` starts with the
  // 12-byte encryption header, which is checked as the walk does first.
  InflateOutcome Run(const std::string& file, int32_t compressedSize,
                     const char* password = nullptr);
  // A raw stream as a whole entry.
  InflateOutcome Run(const std::string& stream) {
    return Run(stream, (int32_t)stream.size());
  }

  // Output is written to this Windows path unless set otherwise (the
  // benchmark points it at the null device).
  void SetOutputPath(const std::string& windowsPath) { outputWin_ = windowsPath; }

 private:
  std::string native_;
  std::string inputWin_, outputWin_, outputNative_;
};

// The traditional encryption of `data` (an entry's compressed bytes) behind
// a 12-byte header whose last byte is the CRC's high byte.
std::string EncryptEntry(const std::string& data, const char* password, uint32_t crc);

// Hex text ("0a ff" or "0aff") to bytes.
std::string FromHex(const std::string& hex);
