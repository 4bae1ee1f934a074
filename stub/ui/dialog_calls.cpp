// How the stub runs its dialogs and messages: every window is a modal dialog
// from the program's resources, without an owner window, centred on the
// primary screen.
#include "../startup/startup.h"
#include "dialogs.h"
#include "dialog_procs.h"

void ShowMessage(const char* text, const char* caption, UINT style) {
  MessageBoxA(nullptr, text, caption, MB_OK | style);
}

// The template names compare without regard to case.
static void RunDialog(const char* templateName, DLGPROC procedure) {
  DialogBoxParamA(HInstance, templateName, nullptr, procedure, 0);
}

void RunInfoDialog() { RunDialog("INFO_DLG", InfoDialogProc); }
void RunMainDialog() { RunDialog("MainDialog", MainDialogProc); }
void RunPasswordPrompt() { RunDialog("PASSWD", PasswordDialogProc); }
void RunOverwritePrompt() { RunDialog("FileExist", OverwriteDialogProc); }

void CenterWindow(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  // Signed divisions that truncate toward zero: a window wider than the
  // screen gets a negative position.
  int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}
