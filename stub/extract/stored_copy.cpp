// Stored entries, output writes and file times.
#include "../integrity/crc32.h"
#include "../integrity/zipcrypto.h"
#include "../startup/startup.h"
#include "extract.h"
#include "fatal.h"

// Loading a system cursor costs about 170 us under Wine and setting one about
// 50 us: the cursor is loaded once for the run and set once per entry, not
// per 32 KiB write.  While Busy the main dialog keeps it up on WM_SETCURSOR.
static HCURSOR waitCursor;

void PutUpWaitCursor() {
  if (!waitCursor) waitCursor = LoadCursorA(nullptr, IDC_WAIT);
  SetCursor(waitCursor);
}

void CopyStored() {
  // An encrypted entry shorter than its 12-byte header leaves BytesRemaining
  // negative: there is nothing to copy and nothing to allocate.
  if (BytesRemaining <= 0) return;
  int32_t chunk = BytesRemaining < kChunkSize ? BytesRemaining : kChunkSize;
  uint8_t* buffer = (uint8_t*)TakeMemory((DWORD)chunk);
  bool encrypted = (LocalHeader.flags & kFlagEncrypted) != 0;
  while (BytesRemaining > 0) {
    DWORD n = 0;
    ReadFile(ArchiveFile, buffer, (DWORD)(BytesRemaining < chunk ? BytesRemaining : chunk), &n,
             nullptr);
    if (n == 0) break;  // the archive ends inside the entry's data
    BytesRemaining -= (int32_t)n;
    if (encrypted) DecryptBuffer(buffer, (int32_t)n);
    // A failed or short write feeds fewer bytes to the CRC, so the entry
    // fails its check instead of passing with a damaged file.
    DWORD written = 0;
    WriteOutput(OutputFile, buffer, (int32_t)n, &written);
    UpdateCrcBuffer(buffer, (int32_t)written, RunningCrc);
  }
  ReleaseMemory(buffer);
}

void SetFileTimeFromDos(HANDLE file, uint32_t timeDate) {
  FILETIME local, utc;
  if (!DosDateTimeToFileTime((WORD)(timeDate >> 16), (WORD)timeDate, &local)) return;
  LocalFileTimeToFileTime(&local, &utc);
  SetFileTime(file, nullptr, nullptr, &utc);
}
