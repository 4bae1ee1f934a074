// The list-only walk needs the main dialog's entry list: on Linux the
// stand-in's in-memory dialog, on Windows a hidden window with a real list
// box (LB_ADDSTRING of the ANSI call converts through the system's code
// page and back, as in the stub).  Each item is recorded as the walk gives
// it its ordinal (LB_SETITEMDATA): the local header it stands for is then
// the engine's current one.
#include "stub_compat.h"

#include <algorithm>

#include "engine_console.h"
#include "sfx_limits.h"
#include "stub_engine.h"

namespace {

StubListing* listing;  // the listing being recorded
HWND listBox;

void RecordItem(HWND list, LPARAM ordinal) {
  if (list != listBox || (size_t)ordinal != listing->items.size()) return;
  ListedEntry e;
  e.header = Engine.LocalHeader;
  e.headerPos = (uint64_t)Engine.HeaderEnd - kLocalHeaderSize;
  e.dataPos = (uint64_t)Engine.HeaderEnd + e.header.nameLength + e.header.extraLength;
  listing->items.push_back(e);
}

#ifdef _WIN32
WNDPROC listBoxProcedure;

LRESULT CALLBACK RecordingListBox(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == LB_SETITEMDATA) RecordItem(list, lParam);
  return CallWindowProcA(listBoxProcedure, list, message, wParam, lParam);
}

HWND CreateListDialog() {
  HWND dialog = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  HWND list = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_HASSTRINGS | LBS_MULTIPLESEL, 0, 0, 100, 100,
                              dialog, (HMENU)IDC_MAIN_ENTRY_LIST, nullptr, nullptr);
  listBoxProcedure = (WNDPROC)SetWindowLongPtrA(list, GWLP_WNDPROC, (LONG_PTR)RecordingListBox);
  return dialog;
}
void DestroyListDialog(HWND dialog) { DestroyWindow(dialog); }
#else
HWND CreateListDialog() {
  HWND dialog = HostCreateDialog();
  HostAddListBox(dialog, IDC_MAIN_ENTRY_LIST, true);
  HostSetListObserver([](void*, HWND list, LPARAM ordinal) { RecordItem(list, ordinal); }, nullptr);
  return dialog;
}
void DestroyListDialog(HWND dialog) {
  HostSetListObserver(nullptr, nullptr);
  HostDestroyDialog(dialog);
}
#endif

// Where and why the walk ended, from what it left in the engine: the last
// header it processed ends at HeaderEnd, the last header it tried to read
// stands at FilePos (every header is read right after a seek to it), and
// LocalHeader holds what that read found.
void FindTheEnd(StubListing& l) {
  const ListedEntry* last = l.items.empty() ? nullptr : &l.items.back();
  uint64_t processed = Engine.HeaderEnd ? (uint64_t)Engine.HeaderEnd - kLocalHeaderSize : 0;
  if (Engine.HeaderEnd && (!last || last->headerPos != processed)) {
    // A header read whole, whose name then ended the walk.
    const std::string invalid = OneLine(kErrorCaption) + ": " + OneLine(kInvalidFileName);
    bool empty = std::find(l.messages.begin(), l.messages.end(), invalid) != l.messages.end();
    l.end = empty ? WalkEnd::kEmptyName : WalkEnd::kNameCutShort;
    l.endPos = processed;
    return;
  }
  uint64_t at = (uint64_t)(uint32_t)Engine.FilePos;
  if (last && at < last->dataPos + last->header.compressedSize) {
    l.end = WalkEnd::kPast2GiB;  // no further header was read
    l.endPos = last->headerPos;
    return;
  }
  if (last && at == last->dataPos && (last->header.flags & kFlagDataDescriptor) && !last->header.compressedSize) {
    l.end = WalkEnd::kSizeUnknown;
    l.endPos = last->headerPos;
    return;
  }
  uint32_t signature = Engine.LocalHeader.signature;
  l.endPos = at;
  if (signature != kLocalHeaderSignature && signature != kSplitHeaderSignature)
    l.end = WalkEnd::kNoHeader;
  else if (at + kLocalHeaderSize > GetFileSize(Engine.ArchiveFile, nullptr))
    l.end = WalkEnd::kHeaderCutShort;
  else
    l.end = WalkEnd::kSizeTooLarge;
}

}  // namespace

StubListing ListLikeTheStub(const InputFile& file, uint64_t start) {
  StubListing l;
  // Positions are signed 32-bit to the stub: it cannot seek further.
  if (start > kLargestOutput) return l;
  EngineRun run(file, &l.messages);
  Engine.ArchiveStart = (int32_t)start;
  HWND dialog = CreateListDialog();
  listing = &l;
  listBox = GetDlgItem(dialog, IDC_MAIN_ENTRY_LIST);
  try {
    WalkEntries(dialog, IDC_MAIN_ENTRY_LIST, true);
  } catch (const EngineEnded&) {
    // The fatal report: the heap gave out.  What was listed stands.
  }
  FindTheEnd(l);
  // The names as the list holds them, by the ordinal each item carries.
  int count = (int)SendMessageA(listBox, LB_GETCOUNT, 0, 0);
  char text[kLongestEntryName + 1];
  for (int i = 0; i < count; ++i) {
    LRESULT ordinal = SendMessageA(listBox, LB_GETITEMDATA, i, 0);
    LRESULT length = SendMessageA(listBox, LB_GETTEXTLEN, i, 0);
    if (ordinal < 0 || ordinal >= (LRESULT)l.items.size() || length < 0 || length > kLongestEntryName) continue;
    SendMessageA(listBox, LB_GETTEXT, i, (LPARAM)text);
    l.items[ordinal].name.assign(text, length);
  }
  DestroyListDialog(dialog);
  listing = nullptr;
  return l;
}
