// The engine's heap blocks.
//
// Every heap block of the stub comes from TakeMemory: when the heap is
// exhausted the process ends through the fatal error report with the number
// 203, so callers never see an empty result.
#pragma once

#include "../platform/platform.h"

void* TakeMemory(DWORD bytes);
void ReleaseMemory(void* block);  // accepts nullptr
