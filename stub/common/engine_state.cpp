// The engine's one state object, and the fresh start of the tools that run
// the engine more than once.
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
