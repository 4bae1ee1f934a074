// What the user sees of a running walk: the status line naming the file
// being written, the wait cursor, and the window messages let through so
// that the main dialog keeps answering.
#include "../common/messages.h"
#include "../common/resource_ids.h"
#include "../common/text.h"
#include "entry_data.h"

// The status line and the one window message let through to the main dialog
// cost about 60 us per file under Wine, as much as creating the file: they
// are given at most once per this many milliseconds, and always for the
// first file and for the first file after a prompt or a message box.  About
// ten updates a second keep the window answering and the progress readable;
// inside a long entry the same pace holds (Windows takes a window that has
// not looked at its messages for 5 s as not responding).
const DWORD kProgressInterval = 100;

// Loading a system cursor costs about 170 us under Wine and setting one about
// 10 to 50 us: the cursor is loaded once for the run and set at the pace of
// the progress, never per 32 KiB write.  While Busy the main dialog keeps it
// up on WM_SETCURSOR.
void PutUpWaitCursor() {
  if (!Engine.WaitCursor) Engine.WaitCursor = LoadCursorA(nullptr, IDC_WAIT);
  SetCursor(Engine.WaitCursor);
}

void StartProgress(HWND dialog) {
  Engine.StatusLine = GetDlgItem(dialog, IDC_MAIN_STATUS);
  Engine.ProgressShown = true;  // nothing to show before the first file
  Engine.ProgressDue = true;
}

static void ShowProgress() {
  if (Engine.ProgressShown) return;
  Engine.ProgressShown = true;
  SendMessageA(Engine.StatusLine, WM_SETTEXT, 0, (LPARAM)Engine.Progress);
}

void CatchUpProgress() {
  Engine.ProgressDue = true;
  ShowProgress();
}

void ShowStatus(const char* text) { SendMessageA(Engine.StatusLine, WM_SETTEXT, 0, (LPARAM)text); }

void KeepWindowAnswering() {
  DWORD now = GetTickCount();
  if (!Engine.ProgressDue && now - Engine.ProgressAt < kProgressInterval) return;
  Engine.ProgressAt = now;
  Engine.ProgressDue = false;
  ShowProgress();
  MSG msg;
  if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  PutUpWaitCursor();
}

void BeginProgress(const char* outputPath) {
  AppendText(Engine.Progress, AppendText(Engine.Progress, 0, kProgressSize, kExtractingPrefix), kProgressSize,
             outputPath);
  Engine.ProgressShown = false;
  KeepWindowAnswering();
}
