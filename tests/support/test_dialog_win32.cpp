// The engine dialog as a real (hidden) window with real list boxes.
#include "test_dialog.h"
#include "common/resource_ids.h"

namespace {

const UINT kCallbackMessage = WM_APP + 1;
void (*pending)(void*);
void* pendingContext;

LRESULT CALLBACK DialogWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kCallbackMessage) {
    void (*callback)(void*) = pending;
    pending = nullptr;
    if (callback) callback(pendingContext);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

const char kClassName[] = "SfxEngineTestDialog";

}  // namespace

HWND CreateEngineDialog(bool withStatusLine) {
  static bool registered = false;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!registered) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DialogWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);
    registered = true;
  }
  HWND d = CreateWindowExA(0, kClassName, "engine test", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                           nullptr, instance, nullptr);
  const DWORD common = WS_CHILD | LBS_SORT | LBS_HASSTRINGS | LBS_NOTIFY;
  CreateWindowExA(0, "LISTBOX", "", common | LBS_MULTIPLESEL, 0, 0, 100, 100, d, (HMENU)IDC_MAIN_ENTRY_LIST, instance,
                  nullptr);
  CreateWindowExA(0, "LISTBOX", "", common, 100, 0, 100, 100, d, (HMENU)IDC_MAIN_PLAIN_LIST, instance, nullptr);
  if (withStatusLine)
    CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 200, 300, 20, d, (HMENU)IDC_MAIN_STATUS, instance, nullptr);
  return d;
}

void DestroyEngineDialog(HWND dialog) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  pending = nullptr;
  DestroyWindow(dialog);
}

void PostMessageCallback(HWND dialog, void (*callback)(void*), void* context) {
  // Drain what is queued so the walk's one PeekMessage takes this message.
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  pending = callback;
  pendingContext = context;
  PostMessageA(dialog, kCallbackMessage, 0, 0);
}
