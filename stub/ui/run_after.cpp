// The program run after a complete extraction, started through the shell as
// the run command splits (startup/run_command.cpp), and the check box that
// names it.
#include "../platform/platform.h"

#include <shellapi.h>

#include "../extract/paths.h"
#include "../startup/startup.h"
#include "dialog_procs.h"

const char kRunCheckPrefix[] = "After extraction, run : ";

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
  if (checkState != BST_CHECKED || !Engine.SfxSettings.HasRunCommand) return;
  char program[kCommandPartSize], parameters[kCommandPartSize];
  if (!SplitRunCommand(program, parameters)) return;
  ShellExecuteA(nullptr, "open", program, parameters, "", SW_SHOW);
}
