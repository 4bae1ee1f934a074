// The main dialog: the destination folder, the overwrite mode, the entry
// lists, extraction and the program run afterwards.
#include "../platform/platform.h"

#include <shellapi.h>
#include <shlobj.h>

#include "../extract/extract.h"
#include "../extract/paths.h"
#include "../extract/texts.h"
#include "../startup/startup.h"
#include "dialog_procs.h"
#include "dialogs.h"
#include "resource_ids.h"

HWND MainWindow;

const char kRunCheckPrefix[] = "After extraction, run : ";
const char kBrowseTitle[] = "Select the destination folder for the extracted files.";

// A part of the run command with every "><" replaced by the destination
// folder: the command (260 bytes) can name the folder (260 characters) a few
// times over; what does not fit is cut.
const int kCommandPartSize = 1024;

// The check box text: the prefix and two file name parts of 255 characters.
const int kRunCheckTextSize = sizeof kRunCheckPrefix + 2 * kFileNamePartSize;

// n = 1: the program, n = 2: the parameters of the run command.  Appends a
// backslash to DestFolder first, so "><" stands for the folder with it.
static char* RunCommandPart(int n, char* part) {
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
  for (const char* p = from; p < to && at < kCommandPartSize - 1;) {
    if (p[0] == '>' && p + 1 < to && p[1] == '<') {
      at = AppendText(part, at, kCommandPartSize, DestFolder);
      p += 2;
    } else {
      part[at++] = *p++;
      part[at] = 0;
    }
  }
  // The short form when the system has one that fits in place.
  GetShortPathNameA(part, part, StrLength(part));
  return part;
}

static void RunAfterExtraction(LRESULT checkState) {
  if (checkState != BST_CHECKED || !SfxSettings.HasRunCommand) return;
  char program[kCommandPartSize], parameters[kCommandPartSize];
  RunCommandPart(1, program);
  RunCommandPart(2, parameters);
  ShellExecuteA(nullptr, "open", program, parameters, "", SW_SHOW);
}

static int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM lParam, LPARAM) {
  if (message == BFFM_SELCHANGED) {
    char scratch[MAX_PATH];
    if (!SHGetPathFromIDListA((LPCITEMIDLIST)lParam, scratch))
      SendMessageA(browser, BFFM_ENABLEOK, 0, FALSE);
  }
  return 0;
}

static void BrowseForDestFolder(HWND owner) {
  char displayName[MAX_PATH];
  BROWSEINFOA info = {};
  info.hwndOwner = owner;
  info.pszDisplayName = displayName;
  info.lpszTitle = kBrowseTitle;
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = BrowseCallback;
  LPITEMIDLIST item = SHBrowseForFolderA(&info);
  if (!item) return;
  char chosen[MAX_PATH];
  if (SHGetPathFromIDListA(item, chosen) && StrLength(chosen) < kDestFolderSize - 2) {
    for (int i = 0; (DestFolder[i] = chosen[i]) != 0; ++i) {
    }
    SetCurrentDirectoryA(DestFolder);
  }
  ILFree(item);
}

static void FillCurrentDirectory() {
  DWORD n = GetCurrentDirectoryA(kDestFolderSize, DestFolder);
  if (n == 0 || n >= (DWORD)kDestFolderSize) DestFolder[0] = 0;
}

