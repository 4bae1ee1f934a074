// The run command as the program after a complete extraction is started
// with it: split at the first "|" into program and parameters, "><" standing
// for the destination folder.  The main dialog starts it; mksfx shows it.
#include "../common/dialogs.h"
#include "../common/messages.h"
#include "../extract/paths.h"
#include "startup.h"

const char kCommandTooLong[] = "The program to run after extraction has too long a command.";

bool RunCommandPart(int n, char* part) {
  char* destFolder = Engine.DestFolder;
  if (StrLength(destFolder) < kDestFolderSize - 2) AddTrailingBackslash(destFolder);
  const char* s = Engine.SfxSettings.RunCommand;
  const char* bar = s;
  while (*bar && *bar != '|') ++bar;
  const char* from = n == 1 ? s : (*bar ? bar + 1 : bar);
  const char* to = n == 1 ? bar : bar + StrLength(bar);
  // One pass from the left: a folder that itself holds "><" is taken as it is
  // rather than replaced again without end.
  int at = 0;
  part[0] = 0;
  for (const char* p = from; p < to;) {
    if (at >= kCommandPartSize - 1) return false;
    if (p[0] == '>' && p + 1 < to && p[1] == '<') {
      int before = at;
      at = AppendText(part, at, kCommandPartSize, destFolder);
      if (at - before < StrLength(destFolder)) return false;
      p += 2;
    } else {
      part[at++] = *p++;
      part[at] = 0;
    }
  }
  // The short form when the system has one that fits in place.
  GetShortPathNameA(part, part, StrLength(part));
  return true;
}

bool SplitRunCommand(char* program, char* parameters) {
  if (RunCommandPart(1, program) && RunCommandPart(2, parameters)) return true;
  ShowMessage(kCommandTooLong, kErrorCaption, MB_ICONERROR);
  return false;
}
