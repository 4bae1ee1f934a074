// The progress line on stderr.
#include "pack_options.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>

namespace {

typedef std::chrono::steady_clock Clock;

// Quiet for the first second; then at most ten updates a second.
const auto kQuietTime = std::chrono::seconds(1);
const auto kUpdateInterval = std::chrono::milliseconds(100);

const char* label = "";
Clock::time_point started, lastShown;
bool shown = false;
bool terminal = false;

}  // namespace

void ProgressStart(const char* what) {
  label = what;
  started = Clock::now();
  shown = false;
  terminal = ::isatty(2);
}

void ProgressUpdate(uint64_t done, uint64_t total) {
  if (!terminal) return;
  Clock::time_point now = Clock::now();
  if (now - started < kQuietTime || (shown && now - lastShown < kUpdateInterval)) return;
  lastShown = now;
  shown = true;
  unsigned percent = total ? (unsigned)(done * 100 / total) : 100;
  std::fprintf(stderr, "\r%s: %3u%%  %llu of %llu MB ", label, percent,
               (unsigned long long)(done / 1000000), (unsigned long long)(total / 1000000));
  std::fflush(stderr);
}

void ProgressEnd() {
  if (shown) std::fprintf(stderr, "\r\033[K");
  shown = false;
}
