// The program body: open the own file, prepare the engine, run the dialogs,
// close and release.
#include "../common/heap.h"
#include "../common/made_list.h"
#include "../common/messages.h"
#include "../integrity/crc32.h"
#include "../common/dialogs.h"
#include "startup.h"

bool OpenOwnFile() {
  char path[MAX_PATH + 1];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  path[n < MAX_PATH ? n : MAX_PATH - 1] = 0;
  Engine.ArchiveFile = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (Engine.ArchiveFile != INVALID_HANDLE_VALUE) return true;
  // The two-line message is the caption here; the text is the path.
  ShowMessage(path, kCannotProcessFile, MB_ICONHAND);
  Engine.ExitCode = kExitCannotProcess;
  return false;
}

void PrepareEngine() {
  Engine.ExitCode = 0;
  Engine.CrcTable = (uint32_t*)TakeMemory(kCrcTableBytes);
  BuildCrcTable();
  Engine.SkipMainDialog = FALSE;
  ReadConfigurationBlock();
}

void AwaitProgram() {
  if (!Engine.Program) return;
  if (Engine.SfxSettings.WaitForProgram) {
    WaitForSingleObject(Engine.Program, INFINITE);
    GetExitCodeProcess(Engine.Program, (DWORD*)&Engine.ExitCode);
  }
  CloseHandle(Engine.Program);
  Engine.Program = nullptr;
}

void FinishEngine() {
  RemoveMade();
  if (!CloseHandle(Engine.ArchiveFile)) ShowMessage(kCannotCloseFile, kErrorCaption, MB_ICONHAND);
  ReleaseMemory(Engine.CrcTable);
  Engine.CrcTable = nullptr;
  ResetSettings();
}

void RunSelfExtractor(const WCHAR* commandLine) {
  if (!ReadSwitches(commandLine) || !OpenOwnFile()) return;
  PrepareEngine();
  if (Engine.SfxSettings.HasInfoText) RunInfoDialog();
  if (!Engine.SkipMainDialog) RunMainDialog();
  AwaitProgram();
  FinishEngine();
}
