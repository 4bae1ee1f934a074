// CRC-32 and decryption throughput: the engine's buffer update, its byte
// update (the reference loop), zlib's and libdeflate's crc32, and in-place
// decryption, all on the same buffers of pseudo-random and of text data.
//
// Every routine is fed in calls of kEngineChunkBytes, the size of the chunks
// and window flushes in which the engine hands data to them, so the figures
// are those of an extraction and not of one long call.  Before any timing the
// results are cross-checked; a mismatch ends the run with exit code 1.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <libdeflate.h>
#include <zlib.h>

#include "common/heap.h"
#include "common/own_process.h"
#include "integrity/crc32.h"
#include "integrity/zipcrypto.h"
#include "common/dialogs.h"

// fatal.cpp reports through the user interface; a benchmark has none.
void ShowMessage(const char* text, const char* caption, UINT) {
  fprintf(stderr, "crc_bench: %s: %s\n", caption, text);
}
void EndProcess(UINT code) { ExitProcess(code); }

namespace {

// The engine reads and flushes its window in chunks of 32,768 bytes.
const size_t kEngineChunkBytes = 32768;
// Large enough that the buffers leave every cache level, so the figures
// include memory traffic as an extraction does.
const size_t kDefaultBufferMiB = 64;
const size_t kQuickBufferMiB = 8;
const int kDefaultRepetitions = 7;
const int kQuickRepetitions = 3;
const double kBytesPerMB = 1e6;
const char kBenchPassword[] = "benchmark password";

struct Options {
  size_t bufferBytes = kDefaultBufferMiB << 20;
  int repetitions = kDefaultRepetitions;
};

// xorshift64*: fixed seed, so every run measures the same bytes.
struct Prng {
  uint64_t s;
  uint64_t Next() {
    s ^= s >> 12;
    s ^= s << 25;
    s ^= s >> 27;
    return s * 0x2545F4914F6CDD1DULL;
  }
};

std::vector<uint8_t> RandomBytes(size_t n) {
  std::vector<uint8_t> b(n);
  Prng r{0x9E3779B97F4A7C15ULL};
  for (size_t i = 0; i < n; i += 8) {
    uint64_t v = r.Next();
    memcpy(&b[i], &v, std::min<size_t>(8, n - i));
  }
  return b;
}

// English-like text: words from a fixed list, spaces, punctuation and lines
// of about 70 characters, drawn by the fixed-seed generator.
std::vector<uint8_t> TextBytes(size_t n) {
  static const char* const kWords[] = {
      "the", "of", "and", "to", "in", "is", "that", "for", "it", "as", "with", "was",
      "archive", "entry", "folder", "header", "data", "window", "length", "table", "code",
      "between", "without", "program", "extract", "compressed", "password", "every",
      "license", "software", "distribution", "permission", "warranty", "provided"};
  const size_t kWordCount = sizeof kWords / sizeof kWords[0];
  const size_t kLineWidth = 70;
  std::vector<uint8_t> b;
  b.reserve(n);
  Prng r{0xD1B54A32D192ED03ULL};
  size_t column = 0;
  while (b.size() < n) {
    uint64_t v = r.Next();
    const char* w = kWords[v % kWordCount];
    b.insert(b.end(), w, w + strlen(w));
    column += strlen(w) + 1;
    if ((v >> 32) % 11 == 0) b.push_back(',');
    if (column >= kLineWidth) {
      b.push_back('\n');
      column = 0;
    } else {
      b.push_back(' ');
    }
  }
  b.resize(n);
  return b;
}

uint32_t EngineBufferCrc(const std::vector<uint8_t>& b) {
  uint32_t crc = 0xFFFFFFFF;
  for (size_t at = 0; at < b.size(); at += kEngineChunkBytes)
    UpdateCrcBuffer(&b[at], (int32_t)std::min(kEngineChunkBytes, b.size() - at), crc);
  return ~crc;
}

uint32_t EngineByteCrc(const std::vector<uint8_t>& b) {
  uint32_t crc = 0xFFFFFFFF;
  for (size_t at = 0; at < b.size(); at += kEngineChunkBytes) {
    size_t end = std::min(b.size(), at + kEngineChunkBytes);
    for (size_t i = at; i < end; ++i) crc = UpdateCrc(b[i], crc);
  }
  return ~crc;
}

uint32_t ZlibCrc(const std::vector<uint8_t>& b) {
  uLong crc = crc32(0, Z_NULL, 0);
  for (size_t at = 0; at < b.size(); at += kEngineChunkBytes)
    crc = crc32(crc, &b[at], (uInt)std::min(kEngineChunkBytes, b.size() - at));
  return (uint32_t)crc;
}

uint32_t LibdeflateCrc(const std::vector<uint8_t>& b) {
  uint32_t crc = 0;
  for (size_t at = 0; at < b.size(); at += kEngineChunkBytes)
    crc = libdeflate_crc32(crc, &b[at], std::min(kEngineChunkBytes, b.size() - at));
  return crc;
}

void DecryptInPlace(std::vector<uint8_t>& b) {
  InitKeys(Engine.Keys, kBenchPassword);
  for (size_t at = 0; at < b.size(); at += kEngineChunkBytes)
    DecryptBuffer(Engine.Keys, &b[at], (int32_t)std::min(kEngineChunkBytes, b.size() - at));
}

// The writer's side of the traditional encryption, for the round-trip check
// only: the keystream byte is taken before the keys advance over the plain
// byte, as in decryption.
void EncryptInPlace(std::vector<uint8_t>& b) {
  InitKeys(Engine.Keys, kBenchPassword);
  for (uint8_t& byte : b) {
    uint8_t plain = byte;
    byte = (uint8_t)(plain ^ DecryptByte(Engine.Keys));
    UpdateKeys(Engine.Keys, plain);
  }
}

bool Check(const char* dataName, const std::vector<uint8_t>& b) {
  uint32_t reference = ZlibCrc(b);
  uint32_t got[] = {EngineBufferCrc(b), EngineByteCrc(b), LibdeflateCrc(b)};
  const char* names[] = {"UpdateCrcBuffer", "UpdateCrc loop", "libdeflate crc32"};
  bool ok = true;
  for (int i = 0; i < 3; ++i) {
    if (got[i] != reference) {
      fprintf(stderr, "crc_bench: %s: %s gives %08x, zlib %08x\n", dataName, names[i], got[i],
              reference);
      ok = false;
    }
  }
  std::vector<uint8_t> copy = b;
  EncryptInPlace(copy);
  if (copy == b) {
    fprintf(stderr, "crc_bench: %s: encryption left the data unchanged\n", dataName);
    ok = false;
  }
  DecryptInPlace(copy);
  if (copy != b) {
    fprintf(stderr, "crc_bench: %s: decryption does not restore the encrypted data\n", dataName);
    ok = false;
  }
  return ok;
}

// Keeps results alive so that the timed calls are not optimised away.
volatile uint32_t sink;

struct Routine {
  const char* name;
  std::function<void()> prepare;  // untimed, before every run
  std::function<void()> run;
  std::vector<double> seconds;
};

// Every repetition runs every routine once, starting one routine later than
// the repetition before, so that load from other users of the machine falls
// on all routines alike.
void RunData(const char* dataName, const std::vector<uint8_t>& data, int repetitions) {
  std::vector<uint8_t> work(data.size());
  auto none = [] {};
  std::vector<Routine> routines = {
      {"UpdateCrcBuffer", none, [&] { sink = EngineBufferCrc(data); }, {}},
      {"UpdateCrc byte loop (reference)", none, [&] { sink = EngineByteCrc(data); }, {}},
      {"zlib crc32", none, [&] { sink = ZlibCrc(data); }, {}},
      {"libdeflate crc32", none, [&] { sink = LibdeflateCrc(data); }, {}},
      {"InitKeys + DecryptBuffer in place",
       [&] { memcpy(work.data(), data.data(), data.size()); },
       [&] {
         DecryptInPlace(work);
         sink = Engine.Keys.key2;
       },
       {}},
  };
  const size_t kZlibRow = 2;
  for (int r = 0; r < repetitions; ++r) {
    for (size_t i = 0; i < routines.size(); ++i) {
      Routine& routine = routines[(r + i) % routines.size()];
      routine.prepare();
      auto start = std::chrono::steady_clock::now();
      routine.run();
      routine.seconds.push_back(
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
  }
  for (Routine& routine : routines) std::sort(routine.seconds.begin(), routine.seconds.end());
  const double zlibBest = routines[kZlibRow].seconds.front();
  const double mb = data.size() / kBytesPerMB;
  for (const Routine& routine : routines) {
    double best = routine.seconds.front();
    double median = routine.seconds[routine.seconds.size() / 2];
    printf("%-7s %-34s %10.1f %10.1f %12.2f\n", dataName, routine.name, mb / best, mb / median,
           zlibBest / best);
  }
}

bool ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--quick") {
      o.bufferBytes = kQuickBufferMiB << 20;
      o.repetitions = kQuickRepetitions;
    } else if (a == "--mib" && i + 1 < argc) {
      o.bufferBytes = (size_t)atol(argv[++i]) << 20;
    } else if (a == "--reps" && i + 1 < argc) {
      o.repetitions = atoi(argv[++i]);
    } else {
      return false;
    }
  }
  // The engine's lengths are signed 32-bit; chunks keep every call far below.
  return o.bufferBytes > 0 && o.bufferBytes <= (size_t)1 << 30 && o.repetitions > 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, o)) {
    fprintf(stderr, "usage: crc_bench [--quick] [--mib N (1-1024)] [--reps N]\n");
    return 2;
  }
  Engine.CrcTable = static_cast<uint32_t*>(TakeMemory(kCrcTableBytes));
  BuildCrcTable();

  std::vector<uint8_t> random = RandomBytes(o.bufferBytes);
  std::vector<uint8_t> text = TextBytes(o.bufferBytes);
  if (!Check("random", random) || !Check("text", text)) return 1;

  printf("CRC-32 and decryption: %zu MiB buffers fed in %zu-byte calls; best and median of\n"
         "%d runs, routines interleaved in every run; MB = 1,000,000 bytes; vs zlib = zlib\n"
         "crc32's best time / this best time (above 1: faster than zlib).\n",
         o.bufferBytes >> 20, kEngineChunkBytes, o.repetitions);
  printf("%-7s %-34s %10s %10s %12s\n", "data", "routine", "MB/s best", "MB/s med", "vs zlib");
  RunData("random", random, o.repetitions);
  RunData("text", text, o.repetitions);

  ReleaseMemory(Engine.CrcTable);
  Engine.CrcTable = nullptr;
  return 0;
}
