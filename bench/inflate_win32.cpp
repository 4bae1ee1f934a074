// The stub's decoder as the stub is built (32-bit, its size flags, its own
// -O2 loop), timed under Wine: every deflated entry of a ZIP archive inflated
// through InflateEntry from the archive file, written to the null device and
// checked against its CRC.  The stub benchmark times whole extractions, whose
// file calls swamp a change to the decoder; this isolates the decoder.
//
//   wine sfxbenchinflate.exe ARCHIVE [ROUNDS]
//
// Prints the output's size and the best round's MB/s (10^6 bytes of output per
// second).  Encrypted entries and entries whose sizes follow their data are
// not for this program.  Exit code 0, or 1 when an entry fails, or the
// archive cannot be opened or holds no entry to inflate.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "common/fatal.h"
#include "common/heap.h"
#include "common/zip_format.h"
#include "extract/extract.h"
#include "inflate/inflate.h"
#include "inflate/inflate_private.h"
#include "integrity/crc32.h"
#include "startup/startup.h"

// The stub reports a failed allocation in a message box; here it is printed.
void FatalErrorReport(DWORD code, const char*) {
  fprintf(stderr, "sfxbenchinflate: fatal error %lu\n", code);
  ExitProcess(1);
}

namespace {

// One pass over the archive's local headers; false after a message when an
// entry fails.  `bytes` receives the output's size.
bool InflateAll(HANDLE archive, unsigned long long* bytes) {
  *bytes = 0;
  DWORD at = 0;
  for (;;) {
    DWORD got = 0;
    SetFilePointer(archive, (LONG)at, nullptr, FILE_BEGIN);
    if (!ReadFile(archive, &Engine.LocalHeader, sizeof Engine.LocalHeader, &got, nullptr) ||
        got < sizeof Engine.LocalHeader || Engine.LocalHeader.signature != kLocalHeaderSignature)
      return true;
    const LocalHeaderRecord h = Engine.LocalHeader;
    DWORD data = at + kLocalHeaderSize + h.nameLength + h.extraLength;
    if (h.method == kMethodDeflated && !(h.flags & kFlagEncrypted)) {
      SetFilePointer(archive, (LONG)data, nullptr, FILE_BEGIN);
      Engine.ArchiveFile = archive;
      Engine.BytesRemaining = (int32_t)h.compressedSize;
      Engine.RunningCrc = 0xFFFFFFFF;
      if (!InflateEntry() || (Engine.RunningCrc ^ 0xFFFFFFFF) != h.crc32) {
        fprintf(stderr, "sfxbenchinflate: the entry at %lu fails\n", at);
        return false;
      }
      *bytes += h.uncompressedSize;
    }
    at = data + h.compressedSize;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    fprintf(stderr, "usage: sfxbenchinflate ARCHIVE [ROUNDS]\n");
    return 1;
  }
  HANDLE archive = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                               nullptr);
  if (archive == INVALID_HANDLE_VALUE) {
    fprintf(stderr, "sfxbenchinflate: cannot open %s\n", argv[1]);
    return 1;
  }
  int rounds = argc == 3 ? atoi(argv[2]) : 10;
  Engine.CrcTable = (uint32_t*)TakeMemory(kCrcTableEntries * sizeof(uint32_t));
  BuildCrcTable();
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  double best = 0;
  unsigned long long bytes = 0;
  for (int r = 0; r < rounds; ++r) {
    Engine.OutputFile = CreateFileA("NUL", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    bool ok = InflateAll(archive, &bytes);
    QueryPerformanceCounter(&end);
    CloseHandle(Engine.OutputFile);
    if (!ok) return 1;
    double seconds = (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart;
    if (r == 0 || seconds < best) best = seconds;
  }
  if (!bytes) {
    fprintf(stderr, "sfxbenchinflate: %s holds no deflated entry without encryption\n", argv[1]);
    return 1;
  }
  printf("%.1f MB in %.4f s best of %d: %.1f MB/s\n", (double)bytes / 1e6, best, rounds,
         (double)bytes / 1e6 / best);
  return 0;
}
