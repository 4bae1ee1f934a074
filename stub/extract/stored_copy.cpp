// Stored entries, the wait cursor and file times.
#include "../common/heap.h"
#include "extract.h"

// Loading a system cursor costs about 170 us under Wine and setting one about
// 10 to 50 us: the cursor is loaded once for the run and set at most once per
// file, never per 32 KiB write.  While Busy the main dialog keeps it up on
// WM_SETCURSOR.
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
  while (BytesRemaining > 0) {
    int32_t n = ReadEntryData(buffer, chunk);
    if (n == 0) break;  // the archive ends inside the entry's data
    BytesRemaining -= n;
    WriteEntryData(buffer, n);
  }
  ReleaseMemory(buffer);
}

void SetFileTimeFromDos(HANDLE file, uint32_t timeDate) {
  FILETIME local, utc;
  if (!DosDateTimeToFileTime((WORD)(timeDate >> 16), (WORD)timeDate, &local)) return;
  LocalFileTimeToFileTime(&local, &utc);
  SetFileTime(file, nullptr, nullptr, &utc);
}
