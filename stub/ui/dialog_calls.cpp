// How the stub runs its dialogs and messages: every window is a modal dialog
// from the program's resources, without an owner window, centred on the
// primary screen.
#include "../extract/extract.h"
#include "../extract/texts.h"
#include "../startup/startup.h"
#include "dialogs.h"
#include "dialog_procs.h"

const char kNoDialog[] = "Cannot create the dialog window.";

void ShowMessage(const char* text, const char* caption, UINT style) {
  MessageBoxA(nullptr, text, caption, MB_OK | style);
}

// The template names compare without regard to case.  FALSE when the dialog
// could not be created (DialogBoxParamA gives -1; the procedure never ran).
static bool RunDialog(const char* templateName, DLGPROC procedure) {
  return DialogBoxParamA(HInstance, templateName, nullptr, procedure, 0) != -1;
}

void RunInfoDialog() { RunDialog("INFO_DLG", InfoDialogProc); }

void RunMainDialog() {
  if (RunDialog("MainDialog", MainDialogProc)) return;
  ShowMessage(kNoDialog, kErrorCaption, MB_ICONERROR);
  ExitCode = kExitFailed;
}

// A prompt that cannot be shown answers as if the user refused: an empty
// password, which no entry takes, and No.  Never an answer left from before.
void RunPasswordPrompt() {
  if (RunDialog("PASSWD", PasswordDialogProc)) return;
  TypedPassword[0] = 0;
  TypedPasswordLength = 0;
}

void RunOverwritePrompt() {
  if (!RunDialog("FileExist", OverwriteDialogProc)) OverwriteAnswer = FALSE;
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
