// The progress line of a long pack: shown on a terminal only, and only once
// the work has taken more than a second; pipes and logs stay quiet.
#pragma once

#include <cstdint>

void ProgressStart(const char* what);
// `done` of `total` bytes; cheap enough to call per entry.
void ProgressUpdate(uint64_t done, uint64_t total);
// Clears the line when one was shown.
void ProgressEnd();
