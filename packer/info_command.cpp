// mksfx info: placeholder until the start-up code is available to the host
// build.
#include "commands.h"
#include "errors.h"

int RunInfoCommand(const Arguments&) { throw Refusal("info is not available yet"); }
