// The engine's heap blocks, all from the process heap.
#include "heap.h"

#include "fatal.h"

void* TakeMemory(DWORD bytes) {
  void* block = HeapAlloc(GetProcessHeap(), 0, bytes);
  if (!block) FatalErrorReport(kOutOfMemoryReport, "");
  return block;
}

void ReleaseMemory(void* block) {
  if (block) HeapFree(GetProcessHeap(), 0, block);
}
