// The exit guard on the Linux stand-in.
#include <stdio.h>
#include <stdlib.h>

#include "exit_guard.h"
#include "platform/host_control.h"

namespace {
bool exitExpected;

void OnExit(UINT code) {
  if (exitExpected) return;
  fprintf(stderr, "ExitProcess(%u) where the test did not expect the process to end\n", code);
  fflush(stderr);
  abort();
}
}  // namespace

void GuardProcessExit() {
  exitExpected = false;
  HostSetExitHook(OnExit);
}

void ExpectProcessExit() { exitExpected = true; }
