// The fatal error report and the engine's heap blocks.
#include "fatal.h"

#include "../ui/dialogs.h"
#include "texts.h"

// "Error 4294967295" and the terminator fit.
const int kFatalTextSize = 20;

void FatalErrorReport(DWORD code) {
  char text[kFatalTextSize] = "Error ";
  char digits[10];
  int n = 0;
  DWORD v = code;
  do {
    digits[n++] = (char)('0' + v % 10);
    v /= 10;
  } while (v);
  int at = 6;
  while (n) text[at++] = digits[--n];
  text[at] = 0;
  ShowMessage(text, kFatalCaption, MB_OK);
  ExitProcess(code);
}

void* TakeMemory(DWORD bytes) {
  void* block = HeapAlloc(GetProcessHeap(), 0, bytes);
  if (!block) FatalErrorReport(kOutOfMemoryReport);
  return block;
}

void ReleaseMemory(void* block) {
  if (block) HeapFree(GetProcessHeap(), 0, block);
}
