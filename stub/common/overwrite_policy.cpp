// The overwrite prompt's one rule.
#include "dialogs.h"
#include "engine_state.h"

void ApplyOverwriteReply(OverwriteReply reply) {
  Engine.OverwriteAnswer = reply.yes;
  if (reply.dontAskAgain) Engine.OverwriteMode = reply.yes ? kOverwriteAll : kSkipExisting;
}
