// The program run after a complete extraction: the run command split at the
// first "|" into program and parameters, "><" standing for the destination
// folder, started through the shell.
#include "../platform/platform.h"

#include <shellapi.h>

#include "../common/messages.h"
#include "../extract/extract.h"
#include "../extract/paths.h"
#include "../startup/startup.h"
#include "dialog_procs.h"
#include "dialogs.h"

const char kRunCheckPrefix[] = "After extraction, run : ";
const char kCommandTooLong[] = "The program to run after extraction has too long a command.";

// A part of the run command with every "><" replaced by the destination
// folder: the command (260 bytes) can name the folder (260 characters) a few
// times over.  A part that does not fit is never run.
const int kCommandPartSize = 1024;

// The check box text: the prefix and two file name parts of 255 characters,
// each "&" in them doubled.
const int kRunCheckTextSize = sizeof kRunCheckPrefix + 4 * kFileNamePartSize;

// Appends `text` to the check box text at `at`, every "&" doubled so that it
// shows as itself rather than marking a mnemonic ("R&D tool.exe").
static int AppendShown(char* to, int at, const char* text) {
  for (; *text && at < kRunCheckTextSize - 2; ++text) {
    if (*text == '&') to[at++] = '&';
    to[at++] = *text;
  }
  to[at] = 0;
  return at;
}

// n = 1: the program, n = 2: the parameters.  Appends a backslash to
// DestFolder first, so "><" stands for the folder with it.  FALSE when the
// part was cut to kCommandPartSize.
static bool RunCommandPart(int n, char* part) {
  if (StrLength(DestFolder) < kDestFolderSize - 2) AddTrailingBackslash(DestFolder);
  const char* s = SfxSettings.RunCommand;
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
      at = AppendText(part, at, kCommandPartSize, DestFolder);
      if (at - before < StrLength(DestFolder)) return false;
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

void SetRunCheckText(HWND runCheck) {
  char text[kRunCheckTextSize], part[kCommandPartSize], name[kFileNamePartSize];
  int at = AppendShown(text, 0, kRunCheckPrefix);
  RunCommandPart(1, part);
  at = AppendShown(text, at, FileNamePart(part, name));
  at = AppendShown(text, at, " ");
  RunCommandPart(2, part);
  AppendShown(text, at, FileNamePart(part, name));
  SendMessageA(runCheck, WM_SETTEXT, 0, (LPARAM)text);
}

void RunAfterExtraction(LRESULT checkState) {
  if (checkState != BST_CHECKED || !SfxSettings.HasRunCommand) return;
  char program[kCommandPartSize], parameters[kCommandPartSize];
  if (!RunCommandPart(1, program) || !RunCommandPart(2, parameters)) {
    // Cut, it would start something other than what the packer named.
    ShowMessage(kCommandTooLong, kErrorCaption, MB_ICONERROR);
    return;
  }
  ShellExecuteA(nullptr, "open", program, parameters, "", SW_SHOW);
}
