// The program body: open the own file, prepare the engine, run the dialogs,
// close and release.
#include "../common/heap.h"
#include "../common/messages.h"
#include "../integrity/crc32.h"
#include "../ui/dialogs.h"
#include "startup.h"

bool OpenOwnFile() {
  char path[MAX_PATH + 1];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  path[n < MAX_PATH ? n : MAX_PATH - 1] = 0;
  ArchiveFile = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (ArchiveFile != INVALID_HANDLE_VALUE) return true;
  // The two-line message is the caption here; the text is the path.
  ShowMessage(path, kCannotProcessFile, MB_ICONHAND);
  ExitCode = kExitCannotProcess;
  return false;
}

void PrepareEngine() {
  ExitCode = 0;
  CrcTable = (uint32_t*)TakeMemory(kCrcTableBytes);
  BuildCrcTable();
  SkipMainDialog = FALSE;
  ReadConfigurationBlock();
}

void FinishEngine() {
  if (!CloseHandle(ArchiveFile)) ShowMessage(kCannotCloseFile, kErrorCaption, MB_ICONHAND);
  ReleaseMemory(CrcTable);
  CrcTable = nullptr;
  ResetSettings();
}

void RunSelfExtractor(const char* commandLine) {
  if (!ReadSwitches(commandLine) || !OpenOwnFile()) return;
  PrepareEngine();
  if (SfxSettings.HasInfoText) RunInfoDialog();
  if (!SkipMainDialog) RunMainDialog();
  FinishEngine();
}
