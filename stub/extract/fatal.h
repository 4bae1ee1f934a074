// The fatal error report and the heap blocks of the engine.
//
// Every heap block of the stub comes from TakeMemory: when the heap is
// exhausted the process ends through the fatal error report with the number
// 203, so callers never see an empty result.
#pragma once

#include "../platform/platform.h"

// The number the fatal report shows, and exits with, when a heap allocation
// fails anywhere in the stub.
const DWORD kOutOfMemoryReport = 203;

// Message box with caption "Error", no icon and the number in the text; then
// the process ends with `code` as its exit code.  Nothing of the caller runs
// afterwards.
[[noreturn]] void FatalErrorReport(DWORD code);

void* TakeMemory(DWORD bytes);
void ReleaseMemory(void* block);  // accepts nullptr
