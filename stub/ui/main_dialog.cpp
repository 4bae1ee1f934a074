// The main dialog: the destination folder, the overwrite mode, the entry
// lists and extraction.
#include "../platform/platform.h"

#include "../common/dialogs.h"
#include "../common/messages.h"
#include "../entry/entry_data.h"
#include "../extract/extract.h"
#include "../extract/paths.h"
#include "../startup/startup.h"
#include "dialog_procs.h"

// What a click could change while a walk runs: which entries are extracted,
// how existing files are treated, a second walk, the dialog's end.  Disabled
// for the length of a walk, so the user sees that they wait.
static const int kLockedWhileExtracting[] = {IDC_MAIN_ENTRY_LIST, IDC_MAIN_OVERWRITE,
                                             IDC_MAIN_SKIP_EXISTING, IDC_MAIN_ASK,
                                             IDC_ACCEPT, IDC_MAIN_BROWSE, IDC_REFUSE};

static void EnableCommands(HWND dialog, BOOL enable) {
  for (int id : kLockedWhileExtracting) EnableWindow(GetDlgItem(dialog, id), enable);
}

// FALSE when the current directory cannot be read: DestFolder is then empty.
static bool FillCurrentDirectory() {
  DWORD n = GetCurrentDirectoryA(kDestFolderSize, Engine.DestFolder);
  if (n == 0 || n >= (DWORD)kDestFolderSize) Engine.DestFolder[0] = 0;
  return Engine.DestFolder[0] != 0;
}

// Fills a list with the entry names and shows it.  Its drawing is off
// meanwhile: a list box otherwise updates its scroll bar and marks items for
// painting with every name added (about 10 us each under Wine).  The dialog
// is not shown yet, so its first painting shows the list whole.
static void FillList(HWND dialog, int id) {
  HWND list = GetDlgItem(dialog, id);
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  WalkEntries(dialog, id, true);
  ShowWindow(list, SW_SHOW);
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
}

static void InitMainDialog(HWND dialog) {
  HWND runCheck = GetDlgItem(dialog, IDC_MAIN_RUN_CHECK);
  if (Engine.SfxSettings.HasDefaultFolder)
    AppendText(Engine.DestFolder, 0, kDestFolderSize, Engine.SfxSettings.DefaultFolder);
  else
    FillCurrentDirectory();

  if (Engine.SfxSettings.HasRunCommand) {
    SetRunCheckText(runCheck);
    SendMessageA(runCheck, BM_SETCHECK, BST_CHECKED, 0);
    if (!Engine.SfxSettings.ShowRunCheckBox) ShowWindow(runCheck, SW_HIDE);  // hidden, still checked
  } else {
    ShowWindow(runCheck, SW_HIDE);
  }

  SendDlgItemMessageA(dialog, IDC_EDIT, WM_SETTEXT, 0, (LPARAM)Engine.DestFolder);
  SendDlgItemMessageA(dialog, IDC_EDIT, EM_SETSEL, 0, 0x7FFF);
  SendDlgItemMessageA(dialog, Engine.SfxSettings.OverwriteButtonId, BM_SETCHECK, BST_CHECKED, 0);
  Engine.OverwriteMode = PolicyOfButton(Engine.SfxSettings.OverwriteButtonId);
  if (Engine.SfxSettings.HideOverwriteChoice) {
    static const int kOverwriteControls[] = {IDC_MAIN_OVERWRITE, IDC_MAIN_SKIP_EXISTING, IDC_MAIN_ASK,
                                             IDC_MAIN_OVERWRITE_GROUP};
    for (int id : kOverwriteControls) DestroyWindow(GetDlgItem(dialog, id));
  }
  if (Engine.SfxSettings.HasCaption) SendMessageA(dialog, WM_SETTEXT, 0, (LPARAM)Engine.SfxSettings.Caption);
  CenterWindow(dialog);

  // The template shows the entry list and hides the plain list at its place.
  FillList(dialog, IDC_MAIN_ENTRY_LIST);
  if (!Engine.SfxSettings.SelectableFileList) {
    ShowWindow(GetDlgItem(dialog, IDC_MAIN_ENTRY_LIST), SW_HIDE);
    FillList(dialog, IDC_MAIN_PLAIN_LIST);
  }
  SendDlgItemMessageA(dialog, IDC_MAIN_ENTRY_LIST, LB_SETSEL, TRUE, -1);
  // The dialog is not shown before this returns: an automatic extraction
  // ends it here without it ever appearing.
  if (Engine.SfxSettings.AutoExtract) SendMessageA(dialog, WM_COMMAND, IDC_ACCEPT, 0);
  Engine.MainWindow = dialog;
}

