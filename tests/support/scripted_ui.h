// The user interface as the unit tests see it: every message box is recorded,
// every prompt is answered from a script.  Built into the tests natively and
// under Wine in place of the stub's dialogs.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "common/dialogs.h"
#include "platform/platform.h"

struct RecordedMessage {
  std::string caption;
  std::string text;
  UINT style;
  bool operator==(const RecordedMessage& o) const {
    return caption == o.caption && text == o.text && style == o.style;
  }
};

// The closing messages of a walk and the one for an archive without entries.
extern const RecordedMessage kAllDone;
extern const RecordedMessage kSomeFailed;
extern const RecordedMessage kNotProcessed;

namespace scripted {

extern std::vector<RecordedMessage> messages;
extern std::deque<std::string> passwords;      // typed at each prompt in turn, then ""
extern std::deque<OverwriteReply> overwrites;  // given at each prompt in turn, then No
extern std::vector<std::string> overwriteNames;  // ExistingFileName at each prompt
extern int passwordPrompts;
extern std::function<void()> onPrompt;        // runs inside each prompt's "message loop"
extern std::function<void()> onMainDialog;    // what RunMainDialog does
extern std::function<void()> onInfoDialog;    // what RunInfoDialog does
extern int mainDialogRuns, infoDialogRuns;

void Reset();

// "caption: text" lines, for readable failure output.
std::string MessageLog();

}  // namespace scripted
