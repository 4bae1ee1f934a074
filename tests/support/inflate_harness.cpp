// Runs the inflate decoder on one entry held in a file.
#include "inflate_harness.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "extract/extract.h"
#include "common/heap.h"
#include "inflate/inflate.h"
#include "inflate/inflate_private.h"
#include "integrity/crc32.h"
#include "integrity/zipcrypto.h"
#include "startup/startup.h"
#include "test_platform.h"
#ifndef _WIN32
#include <unistd.h>
#else
#include <process.h>
#define getpid _getpid
#endif

namespace fs = std::filesystem;

namespace {

std::atomic<int> harnessCounter;

void EnsureCrcTable() {
  if (Engine.CrcTable) return;
  Engine.CrcTable = (uint32_t*)TakeMemory(kCrcTableBytes);
  BuildCrcTable();
}

}  // namespace

std::vector<DWORD> InflateOutcome::Reads() const {
  std::vector<DWORD> r;
  for (const InflateIo& i : io)
    if (!i.write) r.push_back(i.asked);
  return r;
}

std::vector<DWORD> InflateOutcome::Writes() const {
  std::vector<DWORD> r;
  for (const InflateIo& i : io)
    if (i.write) r.push_back(i.asked);
  return r;
}

InflateHarness::InflateHarness() {
  fs::path dir = fs::temp_directory_path() /
                 ("inflate-" + std::to_string(getpid()) + "-" + std::to_string(++harnessCounter));
  fs::create_directories(dir);
  native_ = dir.string();
  inputWin_ = test_platform::WindowsPath((dir / "entry.bin").string());
  outputNative_ = (dir / "out.bin").string();
  outputWin_ = test_platform::WindowsPath(outputNative_);
  EnsureCrcTable();
}

InflateHarness::~InflateHarness() {
  std::error_code ec;
  fs::remove_all(native_, ec);
}

InflateOutcome InflateHarness::Run(const std::string& file, int32_t compressedSize,
                                   const char* password) {
  {
    std::ofstream f(fs::path(native_) / "entry.bin", std::ios::binary | std::ios::trunc);
    f.write(file.data(), (std::streamsize)file.size());
  }
  InflateOutcome outcome;
  Engine.ArchiveFile = CreateFileA(inputWin_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  Engine.OutputFile = CreateFileA(outputWin_.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (Engine.ArchiveFile == INVALID_HANDLE_VALUE || Engine.OutputFile == INVALID_HANDLE_VALUE)
    throw std::runtime_error("cannot open the harness files");
  Engine.LocalHeader.flags = 0;
  Engine.BytesRemaining = compressedSize;
  if (password) {
    // The walk's order: the header is read and decrypted, the keys carry on.
    uint8_t header[kEncryptionHeaderLength];
    DWORD got = 0;
    ReadFile(Engine.ArchiveFile, header, kEncryptionHeaderLength, &got, nullptr);
    InitKeys(Engine.Keys, password);
    DecryptBuffer(Engine.Keys, header, (int32_t)got);
    Engine.LocalHeader.flags = kFlagEncrypted;
    Engine.BytesRemaining = compressedSize - kEncryptionHeaderLength;
  }
  Engine.RunningCrc = 0xFFFFFFFF;
  std::vector<test_platform::Io> io;
  test_platform::RecordIo(&io);
  InflateEntry();
  test_platform::RecordIo(nullptr);
  for (const test_platform::Io& i : io)
    if (i.file == Engine.ArchiveFile || i.file == Engine.OutputFile) outcome.io.push_back({i.isWrite, i.asked, i.done});
  outcome.result = Engine.LastInflateResult;
  outcome.crc = Engine.RunningCrc ^ 0xFFFFFFFF;
  outcome.bytesRemaining = Engine.BytesRemaining;
  CloseHandle(Engine.ArchiveFile);
  CloseHandle(Engine.OutputFile);
  Engine.ArchiveFile = INVALID_HANDLE_VALUE;
  Engine.OutputFile = INVALID_HANDLE_VALUE;
  if (outputWin_ == test_platform::WindowsPath(outputNative_)) {
    std::ifstream f(outputNative_, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    outcome.output = s.str();
  }
  return outcome;
}

std::string EncryptEntry(const std::string& data, const char* password, uint32_t crc) {
  EnsureCrcTable();
  std::string plain(kEncryptionHeaderLength, '\0');
  for (int i = 0; i < kEncryptionHeaderLength - 1; ++i) plain[i] = (char)(0x5A ^ (i * 37));
  plain[kEncryptionHeaderLength - 1] = (char)(crc >> 24);
  plain += data;
  InitKeys(Engine.Keys, password);
  std::string out(plain.size(), '\0');
  for (size_t i = 0; i < plain.size(); ++i) {
    uint8_t p = (uint8_t)plain[i];
    out[i] = (char)(p ^ DecryptByte(Engine.Keys));
    UpdateKeys(Engine.Keys, p);
  }
  return out;
}

std::string FromHex(const std::string& hex) {
  std::string out;
  int high = -1;
  for (char c : hex) {
    int v = c >= '0' && c <= '9' ? c - '0'
            : c >= 'a' && c <= 'f' ? c - 'a' + 10
            : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                   : -1;
    if (v < 0) continue;
    if (high < 0) {
      high = v;
    } else {
      out += (char)(high << 4 | v);
      high = -1;
    }
  }
  return out;
}
