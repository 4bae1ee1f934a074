// The dialog procedures of the stub and what they share.
#pragma once

#include "../platform/platform.h"

// Moves the window to the centre of the primary screen, size and Z order kept.
void CenterWindow(HWND window);

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK InfoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PasswordDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK OverwriteDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The run check box's text: the prefix and the file names of the program and
// of its parameters.
void SetRunCheckText(HWND runCheck);

// Starts the run command (SplitRunCommand) when checkState is BST_CHECKED; a command that does
// not fit its buffers once "><" is replaced is refused with a message.
void RunAfterExtraction(LRESULT checkState);

// The folder browser; a folder chosen goes into DestFolder and becomes the
// current directory.  DestFolder stays as it was when the user cancels.
void BrowseForDestFolder(HWND owner);
