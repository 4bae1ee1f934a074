// The fatal error report.
#include "fatal.h"

#include "dialogs.h"
#include "messages.h"
#include "own_process.h"

// "Error 4294967295" and the terminator fit.
const int kFatalTextSize = 20;

void FatalErrorReport(DWORD code) {
  char text[kFatalTextSize];
  wsprintfA(text, "Error %lu", code);
  ShowMessage(text, kFatalCaption, MB_OK);
  EndProcess(code);
}
