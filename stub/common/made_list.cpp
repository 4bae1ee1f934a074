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

void RemoveMade() {
  while (MadeItem* item = Engine.Made) {
    if (!DeleteFileA(item->path)) RemoveDirectoryA(item->path);
    Engine.Made = item->older;
    ReleaseMemory(item);
  }
}
