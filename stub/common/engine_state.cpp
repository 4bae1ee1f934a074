// The engine's one state object, the fresh start of the tools that run the
// engine more than once, and the one way through the own file.
#include "engine_state.h"

#include "heap.h"

EngineState Engine;

void ResetEngine() {
  ReleaseMemory(Engine.ItemOfEntry);
  ReleaseMemory(Engine.SfxSettings.InfoText);
  ReleaseMemory(Engine.SfxSettings.InfoCaption);
  ReleaseMemory(Engine.CrcTable);
  ReleaseMemory(Engine.inflate.inputBuffer);
  ReleaseMemory(Engine.inflate.slidingWindow);
  Engine = EngineState();
  // What the stub sets before it first reads them.
  Engine.ArchiveFile = INVALID_HANDLE_VALUE;
  Engine.CurrentListIndex = -1;
  Engine.OverwriteMode = kAskEachFile;
}

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
