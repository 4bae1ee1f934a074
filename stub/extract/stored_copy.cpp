// Stored entries and file times.
#include "../common/heap.h"
#include "../entry/entry_data.h"
#include "extract.h"

void CopyStored() {
  // An encrypted entry shorter than its 12-byte header leaves BytesRemaining
  // negative: there is nothing to copy and nothing to allocate.
  if (Engine.BytesRemaining <= 0) return;
  int32_t chunk = Engine.BytesRemaining < kChunkSize ? Engine.BytesRemaining : kChunkSize;
  uint8_t* buffer = (uint8_t*)TakeMemory((DWORD)chunk);
  while (Engine.BytesRemaining > 0) {
    int32_t n = ReadEntryData(buffer, chunk);
    if (n == 0) break;  // the archive ends inside the entry's data
    Engine.BytesRemaining -= n;
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
