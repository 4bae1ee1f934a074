// The list of what a temporary extraction made.
#include "made_list.h"

#include "engine_state.h"
#include "heap.h"
#include "text.h"

void NoteMade(const char* path) {
  if (!Engine.SfxSettings.TempCleanup) return;
  int size = StrLength(path) + 1;
  MadeItem* item = (MadeItem*)TakeMemory(sizeof(MadeItem) + size);
  AppendText(item->path, 0, size, path);
  item->older = Engine.Made;
  Engine.Made = item;
}

// Tries at removing one path, kRemoveWait ms apart: a process the program
// left behind (the console host of a console program) may hold its folder
// for a moment after the program has ended.  Only a path in use is waited
// for; one the program removed or filled is not.
const int kRemoveTries = 20;
const DWORD kRemoveWait = 100;

void RemoveMade() {
  while (MadeItem* item = Engine.Made) {
    for (int tries = kRemoveTries; !DeleteFileA(item->path) && !RemoveDirectoryA(item->path) &&
                                   GetLastError() == ERROR_SHARING_VIOLATION && --tries;)
      Sleep(kRemoveWait);
    Engine.Made = item->older;
    ReleaseMemory(item);
  }
}
