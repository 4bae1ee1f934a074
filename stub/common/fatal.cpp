// The fatal error report.
#include "fatal.h"

#include "../ui/dialogs.h"
#include "messages.h"

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
