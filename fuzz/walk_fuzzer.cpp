// Fuzz target: a hostile self-extractor through start-up and the entry walk.
// The first input byte picks what runs; the rest is the file.  Everywhere the
// engine must end without a crash, a hang, an access outside its buffers or
// a file written outside the destination folder.  The process-ending paths
// (no archive found, a folder that cannot be made) are caught and end the
// input; they are designed outcomes, not faults.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "extract/extract.h"
#include "common/heap.h"
#include "common/own_process.h"
#include "integrity/crc32.h"
#include "platform/host_control.h"
#include "startup/startup.h"
#include "common/dialogs.h"

namespace {

// The first byte: bit 0 runs the locator and the configuration reader on the
// file; otherwise the walk starts at offset 0.  Bits 1-2: the overwrite
// mode.  Bit 3: the overwrite prompt answers yes.  Bit 4: a second
// extraction walk over what is still selected.
const uint8_t kRunStartUp = 0x01;
const uint8_t kAnswerYes = 0x08;
const uint8_t kExtractTwice = 0x10;

// Larger inputs add nothing a walk has not met in a smaller one.
const size_t kMaxInput = 65536;

struct ProcessEnded {};

bool answerYes;
int prompts;

struct Workspace {
  std::string native, win;
  Workspace() {
    const char* tmp = getenv("TMPDIR");
    native = std::string(tmp && *tmp ? tmp : "/tmp") + "/walk-fuzz-" + std::to_string(getpid());
    std::filesystem::create_directories(native);
    char w[4096];
    HostWindowsPath(native.c_str(), w, sizeof w);
    win = w;
  }
};

}  // namespace

void ShowMessage(const char*, const char*, UINT) {}
void EndProcess(UINT) { throw ProcessEnded(); }
// The stand-in's, all zeros with no module file named: the input is read to
// its end, as an unsigned image is.
const uint8_t* OwnImageHeaders() { return (const uint8_t*)GetModuleHandleA(nullptr); }
void RunInfoDialog() {}
void RunMainDialog() {}
void RunPasswordPrompt() {
  // A few passwords, then empty answers; archives made for the seeds use "pw".
  static const char* const kAnswers[] = {"pw", "wrong", ""};
  const char* answer = kAnswers[prompts < 2 ? prompts : 2];
  ++prompts;
  Engine.TypedPasswordLength = (int32_t)strlen(answer);
  memcpy(Engine.TypedPassword, answer, (size_t)Engine.TypedPasswordLength + 1);
}
void RunOverwritePrompt() {
  ApplyOverwriteReply({answerYes, false});
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Workspace* space = new Workspace();
  if (size < 1) return 0;
  if (size > kMaxInput) size = kMaxInput;
  uint8_t mode = data[0];
  std::string file = space->native + "/input.exe";
  {
    std::ofstream f(file, std::ios::binary | std::ios::trunc);
    f.write((const char*)data + 1, (std::streamsize)size - 1);
  }
  std::string out = space->native + "/out";
  std::filesystem::remove_all(out);
  std::filesystem::create_directories(out);

  HostResetPlatform();
  ResetEngine();
  ResetSettings();
  answerYes = mode & kAnswerYes;
  prompts = 0;
  Engine.OverwriteMode = (OverwritePolicy)((mode >> 1) & 3);
  Engine.CrcTable = (uint32_t*)TakeMemory(kCrcTableBytes);
  BuildCrcTable();
  std::string winFile = space->win + "\\input.exe";
  Engine.ArchiveFile = CreateFileA(winFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (Engine.ArchiveFile == INVALID_HANDLE_VALUE) abort();
  HWND dialog = HostCreateDialog();
  HostAddListBox(dialog, IDC_MAIN_ENTRY_LIST, true);
  HostAddStatic(dialog, IDC_MAIN_STATUS);
  bool fileOpen = true;
  try {
    if (mode & kRunStartUp) {
      fileOpen = false;  // the locator closes the file when it finds nothing
      ReadConfigurationBlock();
      fileOpen = true;
    }
    WalkEntries(dialog, IDC_MAIN_ENTRY_LIST, true);
    SendMessageA(GetDlgItem(dialog, IDC_MAIN_ENTRY_LIST), LB_SETSEL, TRUE, -1);
    snprintf(Engine.DestFolder, sizeof Engine.DestFolder, "%s\\out", space->win.c_str());
    WalkEntries(dialog, IDC_MAIN_ENTRY_LIST, false);
    if (mode & kExtractTwice) WalkEntries(dialog, IDC_MAIN_ENTRY_LIST, false);
  } catch (const ProcessEnded&) {
  }
  // Nothing may have been written outside the destination folder.
  for (const auto& e : std::filesystem::directory_iterator(space->native)) {
    std::string name = e.path().filename().string();
    if (name != "out" && name != "input.exe") abort();
  }
  if (fileOpen) CloseHandle(Engine.ArchiveFile);
  Engine.ArchiveFile = INVALID_HANDLE_VALUE;
  HostDestroyDialog(dialog);
  ResetSettings();
  return 0;
}
