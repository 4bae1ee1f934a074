// The exit guard on the Linux stand-in, and the engine's way out in the tests.
#include <stdio.h>
#include <stdlib.h>

#include "common/own_process.h"
#include "exit_guard.h"

namespace {
bool exitGuarded;
bool exitExpected;
}  // namespace

void EndProcess(UINT code) {
  if (exitGuarded && !exitExpected) {
    fprintf(stderr, "EndProcess(%u) where the test did not expect the process to end\n", code);
    fflush(stderr);
    abort();
  }
  ExitProcess(code);
}

void GuardProcessExit() {
  exitGuarded = true;
  exitExpected = false;
}

void ExpectProcessExit() { exitExpected = true; }
