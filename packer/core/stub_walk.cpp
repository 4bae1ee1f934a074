// The list-only walk needs the main dialog's entry list: on Linux the
// stand-in's in-memory dialog, on Windows a hidden window with a real list
// box (LB_ADDSTRING of the ANSI call converts through the system's code
// page and back, as in the stub).
#include "stub_walk.h"

#include "extract/extract.h"
#include "startup/startup.h"
#include "stub_locator.h"
#ifndef _WIN32
#include "platform/host_control.h"
#endif

std::vector<std::string>* TakenMessages;

namespace {

#ifdef _WIN32
HWND CreateListDialog() {
  HWND dialog = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_HASSTRINGS | LBS_MULTIPLESEL, 0, 0, 100, 100, dialog,
                  (HMENU)IDC_MAIN_ENTRY_LIST, nullptr, nullptr);
  return dialog;
}
void DestroyListDialog(HWND dialog) { DestroyWindow(dialog); }
#else
HWND CreateListDialog() {
  HWND dialog = HostCreateDialog();
  HostAddListBox(dialog, IDC_MAIN_ENTRY_LIST, true);
  return dialog;
}
void DestroyListDialog(HWND dialog) { HostDestroyDialog(dialog); }
#endif

// The engine's variables one walk sets, restored afterwards: check and pack
// run it between other uses of the engine.
struct SavedEngine {
  HANDLE archive = Engine.ArchiveFile;
  int32_t start = Engine.ArchiveStart;
  std::vector<std::string>* taken = TakenMessages;
  ~SavedEngine() {
    Engine.ArchiveFile = archive;
    Engine.ArchiveStart = start;
    TakenMessages = taken;
  }
};

}  // namespace

std::vector<std::string> ListLikeTheStub(const InputFile& file, uint64_t start, std::vector<std::string>* shown) {
  std::vector<std::string> names;
  // Positions are signed 32-bit to the stub: it cannot seek further.
  if (start > (uint64_t)INT32_MAX) return names;
  SavedEngine saved;
  std::vector<std::string> taken;
  TakenMessages = shown ? shown : &taken;
  Engine.ArchiveFile = OpenForEngine(file.Path());
  Engine.ArchiveStart = (int32_t)start;
  HWND dialog = CreateListDialog();
  HWND list = GetDlgItem(dialog, IDC_MAIN_ENTRY_LIST);
  try {
    WalkEntries(dialog, IDC_MAIN_ENTRY_LIST, true);
  } catch (const EngineEnded&) {
    // The fatal report: the heap gave out.  What was listed stands.
  }
  int count = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
  names.resize(count > 0 ? count : 0);
  char text[kLongestEntryName + 1];
  for (int i = 0; i < count; ++i) {
    LRESULT ordinal = SendMessageA(list, LB_GETITEMDATA, i, 0);
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, i, 0);
    if (ordinal < 0 || ordinal >= count || length < 0 || length > kLongestEntryName) continue;
    SendMessageA(list, LB_GETTEXT, i, (LPARAM)text);
    names[ordinal].assign(text, length);
  }
  DestroyListDialog(dialog);
  CloseHandle(Engine.ArchiveFile);
  return names;
}
