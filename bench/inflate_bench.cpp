// Raw inflate speed: our decoder, zlib, libdeflate and ISA-L on the same
// streams.
//
// Our decoder runs as the walk runs it: the entry read from a file (in the
// page cache) in 32 KB chunks, decoded, each window written to the null
// device and fed to the CRC.  zlib and libdeflate decode memory to memory
// and then take the CRC of their output, so all do the same work.  ISA-L is
// the streaming anchor: like ours it keeps a 32 KiB history and hands its
// output on in 32 KiB pieces, each fed to its CRC (isal_streaming.cpp).
// Figures are MB/s of output (10^6 bytes) per second of the process's CPU
// time, best of several rounds.
//
//   build-rel/bench/inflate_bench [size-in-MB [corpus-name-part]]
#include <libdeflate.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "extract/extract.h"
#include "common/heap.h"
#include "inflate/inflate.h"
#include "inflate/inflate_private.h"
#include "integrity/crc32.h"
#include "isal_streaming.h"
#include "platform/host_control.h"
#include "startup/startup.h"
#include "support/inflate_oracle.h"

namespace fs = std::filesystem;

namespace {

// The decoders take turns, round after round, and each one's best round
// counts: on a shared machine the best round is the one least disturbed.
const int kRounds = 25;

// The process's CPU time (user and system: our decoder's file reads and
// writes count), not the wall clock: on a machine whose cores other work
// shares, a round spends much of its wall time waiting for a core, and the
// best of 25 rounds still does.
double Seconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

template <typename F>
void Time(double& best, F run) {
  double t = Seconds();
  run();
  best = std::min(best, Seconds() - t);
}

// Sorted regular files below `folder` whose names pass `keep`, concatenated
// up to `size` bytes.
std::string Gather(const std::string& folder, size_t size, bool (*keep)(const fs::path&)) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec);
       it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (ec) break;
    if (it->is_regular_file(ec) && !it->is_symlink(ec) && keep(it->path())) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  std::string out;
  for (const fs::path& p : files) {
    if (out.size() >= size) break;
    std::ifstream f(p, std::ios::binary);
    out.append(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }
  if (out.size() > size) out.resize(size);
  return out;
}

struct Result {
  double ours, zlib, libdeflate, isal, engineCrc;  // isal 0 when not built
};

