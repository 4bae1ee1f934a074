// The folder browser of the main dialog's Browse button.
#include "../platform/platform.h"

#include <shlobj.h>

#include "../extract/extract.h"
#include "../extract/paths.h"
#include "dialog_procs.h"

const char kBrowseTitle[] = "Select the destination folder for the extracted files.";

// The browser wants COM on its thread (a single-threaded apartment) while it
// is up.  ole32 is loaded by name, from the system folder only, so that the
// stub imports from kernel32, user32 and shell32 alone.
typedef HRESULT(WINAPI* CoInitializeCall)(LPVOID);
typedef void(WINAPI* CoUninitializeCall)();

static int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM lParam, LPARAM) {
  if (message == BFFM_SELCHANGED) {
    char scratch[MAX_PATH];
    if (!SHGetPathFromIDListA((LPCITEMIDLIST)lParam, scratch))
      SendMessageA(browser, BFFM_ENABLEOK, 0, FALSE);
  }
  return 0;
}

void BrowseForDestFolder(HWND owner) {
  HMODULE ole = LoadLibraryA("ole32.dll");
  CoInitializeCall initialize = (CoInitializeCall)(void*)GetProcAddress(ole, "CoInitialize");
  CoUninitializeCall uninitialize = (CoUninitializeCall)(void*)GetProcAddress(ole, "CoUninitialize");
  bool initialized = initialize && uninitialize && SUCCEEDED(initialize(nullptr));

  char displayName[MAX_PATH];
  BROWSEINFOA info = {};
  info.hwndOwner = owner;
  info.pszDisplayName = displayName;
  info.lpszTitle = kBrowseTitle;
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = BrowseCallback;
  LPITEMIDLIST item = SHBrowseForFolderA(&info);
  if (item) {
    char chosen[MAX_PATH];
    if (SHGetPathFromIDListA(item, chosen) && StrLength(chosen) < kDestFolderSize - 2) {
      AppendText(Engine.DestFolder, 0, kDestFolderSize, chosen);
      SetCurrentDirectoryA(Engine.DestFolder);
    }
    ILFree(item);
  }
  if (initialized) uninitialize();
}
