// Which list item belongs to which entry.  The list is sorted for the user,
// so an entry's item index is not its place in the archive; the table maps
// one to the other in constant time, duplicates included.
#include "../common/heap.h"
#include "extract.h"

void ReleaseListItemTable() {
  ReleaseMemory(Engine.ItemOfEntry);
  Engine.ItemOfEntry = nullptr;
}

void MapListItems(HWND list) {
  // LB_ERR (-1) asks for more than any heap holds.
  int32_t count = (int32_t)SendMessageA(list, LB_GETCOUNT, 0, 0);
  int32_t* table = (int32_t*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, (DWORD)count * sizeof(int32_t));
  if (!table) return;
  for (int32_t item = 0; item < count;) {
    // An ordinal out of range or met twice: the list was not filled by a walk.
    uint32_t ordinal = (uint32_t)SendMessageA(list, LB_GETITEMDATA, (WPARAM)item, 0);
    if (ordinal >= (uint32_t)count || table[ordinal]) {
      ReleaseMemory(table);
      return;
    }
    table[ordinal] = ++item;
  }
  Engine.ItemOfEntry = table;
  Engine.MappedEntries = (uint32_t)count;
}

bool IsEntrySelected(HWND list, uint32_t ordinal, const char* name) {
  // Without the table: the exact search, started after the last hit and
  // wrapping, finds equal names in turn.  LB_ERR counts as not selected.
  if (Engine.ItemOfEntry)
    Engine.CurrentListIndex = (ordinal < Engine.MappedEntries ? Engine.ItemOfEntry[ordinal] : 0) - 1;
  else
    Engine.CurrentListIndex = (int32_t)SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)Engine.CurrentListIndex, (LPARAM)name);
  return SendMessageA(list, LB_GETSEL, (WPARAM)Engine.CurrentListIndex, 0) > 0;
}
