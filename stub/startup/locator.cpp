// Finds the ZIP archive from the end of the program's own file, or from
// where its certificate table begins when the file is signed, and the
// configuration block in front of it.  Nothing at or behind the table's start
// is read: anything there (an archive hidden in the table after signing,
// which leaves the signature valid) is never taken.
#include "../common/heap.h"
#include "../common/messages.h"
#include "../common/own_process.h"
#include "../common/pe_format.h"
#include "../common/dialogs.h"
#include "startup.h"

// The end record and the longest comment, plus one: the record must end
// exactly at the end of the file, so it lies within the last 65,558 bytes.
const int32_t kScanWindow = kEndRecordSize + kMaxCommentLength + 1;
static_assert(kScanWindow == 0x10016, "scan window of the end record search");

// Reports that no archive was found, closes the file and ends the program.
[[noreturn]] static void ArchiveNotFound(uint8_t* scanBuffer) {
  ReleaseMemory(scanBuffer);
  ShowMessage(kCannotProcessFile, kErrorCaption, MB_ICONERROR);
  CloseHandle(Engine.ArchiveFile);
  EndProcess(kExitCannotProcess);
}

int32_t ArchiveEnd() {
  // The image's own headers, as the loader mapped them: a signer enters the
  // table's file position there (and leaves everything in front of it as it
  // was), 0 in an unsigned image.
  const uint8_t* image = OwnImageHeaders();
  int32_t table = (int32_t)CertificateTableIn(image);
  return table ? table : (int32_t)GetFileSize(Engine.ArchiveFile, nullptr);
}

void LocateArchive() {
  int32_t end = ArchiveEnd();
  int32_t window = end - Engine.ArchiveStart;
  if (window > kScanWindow) window = kScanWindow;
  if (window <= kEndRecordSize) ArchiveNotFound(nullptr);

  uint8_t* scan = (uint8_t*)TakeMemory((DWORD)window);
  int32_t windowStart = SeekArchive(end - window, FILE_BEGIN);
  if ((int32_t)ReadArchive(scan, (DWORD)window) < window) ArchiveNotFound(scan);

  for (int32_t i = 0; i <= window - kEndRecordSize; ++i) {
    // Byte by byte: the stub's own image must hold no copy of the signature,
    // and the window may reach back into its tail.
    const uint8_t* r = scan + i;
    if (r[0] != (uint8_t)kEndRecordSignature || r[1] != (uint8_t)(kEndRecordSignature >> 8) ||
        r[2] != (uint8_t)(kEndRecordSignature >> 16) || r[3] != (uint8_t)(kEndRecordSignature >> 24))
      continue;
    if (end != windowStart + i + kEndRecordSize + Read16(r + kEndCommentLength)) continue;
    // The lowest record that ends exactly at the archive's end is the one;
    // no later candidate is tried, whatever its directory holds.
    Engine.EndRecordAt = windowStart + i;
    uint16_t entries = Read16(r + kEndEntriesTotal);
    Engine.CentralEntryCount = entries;
    SeekArchive((int32_t)Read32(r + kEndCentralOffset), FILE_BEGIN);
    ReadArchive(Engine.CentralHeader, kCentralHeaderSize);
    if (!WalkCentralDirectory(entries)) ArchiveNotFound(scan);
    ReleaseMemory(scan);
    return;
  }
  ArchiveNotFound(scan);
}

bool WalkCentralDirectory(uint16_t entryCount) {
  int32_t smallest = (int32_t)Read32(Engine.CentralHeader + kCentralLocalOffset);
  for (uint16_t k = 0; k < entryCount; ++k) {
    // A short read leaves stale bytes that fail here or further on.
    if (Read32(Engine.CentralHeader) != kCentralHeaderSignature) return false;
    int32_t offset = (int32_t)Read32(Engine.CentralHeader + kCentralLocalOffset);
    if (offset < smallest) smallest = offset;
    SeekArchive(Read16(Engine.CentralHeader + kCentralNameLength) + Read16(Engine.CentralHeader + kCentralExtraLength) +
                    Read16(Engine.CentralHeader + kCentralCommentLength),
                FILE_CURRENT);
    ReadArchive(Engine.CentralHeader, kCentralHeaderSize);
  }
  if (smallest > 0) {
    SeekArchive(smallest - 2, FILE_BEGIN);
    ReadArchive(&Engine.BlockLength, sizeof Engine.BlockLength);
    int32_t headerAt = SeekArchive(0, FILE_CURRENT);
    int32_t blockAt = headerAt - Engine.BlockLength;
    if (blockAt > 0) {
      uint8_t magic[kBlockMagicSize];
      SeekArchive(blockAt, FILE_BEGIN);
      if (ReadArchive(magic, kBlockMagicSize) == kBlockMagicSize && IsBlockMagic(magic))
        Engine.ArchiveStart = blockAt;
    }
  }
  return true;
}
