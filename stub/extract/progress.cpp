// What the user sees of a running walk: the status line naming the file
// being written, the wait cursor, and the window messages let through so
// that the main dialog keeps answering.
#include "../common/messages.h"
#include "extract.h"
#include "paths.h"

// "Extracting: " and a path of up to 259 characters.
const int kProgressSize = 12 + MAX_PATH;

// The status line and the one window message let through to the main dialog
// cost about 60 us per file under Wine, as much as creating the file: they
// are given at most once per this many milliseconds, and always for the
// first file and for the first file after a prompt or a message box.  About
// ten updates a second keep the window answering and the progress readable;
// inside a long entry the same pace holds (Windows takes a window that has
// not looked at its messages for 5 s as not responding).
const DWORD kProgressInterval = 100;

// The progress of the running walk: the text of the last file begun;
// `progressShown` when the status line holds it, `progressDue` when the next
// chance is taken at once; `progressAt`, the GetTickCount of the last one.
static HWND statusLine;
static char progress[kProgressSize];
static bool progressShown;
static bool progressDue;
static DWORD progressAt;

// Loading a system cursor costs about 170 us under Wine and setting one about
// 10 to 50 us: the cursor is loaded once for the run and set at the pace of
// the progress, never per 32 KiB write.  While Busy the main dialog keeps it
// up on WM_SETCURSOR.
static HCURSOR waitCursor;

void PutUpWaitCursor() {
  if (!waitCursor) waitCursor = LoadCursorA(nullptr, IDC_WAIT);
  SetCursor(waitCursor);
}

void StartProgress(HWND dialog) {
  statusLine = GetDlgItem(dialog, IDC_MAIN_STATUS);
  progressShown = true;  // nothing to show before the first file
  progressDue = true;
}

static void ShowProgress() {
  if (progressShown) return;
  progressShown = true;
  SendMessageA(statusLine, WM_SETTEXT, 0, (LPARAM)progress);
}

void CatchUpProgress() {
  progressDue = true;
  ShowProgress();
}

void ShowStatus(const char* text) { SendMessageA(statusLine, WM_SETTEXT, 0, (LPARAM)text); }

void KeepWindowAnswering() {
  DWORD now = GetTickCount();
  if (!progressDue && now - progressAt < kProgressInterval) return;
  progressAt = now;
  progressDue = false;
  ShowProgress();
  MSG msg;
  if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  PutUpWaitCursor();
}

void BeginProgress(const char* outputPath) {
  AppendText(progress, AppendText(progress, 0, kProgressSize, kExtractingPrefix), kProgressSize,
             outputPath);
  progressShown = false;
  KeepWindowAnswering();
}

void ResetProgress() {
  statusLine = nullptr;
  progress[0] = 0;
  progressShown = true;
  progressDue = true;
  progressAt = 0;
}
