// The window side of the Linux stand-in: an in-memory dialog with list boxes
// (LBS_SORT | LBS_HASSTRINGS, single or multiple selection) and static
// texts, the message let through by PeekMessageA, and the cursor.
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host_control.h"
#include "host_internal.h"

struct HostWindow {
  enum Kind { kDialog, kListBox, kStatic } kind;
  int id;
  bool multipleSelection;
  std::string text;
  // A list box's items: their texts in the order they came, and the sorted
  // list as indexes into them with a selection flag and the item data each.
  // Inserting moves four-byte indexes, not strings: a walk adds thousands of
  // names.
  std::vector<std::string> texts;
  std::vector<uint32_t> sorted;
  std::vector<uint8_t> selected;
  std::vector<LPARAM> data;
  std::vector<HostWindow*> children;
};

namespace {

void (*messageHook)(void*);
void* messageHookContext;
HostListObserver listObserver;
void* listObserverContext;
const UINT kHookMessage = 0x8000;  // WM_APP: stands for "some message"

LRESULT ListBoxMessage(HostWindow* w, UINT message, WPARAM wParam, LPARAM lParam) {
  int count = (int)w->sorted.size();
  const char* key = lParam ? (const char*)lParam : "";
  // Orders items (as indexes) and a searched text without regard to case.
  auto textLess = [w](const char* text, uint32_t item) {
    return strcasecmp(text, w->texts[item].c_str()) < 0;
  };
  switch (message) {
    case LB_RESETCONTENT:
      w->texts.clear();
      w->sorted.clear();
      w->selected.clear();
      w->data.clear();
      return 0;
    case LB_ADDSTRING: {
      // After every item that does not sort after it.
      int at = (int)(std::upper_bound(w->sorted.begin(), w->sorted.end(), key, textLess) - w->sorted.begin());
      w->texts.push_back(key);
      w->sorted.insert(w->sorted.begin() + at, (uint32_t)w->texts.size() - 1);
      w->selected.insert(w->selected.begin() + at, 0);
      w->data.insert(w->data.begin() + at, 0);
      return at;
    }
    case LB_FINDSTRINGEXACT: {
      // The first item after `wParam` that equals the text without regard to
      // case, wrapping from the bottom to the top.  A scan item by item, as
      // the real list box makes it, sorted or not: its cost is the caller's
      // to see.
      int start = (int)(LONG)wParam;
      if (start < -1 || start >= count) start = -1;
      for (int k = 1; k <= count; ++k) {
        int i = (start + k) % count;
        if (strcasecmp(w->texts[w->sorted[i]].c_str(), key) == 0) return i;
      }
      return LB_ERR;
    }
    case LB_SETITEMDATA: {
      int i = (int)(LONG)wParam;
      if (listObserver) listObserver(listObserverContext, w, lParam);
      if (i < 0 || i >= count) return LB_ERR;
      w->data[i] = lParam;
      return 0;
    }
    case LB_GETITEMDATA: {
      int i = (int)(LONG)wParam;
      if (i < 0 || i >= count) return LB_ERR;
      return w->data[i];
    }
    case LB_GETSEL: {
      int i = (int)(LONG)wParam;
      if (i < 0 || i >= count) return LB_ERR;
      return w->selected[i] ? 1 : 0;
    }
    case LB_SETSEL: {
      if (!w->multipleSelection) return LB_ERR;
      int i = (int)(LONG)lParam;
      if (i == -1) {
        for (int k = 0; k < count; ++k) w->selected[k] = wParam != 0;
        return 0;
      }
      if (i < 0 || i >= count) return LB_ERR;
      w->selected[i] = wParam != 0;
      return 0;
    }
    case LB_GETSELCOUNT: {
      if (!w->multipleSelection) return LB_ERR;
      int n = 0;
      for (uint8_t b : w->selected) n += b;
      return n;
    }
    case LB_GETCOUNT:
      return count;
    case LB_GETTEXTLEN: {
      int i = (int)(LONG)wParam;
      if (i < 0 || i >= count) return LB_ERR;
      return (LRESULT)w->texts[w->sorted[i]].size();
    }
    case LB_GETTEXT: {
      int i = (int)(LONG)wParam;
      if (i < 0 || i >= count) return LB_ERR;
      const std::string& t = w->texts[w->sorted[i]];
      memcpy((char*)lParam, t.c_str(), t.size() + 1);
      return (LRESULT)t.size();
    }
    default:
      return 0;
  }
}

}  // namespace

HWND HostCreateDialog() { return new HostWindow{HostWindow::kDialog, 0, false, {}, {}, {}, {}, {}, {}}; }

void HostAddListBox(HWND dialog, int id, bool multipleSelection) {
  dialog->children.push_back(new HostWindow{HostWindow::kListBox, id, multipleSelection, {}, {}, {}, {}, {}, {}});
}

void HostAddStatic(HWND dialog, int id) {
  dialog->children.push_back(new HostWindow{HostWindow::kStatic, id, false, {}, {}, {}, {}, {}, {}});
}

void HostDestroyDialog(HWND dialog) {
  if (!dialog) return;
  for (HostWindow* c : dialog->children) delete c;
  delete dialog;
}

HWND WINAPI GetDlgItem(HWND dialog, int id) {
  if (dialog) {
    for (HostWindow* c : dialog->children)
      if (c->id == id) return c;
  }
  SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
  return nullptr;
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!window) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  switch (message) {
    case WM_SETTEXT:
      window->text = lParam ? (const char*)lParam : "";
      return TRUE;
    case WM_GETTEXTLENGTH:
      return (LRESULT)window->text.size();
    case WM_GETTEXT: {
      size_t cap = wParam;
      if (cap == 0) return 0;
      size_t n = window->text.size() < cap - 1 ? window->text.size() : cap - 1;
      memcpy((char*)lParam, window->text.data(), n);
      ((char*)lParam)[n] = 0;
      return (LRESULT)n;
    }
  }
  if (window->kind == HostWindow::kListBox) return ListBoxMessage(window, message, wParam, lParam);
  return 0;
}

void HostSetMessageHook(void (*hook)(void*), void* context) {
  messageHook = hook;
  messageHookContext = context;
}

void HostSetListObserver(HostListObserver observer, void* context) {
  listObserver = observer;
  listObserverContext = context;
}

BOOL WINAPI PeekMessageA(LPMSG msg, HWND, UINT, UINT, UINT) {
  if (!messageHook) return FALSE;
  memset(msg, 0, sizeof *msg);
  msg->message = kHookMessage;
  return TRUE;
}

BOOL WINAPI TranslateMessage(const MSG*) { return FALSE; }

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
  if (msg && msg->message == kHookMessage && messageHook) messageHook(messageHookContext);
  return 0;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE, LPCSTR name) { return (HCURSOR)name; }

HCURSOR WINAPI SetCursor(HCURSOR cursor) {
  HCURSOR old = (HCURSOR)HostProbes.currentCursor;
  HostProbes.currentCursor = (LPCSTR)cursor;
  ++HostProbes.cursorChanges;
  return old;
}

// Windows writes at most 1,024 bytes with the terminator.
int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
  va_list args;
  va_start(args, format);
  int n = vsnprintf(buffer, 1024, format, args);
  va_end(args);
  return n < 1024 ? n : 1023;
}

void HostResetWindows() {
  messageHook = nullptr;
  messageHookContext = nullptr;
  listObserver = nullptr;
  listObserverContext = nullptr;
}

HostProbeState HostProbes;

void HostResetPlatform() {
  HostResetPaths();
  HostResetFiles();
  HostResetWindows();
  HostProbes = HostProbeState();
  SetLastError(0);
}