Result Measure(const std::string& data, const std::string& stream, const fs::path& dir) {
  fs::path entry = dir / "entry.bin";
  std::ofstream(entry, std::ios::binary).write(stream.data(), (std::streamsize)stream.size());
  char entryWin[4096], nullWin[64];
  HostWindowsPath(entry.c_str(), entryWin, sizeof entryWin);
  HostWindowsPath("/dev/null", nullWin, sizeof nullWin);
  uint32_t ourCrc = 0;
  auto runOurs = [&] {
    Engine.ArchiveFile = CreateFileA(entryWin, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    Engine.OutputFile = CreateFileA(nullWin, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    Engine.LocalHeader.flags = 0;
    Engine.BytesRemaining = (int32_t)stream.size();
    Engine.RunningCrc = 0xFFFFFFFF;
    InflateEntry();
    ourCrc = Engine.RunningCrc ^ 0xFFFFFFFF;
    CloseHandle(Engine.ArchiveFile);
    CloseHandle(Engine.OutputFile);
  };
  uint32_t want = (uint32_t)crc32(0, (const Bytef*)data.data(), (uInt)data.size());

  std::string out(data.size(), '\0');
  auto runZlib = [&] {
    z_stream z = {};
    inflateInit2(&z, -15);
    z.next_in = (Bytef*)stream.data();
    z.avail_in = (uInt)stream.size();
    z.next_out = (Bytef*)&out[0];
    z.avail_out = (uInt)out.size();
    if (inflate(&z, Z_FINISH) != Z_STREAM_END) exit(1);
    inflateEnd(&z);
    if ((uint32_t)crc32(0, (const Bytef*)out.data(), (uInt)out.size()) != want) exit(1);
  };

  libdeflate_decompressor* d = libdeflate_alloc_decompressor();
  auto runLibdeflate = [&] {
    size_t n = 0;
    if (libdeflate_deflate_decompress(d, stream.data(), stream.size(), &out[0], out.size(), &n) !=
        LIBDEFLATE_SUCCESS)
      exit(1);
    if (libdeflate_crc32(0, out.data(), n) != want) exit(1);
  };
  auto runIsal = [&] {
    uint32_t crc;
    size_t n;
    if (!IsalInflatePieces((const uint8_t*)stream.data(), stream.size(), crc, n) ||
        n != data.size() || crc != want)
      exit(1);
  };
  // The engine's CRC alone, which our figure includes.
  auto runCrc = [&] {
    uint32_t c = 0xFFFFFFFF;
    UpdateCrcBuffer((const uint8_t*)data.data(), (int32_t)data.size(), c);
    if ((c ^ 0xFFFFFFFF) != want) exit(1);
  };
  double ours = 1e30, zlibTime = 1e30, libdeflateTime = 1e30, isalTime = 1e30, crcTime = 1e30;
  for (int round = 0; round < kRounds; ++round) {
    Time(ours, runOurs);
    if (Engine.LastInflateResult != kInflateOk || ourCrc != want) {
      fprintf(stderr, "our decoder got it wrong (result %d)\n", Engine.LastInflateResult);
      exit(1);
    }
    Time(zlibTime, runZlib);
    Time(libdeflateTime, runLibdeflate);
    if (IsalAvailable()) Time(isalTime, runIsal);
    Time(crcTime, runCrc);
  }
  libdeflate_free_decompressor(d);
  double mb = (double)data.size() / 1e6;
  return {mb / ours, mb / zlibTime, mb / libdeflateTime, IsalAvailable() ? mb / isalTime : 0,
          mb / crcTime};
}

bool IsText(const fs::path& p) {
  std::string e = p.extension().string();
  return e == ".h" || e == ".txt" || e == ".html" || p.parent_path().filename() == "common-licenses";
}

bool IsBinary(const fs::path& p) {
  std::string n = p.filename().string();
  return n.find(".so") != std::string::npos;
}

}  // namespace

int main(int argc, char** argv) {
  size_t size = (size_t)(argc > 1 ? atof(argv[1]) : 8) * 1000000;
  Engine.CrcTable = (uint32_t*)TakeMemory(kCrcTableBytes);
  BuildCrcTable();
  fs::path dir = fs::temp_directory_path() / ("inflate-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);

  struct Set {
    const char* name;
    std::string data;
  };
  std::vector<Set> sets;
  sets.push_back({"text (/usr/include, share)", Gather("/usr/include", size, IsText)});
  if (sets.back().data.size() < size) sets.back().data += Gather("/usr/share", size, IsText);
  sets.push_back({"binaries (/usr/lib *.so)", Gather("/usr/lib/x86_64-linux-gnu", size, IsBinary)});
  sets.push_back({"incompressible (random)", MakeCorpus(Corpus::kRandom, size, 1)});
  sets.push_back({"synthetic text", MakeCorpus(Corpus::kText, size, 2)});

  printf("%-28s %-14s %6s %6s %6s %6s %6s %9s %9s %9s %6s\n", "corpus", "stream", "ratio", "ours",
         "zlib", "ldef", "ISA-L", "ours/zlib", "ours/ldef", "ours/ISAL", "CRC");
  for (Set& s : sets) {
    if (argc > 2 && std::string(s.name).find(argv[2]) == std::string::npos) continue;
    if (s.data.size() > size) s.data.resize(size);
    struct Writer {
      const char* name;
      std::string stream;
    };
    Writer writers[] = {{"zlib -6", ZlibDeflateRaw(s.data, 6, Z_DEFAULT_STRATEGY)},
                        {"zlib -1", ZlibDeflateRaw(s.data, 1, Z_DEFAULT_STRATEGY)},
                        {"libdeflate -12", LibdeflateCompress(s.data, 12)}};
    for (const Writer& w : writers) {
      Result r = Measure(s.data, w.stream, dir);
      char isal[16] = "-", perIsal[16] = "-";
      if (r.isal > 0) {
        snprintf(isal, sizeof isal, "%.0f", r.isal);
        snprintf(perIsal, sizeof perIsal, "%.2f", r.ours / r.isal);
      }
      printf("%-28s %-14s %5.1f%% %6.0f %6.0f %6.0f %6s %9.2f %9.2f %9s %6.0f\n", s.name, w.name,
             100.0 * (double)w.stream.size() / (double)s.data.size(), r.ours, r.zlib,
             r.libdeflate, isal, r.ours / r.zlib, r.ours / r.libdeflate, perIsal, r.engineCrc);
      fflush(stdout);
    }
  }
  printf("MB/s of output (10^6 bytes) per CPU second, %.1f MB per corpus, best of %d rounds\n"
         "taken in turn; ours includes the engine's CRC (its speed alone in the last column),\n"
         "zlib, libdeflate (ldef) and ISA-L include their own crc32; ISA-L streams\n"
         "its output in 32 KiB pieces with a 32 KiB history, as ours does%s\n",
         (double)size / 1e6, kRounds, IsalAvailable() ? "" : " (not built: no libisal)");
  fs::remove_all(dir);
  return 0;
}
