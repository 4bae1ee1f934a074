// The overwrite prompt, the password prompt and the information dialog.
// They hand their answers back through shared state, not the dialog result.
#include "../common/dialogs.h"
#include "../extract/extract.h"
#include "../extract/paths.h"
#include "../startup/startup.h"
#include "dialog_procs.h"

const char kAlreadyExists[] = "...already exists, overwrite ?";

// The whole path (at most MAX_PATH - 1 characters) and the question, joined:
// the prompt shows them left-aligned and wrapped, so every character shown
// is whole and the folders tell which file it is.
const int kQuestionSize = MAX_PATH + sizeof kAlreadyExists;

INT_PTR CALLBACK OverwriteDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      CenterWindow(dialog);
      char question[kQuestionSize];
      int at = AppendText(question, 0, kQuestionSize, Engine.ExistingFileName);
      AppendText(question, at, kQuestionSize, kAlreadyExists);
      SendDlgItemMessageA(dialog, IDC_EDIT, WM_SETTEXT, 0, (LPARAM)question);
      return FALSE;
    }
    case WM_COMMAND: {
      WORD id = LOWORD(wParam);
      if (id != IDC_ACCEPT && id != IDC_REFUSE) return FALSE;
      bool dontAskAgain = SendDlgItemMessageA(dialog, IDC_OVERWRITE_DONT_ASK, BM_GETCHECK, 0, 0) == BST_CHECKED;
      ApplyOverwriteReply({id == IDC_ACCEPT, dontAskAgain});
      // A choice that holds for every further file shows in the main dialog;
      // under an automatic extraction there is no main dialog yet.
      if (dontAskAgain && Engine.MainWindow) {
        SendDlgItemMessageA(Engine.MainWindow, IDC_MAIN_ASK, BM_SETCHECK, BST_UNCHECKED, 0);
        SendDlgItemMessageA(Engine.MainWindow, ButtonOfPolicy(Engine.OverwriteMode), BM_SETCHECK, BST_CHECKED, 0);
      }
      EndDialog(dialog, id);
      return TRUE;
    }
  }
  return FALSE;
}

INT_PTR CALLBACK PasswordDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CenterWindow(dialog);
      SetFocus(GetDlgItem(dialog, IDC_EDIT));
      return FALSE;  // the focus stays in the edit field
    case WM_COMMAND:
      // OK is the only way out; Escape and every other command are ignored.
      if (LOWORD(wParam) != IDC_ACCEPT) return FALSE;
      Engine.TypedPasswordLength =
          (int32_t)SendDlgItemMessageA(dialog, IDC_EDIT, WM_GETTEXT, kPasswordSize, (LPARAM)Engine.TypedPassword);
      Engine.TypedPassword[Engine.TypedPasswordLength] = 0;
      EndDialog(dialog, IDC_ACCEPT);
      return FALSE;
  }
  return FALSE;
}

INT_PTR CALLBACK InfoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      if (Engine.SfxSettings.HasInfoCaption) SendMessageA(dialog, WM_SETTEXT, 0, (LPARAM)Engine.SfxSettings.InfoCaption);
      CenterWindow(dialog);
      SendDlgItemMessageA(dialog, IDC_INFO_TEXT, WM_SETTEXT, 0, (LPARAM)Engine.SfxSettings.InfoText);
      // The focus on Next, not in the text, which would show it all selected.
      SetFocus(GetDlgItem(dialog, IDC_ACCEPT));
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_ACCEPT) {
        EndDialog(dialog, IDC_ACCEPT);
      } else if (LOWORD(wParam) == IDC_REFUSE) {
        Engine.SkipMainDialog = TRUE;
        EndDialog(dialog, IDC_REFUSE);
      }
      return FALSE;
  }
  return FALSE;
}
