// The current entry's data: the one source every method reads its input
// from, and the one sink it writes its output to.
#include "entry_data.h"

#include "../integrity/crc32.h"
#include "../integrity/zipcrypto.h"

int32_t ReadEntryData(uint8_t* buffer, int32_t capacity) {
  int32_t ask = Engine.BytesRemaining < capacity ? Engine.BytesRemaining : capacity;
  // Only the count delivered matters: a failed read delivers nothing.
  DWORD delivered = ReadArchive(buffer, (DWORD)ask);
  if (Engine.LocalHeader.flags & kFlagEncrypted) DecryptBuffer(Engine.Keys, buffer, (int32_t)delivered);
  return (int32_t)delivered;
}

void WriteEntryData(const uint8_t* buffer, int32_t count) {
  DWORD written = 0;
  WriteFile(Engine.OutputFile, buffer, (DWORD)count, &written, nullptr);
  // Only what was written enters the CRC: a short write (a full disk) then
  // fails the entry's check instead of passing a truncated file.
  UpdateCrcBuffer(buffer, (int32_t)written, Engine.RunningCrc);
  Engine.BytesWritten += written;
  KeepWindowAnswering();
}
