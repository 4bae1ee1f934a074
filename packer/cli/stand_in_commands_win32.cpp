// The commands of mksfx that run the stub's own code through the Linux
// stand-in, as the Windows build answers them.
#include "commands.h"
#include "errors.h"

int RunInfoCommand(const Arguments&) {
  throw UsageError("info runs the stub's own start-up code, which only the Linux build of mksfx "
                   "can run; here, mksfx check FILE walks the archive as the stub will");
}

int RunExtractCommand(const Arguments&) {
  throw UsageError("extract runs the stub's own code through the Linux stand-in; on Windows, run "
                   "the self-extractor itself");
}
