// How the stub runs its dialogs and messages: every window is a modal dialog
// from the program's resources, centred on the primary screen.  While the
// main dialog is up it owns every prompt and message box, so that a click on
// it cannot hide a waiting question behind it; under /S none is shown.
#include "../common/dialogs.h"
#include "../common/messages.h"
#include "../extract/extract.h"
#include "../startup/startup.h"
#include "dialog_procs.h"

const char kNoDialog[] = "Cannot create the dialog window.";

void ShowMessage(const char* text, const char* caption, UINT style) {
  if (!Engine.Silent) MessageBoxA(Engine.MainWindow, text, caption, MB_OK | style);
}

// The template names compare without regard to case.  FALSE when the dialog
// could not be created (DialogBoxParamA gives -1; the procedure never ran).
static bool RunDialog(const char* templateName, DLGPROC procedure) {
  return DialogBoxParamA(Engine.HInstance, templateName, Engine.MainWindow, procedure, 0) != -1;
}

// Under /S no dialog but the main dialog, which never shows, is run: a
// dialog not run is one that could not be created.
static bool RunQuestion(const char* templateName, DLGPROC procedure) {
  return !Engine.Silent && RunDialog(templateName, procedure);
}

void RunInfoDialog() { RunQuestion("INFO_DLG", InfoDialogProc); }

void RunMainDialog() {
  bool ran = RunDialog("MainDialog", MainDialogProc);
  // Gone now: what follows (the file's closing) has no owner.
  Engine.MainWindow = nullptr;
  if (ran) return;
  ShowMessage(kNoDialog, kErrorCaption, MB_ICONERROR);
  Engine.ExitCode = kExitFailed;
}

// A prompt that cannot be shown answers as if the user refused: an empty
// password, which no entry takes, and No.  Never an answer left from before.
void RunPasswordPrompt() {
  if (RunQuestion("PASSWD", PasswordDialogProc)) return;
  Engine.TypedPassword[0] = 0;
  Engine.TypedPasswordLength = 0;
}

void RunOverwritePrompt() {
  if (!RunQuestion("FileExist", OverwriteDialogProc)) Engine.OverwriteAnswer = FALSE;
}

void CenterWindow(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  // Signed divisions that truncate toward zero: a window wider than the
  // screen gets a negative position.
  int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}
