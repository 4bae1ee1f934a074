// The program's own file, the one way through it, and where the archive lies
// in it: the start-up state, owned here and reset here.
#include "startup.h"

HANDLE ArchiveFile;
int32_t FilePos;
HINSTANCE HInstance;
BOOL SkipMainDialog;
uint32_t ExitCode;

int32_t ArchiveStart;
uint16_t BlockLength;
int32_t EndRecordAt = -1;
uint16_t CentralEntryCount;
uint8_t CentralHeader[kCentralHeaderSize];

void ResetStartupState() {
  ArchiveFile = INVALID_HANDLE_VALUE;
  FilePos = 0;
  SkipMainDialog = FALSE;
  Silent = FALSE;
  FolderSwitch = nullptr;
  ArchiveStart = 0;
  BlockLength = 0;
  EndRecordAt = -1;
  CentralEntryCount = 0;
  for (int i = 0; i < kCentralHeaderSize; ++i) CentralHeader[i] = 0;
  ExitCode = 0;
}

int32_t SeekArchive(int32_t distance, DWORD origin) {
  // A failed seek returns 0xFFFFFFFF, which is -1 as a signed position; files
  // of 2 GiB and more are outside this design.
  FilePos = (int32_t)SetFilePointer(ArchiveFile, distance, nullptr, origin);
  return FilePos;
}

DWORD ReadArchive(void* buffer, DWORD count) {
  DWORD got = 0;
  ReadFile(ArchiveFile, buffer, count, &got, nullptr);
  return got;
}
