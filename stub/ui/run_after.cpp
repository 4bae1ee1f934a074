// The program run after a complete extraction, started through the shell as
// the run command splits (startup/run_command.cpp), and the check box that
// names it.  A program that cannot be started is a failure of its own
// (kExitCannotRun); one that is started leaves its process for AwaitProgram.
#include "../platform/platform.h"

#include <shellapi.h>

#include "../common/dialogs.h"
#include "../common/messages.h"
#include "../common/text.h"
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

const char kCannotRun[] = "Cannot run ";

// Room for the system's reason in the message.
const int kReasonSize = 256;

void RunAfterExtraction(LRESULT checkState) {
  if (checkState != BST_CHECKED || !Engine.SfxSettings.HasRunCommand) return;
  char program[kCommandPartSize], parameters[kCommandPartSize];
  Engine.ExitCode = kExitCannotRun;
  if (!SplitRunCommand(program, parameters)) return;
  SHELLEXECUTEINFOA run = {};
  run.cbSize = sizeof run;
  // The process handle, to wait for; no box of the shell's own (nothing may
  // appear under /S), the failure is reported below; the call returns only
  // once the program is started, as the stub may end right after it.
  run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  run.lpVerb = "open";
  run.lpFile = program;
  run.lpParameters = parameters;
  // A temporary extraction's program runs in its folder.
  run.lpDirectory = Engine.SfxSettings.TempCleanup ? Engine.DestFolder : "";
  run.nShow = SW_SHOW;
  if (ShellExecuteExA(&run)) {
    Engine.Program = run.hProcess;
    Engine.ExitCode = 0;
    return;
  }
  // "Cannot run", the program and the system's reason, in the parameters'
  // place; the caption is short, as the box is as wide as its text.
  char reason[kReasonSize];
  reason[0] = 0;
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(), 0, reason,
                 kReasonSize, nullptr);
  int at = AppendText(parameters, 0, kCommandPartSize, kCannotRun);
  at = AppendText(parameters, AppendText(parameters, at, kCommandPartSize, program), kCommandPartSize, "\r\n");
  AppendText(parameters, at, kCommandPartSize, reason);
  ShowMessage(parameters, kErrorCaption, MB_ICONERROR);
}
