// The program's own file, the one way through it.
#include "own_file.h"

#include "engine_state.h"

int32_t SeekArchive(int32_t distance, DWORD origin) {
  // A failed seek returns 0xFFFFFFFF, which is -1 as a signed position; files
  // of 2 GiB and more are outside this design.
  Engine.FilePos = (int32_t)SetFilePointer(Engine.ArchiveFile, distance, nullptr, origin);
  return Engine.FilePos;
}

DWORD ReadArchive(void* buffer, DWORD count) {
  DWORD got = 0;
  ReadFile(Engine.ArchiveFile, buffer, count, &got, nullptr);
  return got;
}
