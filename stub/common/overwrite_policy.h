// What the walk does with a file that exists already.  The one type of the mode: the main dialog's
// radio buttons 501-503 (a button's mode is its id less IDC_MAIN_OVERWRITE)
// and the configuration block's two flag bits convert to and from it here.
#pragma once

#include <stdint.h>

#include "config_format.h"
#include "resource_ids.h"

// Values above kAskEachFile (a stray byte) act as kOverwriteAll.
enum OverwritePolicy : uint8_t {
  kOverwriteAll = 0,
  kSkipExisting = 1,
  kAskEachFile = 2,
};
static_assert(IDC_MAIN_OVERWRITE + kOverwriteAll == IDC_MAIN_OVERWRITE, "button of kOverwriteAll");
static_assert(IDC_MAIN_OVERWRITE + kSkipExisting == IDC_MAIN_SKIP_EXISTING, "button of kSkipExisting");
static_assert(IDC_MAIN_OVERWRITE + kAskEachFile == IDC_MAIN_ASK, "button of kAskEachFile");

inline OverwritePolicy PolicyOfButton(int id) { return (OverwritePolicy)(id - IDC_MAIN_OVERWRITE); }
inline int ButtonOfPolicy(OverwritePolicy policy) { return IDC_MAIN_OVERWRITE + policy; }

// The block's field (flags AND kFlagOverwriteMask): 0x00 and 0x18 ask.
inline OverwritePolicy PolicyOfFlags(uint8_t flags) {
  uint8_t field = flags & kFlagOverwriteMask;
  return field == kFlagOverwriteAlways ? kOverwriteAll : field == kFlagSkipExisting ? kSkipExisting : kAskEachFile;
}
inline uint8_t FlagsOfPolicy(OverwritePolicy policy) {
  return policy == kOverwriteAll ? kFlagOverwriteAlways : policy == kSkipExisting ? kFlagSkipExisting : 0;
}
