// The dialog procedures of the stub and what they share.
#pragma once

#include "../platform/platform.h"

// Moves the window to the centre of the primary screen, size and Z order kept.
void CenterWindow(HWND window);

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK InfoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PasswordDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK OverwriteDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The main dialog, once its initialisation has ended; the overwrite prompt
// moves its radio buttons.
extern HWND MainWindow;
