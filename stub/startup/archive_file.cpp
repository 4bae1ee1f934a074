// The program's own file and the one way through it.
#include "startup.h"

HANDLE ArchiveFile;
int32_t FilePos;
HINSTANCE HInstance;
BOOL SkipMainDialog;

int32_t SeekArchive(int32_t distance, DWORD origin) {
  // A failed seek returns 0xFFFFFFFF, which is -1 as a signed position; files
  // of 2 GiB and more are outside this design.
  FilePos = (int32_t)SetFilePointer(ArchiveFile, distance, nullptr, origin);
  return FilePos;
}
