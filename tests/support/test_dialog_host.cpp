// The engine dialog on the Linux stand-in.
#include "platform/host_control.h"
#include "test_dialog.h"
#include "common/resource_ids.h"

HWND CreateEngineDialog(bool withStatusLine) {
  HWND d = HostCreateDialog();
  HostAddListBox(d, IDC_MAIN_ENTRY_LIST, true);
  HostAddListBox(d, IDC_MAIN_PLAIN_LIST, false);
  if (withStatusLine) HostAddStatic(d, IDC_MAIN_STATUS);
  return d;
}

void DestroyEngineDialog(HWND dialog) {
  HostSetMessageHook(nullptr, nullptr);
  HostDestroyDialog(dialog);
}

namespace {
void (*pending)(void*);
void* pendingContext;

void RunOnce(void*) {
  void (*callback)(void*) = pending;
  HostSetMessageHook(nullptr, nullptr);
  pending = nullptr;
  if (callback) callback(pendingContext);
}
}  // namespace

void PostMessageCallback(HWND, void (*callback)(void*), void* context) {
  pending = callback;
  pendingContext = context;
  HostSetMessageHook(RunOnce, nullptr);
}
