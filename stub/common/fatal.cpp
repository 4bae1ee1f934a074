// The fatal error report.
#include "fatal.h"

#include "dialogs.h"
#include "made_list.h"
#include "messages.h"
#include "own_process.h"

// "Error 4294967295", the line break, a folder of MAX_PATH bytes and the
// terminator fit.
const int kFatalTextSize = 20 + MAX_PATH;

void FatalErrorReport(DWORD code, const char* folder) {
  char text[kFatalTextSize];
  wsprintfA(text, "Error %lu\r\n%s", code, folder);
  ShowMessage(text, kFatalCaption, MB_OK);
  RemoveMade();
  EndProcess(*folder ? kExitFolderFailed : code);
}