// Reads the folder field into DestFolder without its trailing backslash.
// FALSE, after a message, for a folder nothing could be written to.
static bool ReadDestFolder(HWND dialog) {
  LRESULT n = SendDlgItemMessageA(dialog, IDC_EDIT, WM_GETTEXT, kDestFolderSize, (LPARAM)Engine.DestFolder);
  Engine.DestFolder[n] = 0;
  if (n) RemoveTrailingBackslash(Engine.DestFolder);
  if (StrLength(Engine.DestFolder) > kMaxPathLength) {
    // Longer than any folder the platform takes.
    ShowMessage(Engine.DestFolder, kErrorInDirectory, MB_ICONERROR);
    return false;
  }
  if (!Engine.DestFolder[0]) {
    // An empty field means the current directory; never the drive's root.
    if (!FillCurrentDirectory()) {
      ShowMessage(kErrorInDirectory, kErrorCaption, MB_ICONERROR);
      return false;
    }
    SendDlgItemMessageA(dialog, IDC_EDIT, WM_SETTEXT, 0, (LPARAM)Engine.DestFolder);
  }
  return true;
}

static void Extract(HWND dialog) {
  HWND entries = GetDlgItem(dialog, IDC_MAIN_ENTRY_LIST);
  if (!Engine.SfxSettings.SelectableFileList) {
    SendMessageA(entries, LB_SETSEL, TRUE, -1);
    ShowWindow(GetDlgItem(dialog, IDC_MAIN_PLAIN_LIST), SW_HIDE);
    ShowWindow(entries, SW_SHOW);
  }
  // Failed until a walk has extracted everything.
  Engine.ExitCode = kExitFailed;
  if (ReadDestFolder(dialog)) {
    Engine.Extracting = true;
    HWND focus = GetFocus();
    EnableCommands(dialog, FALSE);
    WalkEntries(dialog, IDC_MAIN_ENTRY_LIST, false);
    if (Engine.ExtractionSucceeded) {
      Engine.ExitCode = 0;
      // The guard stays up: the dialog ends here.
      RunAfterExtraction(SendDlgItemMessageA(dialog, IDC_MAIN_RUN_CHECK, BM_GETCHECK, 0, 0));
      EndDialog(dialog, IDC_ACCEPT);
      return;
    }
    EnableCommands(dialog, TRUE);
    SendMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)focus, TRUE);
    Engine.Extracting = false;
  }
  // An automatic extraction ends here whatever became of it, the folder
  // refused included: the dialog is never shown.
  if (Engine.SfxSettings.AutoExtract) SendMessageA(dialog, WM_COMMAND, IDC_REFUSE, 0);
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      InitMainDialog(dialog);
      return FALSE;
    case WM_SETCURSOR:
      if (!Engine.Busy) return FALSE;
      PutUpWaitCursor();
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_COMMAND: {
      WORD id = LOWORD(wParam);
      switch (id) {
        case IDC_MAIN_OVERWRITE:
        case IDC_MAIN_SKIP_EXISTING:
        case IDC_MAIN_ASK:
          if (!Engine.Extracting) Engine.OverwriteMode = PolicyOfButton(id);
          return FALSE;
        case IDC_MAIN_BROWSE:
          if (Engine.Extracting) return FALSE;
          BrowseForDestFolder(dialog);
          SendDlgItemMessageA(dialog, IDC_EDIT, WM_SETTEXT, 0, (LPARAM)Engine.DestFolder);
          return FALSE;
        case IDC_ACCEPT:
          if (!Engine.Extracting) Extract(dialog);
          return FALSE;
        case IDC_REFUSE:
          if (Engine.Extracting) return FALSE;
          EndDialog(dialog, IDC_REFUSE);
          return TRUE;
      }
      return FALSE;
    }
  }
  return FALSE;
}
