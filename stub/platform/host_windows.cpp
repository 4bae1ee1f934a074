// The window side of the Linux stand-in: an in-memory dialog with list boxes
// (LBS_SORT | LBS_HASSTRINGS, single or multiple selection) and static
// texts, the message let through by PeekMessageA, and the cursor.
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
  std::vector<std::string> items;
  std::vector<bool> selected;
  std::vector<HostWindow*> children;
};

namespace {

void (*messageHook)(void*);
void* messageHookContext;
LPCSTR currentCursor;
const UINT kHookMessage = 0x8000;  // WM_APP: stands for "some message"

// List boxes compare without regard to case.
int CompareItems(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()); }

LRESULT ListBoxMessage(HostWindow* w, UINT message, WPARAM wParam, LPARAM lParam) {
  int count = (int)w->items.size();
  switch (message) {
    case LB_RESETCONTENT:
      w->items.clear();
      w->selected.clear();
      return 0;
    case LB_ADDSTRING: {
      // After every item that does not sort after it (binary search: a
      // walk adds thousands of names, mostly in order).
      std::string s = lParam ? (const char*)lParam : "";
      int at = (int)(std::upper_bound(w->items.begin(), w->items.end(), s,
                                      [](const std::string& a, const std::string& b) {
                                        return CompareItems(a, b) < 0;
                                      }) -
                     w->items.begin());
      w->items.insert(w->items.begin() + at, s);
      w->selected.insert(w->selected.begin() + at, false);
      return at;
    }
    case LB_FINDSTRINGEXACT: {
      // The first item after `wParam` that equals the text without regard to
      // case, wrapping from the bottom to the top.  The items are sorted by
      // that comparison, so the equal ones stand together: found by binary
      // search rather than a scan.
      int start = (int)(LONG)wParam;
      if (start < -1 || start >= count) start = -1;
      std::string key = lParam ? (const char*)lParam : "";
      auto less = [](const std::string& a, const std::string& b) { return CompareItems(a, b) < 0; };
      auto range = std::equal_range(w->items.begin(), w->items.end(), key, less);
      int lo = (int)(range.first - w->items.begin()), hi = (int)(range.second - w->items.begin());
      if (lo == hi) return LB_ERR;
      return (start >= lo && start < hi - 1) ? start + 1 : lo;
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
      for (bool b : w->selected) n += b;
      return n;
    }
    case LB_GETCOUNT:
      return count;
    case LB_GETTEXTLEN: {
      int i = (int)(LONG)wParam;
      if (i < 0 || i >= count) return LB_ERR;
      return (LRESULT)w->items[i].size();
    }
    case LB_GETTEXT: {
      int i = (int)(LONG)wParam;
      if (i < 0 || i >= count) return LB_ERR;
      memcpy((char*)lParam, w->items[i].c_str(), w->items[i].size() + 1);
      return (LRESULT)w->items[i].size();
    }
    default:
      return 0;
  }
}

}  // namespace

HWND HostCreateDialog() { return new HostWindow{HostWindow::kDialog, 0, false, {}, {}, {}, {}}; }

void HostAddListBox(HWND dialog, int id, bool multipleSelection) {
  dialog->children.push_back(new HostWindow{HostWindow::kListBox, id, multipleSelection, {}, {}, {}, {}});
}

void HostAddStatic(HWND dialog, int id) {
  dialog->children.push_back(new HostWindow{HostWindow::kStatic, id, false, {}, {}, {}, {}});
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
  HCURSOR old = (HCURSOR)currentCursor;
  currentCursor = (LPCSTR)cursor;
  return old;
}

LPCSTR HostCurrentCursor() { return currentCursor; }

void HostResetWindows() {
  messageHook = nullptr;
  messageHookContext = nullptr;
  currentCursor = nullptr;
}

void HostResetPlatform() {
  HostResetPaths();
  HostResetFiles();
  HostResetWindows();
  SetLastError(0);
}