static void InitMainDialog(HWND dialog) {
  HWND runCheck = GetDlgItem(dialog, IDC_MAIN_RUN_CHECK);
  if (SfxSettings.HasDefaultFolder)
    AppendText(DestFolder, 0, kDestFolderSize, SfxSettings.DefaultFolder);
  else
    FillCurrentDirectory();

  if (SfxSettings.HasRunCommand) {
    char text[kRunCheckTextSize], part[kCommandPartSize], name[kFileNamePartSize];
    int at = AppendText(text, 0, kRunCheckTextSize, kRunCheckPrefix);
    at = AppendText(text, at, kRunCheckTextSize, FileNamePart(RunCommandPart(1, part), name));
    at = AppendText(text, at, kRunCheckTextSize, " ");
    AppendText(text, at, kRunCheckTextSize, FileNamePart(RunCommandPart(2, part), name));
    SendMessageA(runCheck, WM_SETTEXT, 0, (LPARAM)text);
    SendMessageA(runCheck, BM_SETCHECK, BST_CHECKED, 0);
    if (!SfxSettings.ShowRunCheckBox) ShowWindow(runCheck, SW_HIDE);  // hidden, still checked
  } else {
    ShowWindow(runCheck, SW_HIDE);
  }

  SendDlgItemMessageA(dialog, IDC_EDIT, WM_SETTEXT, 0, (LPARAM)DestFolder);
  SendDlgItemMessageA(dialog, IDC_EDIT, EM_SETSEL, 0, 0x7FFF);
  CheckDlgButton(dialog, SfxSettings.OverwriteButtonId, BST_CHECKED);
  OverwriteMode = (uint8_t)(SfxSettings.OverwriteButtonId - IDC_MAIN_OVERWRITE);
  if (SfxSettings.HideOverwriteChoice) {
    static const int kOverwriteControls[] = {IDC_MAIN_OVERWRITE, IDC_MAIN_SKIP_EXISTING, IDC_MAIN_ASK,
                                             IDC_MAIN_OVERWRITE_GROUP};
    for (int id : kOverwriteControls) DestroyWindow(GetDlgItem(dialog, id));
  }
  if (SfxSettings.HasCaption) SetWindowTextA(dialog, SfxSettings.Caption);
  CenterWindow(dialog);

  WalkEntries(dialog, IDC_MAIN_ENTRY_LIST, true);
  if (SfxSettings.SelectableFileList) {
    ShowWindow(GetDlgItem(dialog, IDC_MAIN_PLAIN_LIST), SW_HIDE);
  } else {
    ShowWindow(GetDlgItem(dialog, IDC_MAIN_ENTRY_LIST), SW_HIDE);
    WalkEntries(dialog, IDC_MAIN_PLAIN_LIST, true);
  }
  SendDlgItemMessageA(dialog, IDC_MAIN_ENTRY_LIST, LB_SETSEL, TRUE, -1);
  if (SfxSettings.AutoExtract) SendMessageA(dialog, WM_COMMAND, IDC_ACCEPT, 0);
  MainWindow = dialog;
}

static void Extract(HWND dialog) {
  HWND entries = GetDlgItem(dialog, IDC_MAIN_ENTRY_LIST);
  if (!SfxSettings.SelectableFileList) {
    SendMessageA(entries, LB_SETSEL, TRUE, -1);
    ShowWindow(GetDlgItem(dialog, IDC_MAIN_PLAIN_LIST), SW_HIDE);
    ShowWindow(entries, SW_SHOW);
  }
  UINT n = GetDlgItemTextA(dialog, IDC_EDIT, DestFolder, kDestFolderSize);
  DestFolder[n] = 0;
  if (n > (UINT)kMaxPathLength) {
    // Longer than any folder the platform takes: nothing could be written there.
    ShowMessage(DestFolder, kErrorInDirectory, MB_ICONERROR);
    return;
  }
  if (n) RemoveTrailingBackslash(DestFolder);
  if (!DestFolder[0]) {
    FillCurrentDirectory();
    SendDlgItemMessageA(dialog, IDC_EDIT, WM_SETTEXT, 0, (LPARAM)DestFolder);
  }
  WalkEntries(dialog, IDC_MAIN_ENTRY_LIST, false);
  if (ExtractionSucceeded) {
    RunAfterExtraction(IsDlgButtonChecked(dialog, IDC_MAIN_RUN_CHECK));
    EndDialog(dialog, IDC_ACCEPT);
  }
  if (SfxSettings.AutoExtract) SendMessageA(dialog, WM_COMMAND, IDC_REFUSE, 0);
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      InitMainDialog(dialog);
      return FALSE;
    case WM_SETCURSOR:
      if (!Busy) return FALSE;
      SetCursor(LoadCursorA(nullptr, IDC_WAIT));
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_COMMAND: {
      WORD id = LOWORD(wParam);
      // A walk lets messages through between entries and inside its prompts:
      // Extract, Browse and Close wait until it has ended.
      bool walking = WalkRunning();
      switch (id) {
        case IDC_MAIN_OVERWRITE:
        case IDC_MAIN_SKIP_EXISTING:
        case IDC_MAIN_ASK:
          OverwriteMode = (uint8_t)(id - IDC_MAIN_OVERWRITE);
          return FALSE;
        case IDC_MAIN_BROWSE:
          if (walking) return FALSE;
          BrowseForDestFolder(dialog);
          SetDlgItemTextA(dialog, IDC_EDIT, DestFolder);
          return FALSE;
        case IDC_ACCEPT:
          if (!walking) Extract(dialog);
          return FALSE;
        case IDC_REFUSE:
          if (walking) return FALSE;
          EndDialog(dialog, IDC_REFUSE);
          return TRUE;
      }
      return FALSE;
    }
  }
  return FALSE;
}
