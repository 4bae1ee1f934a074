// The commands of mksfx that run the stub's own code through the Linux
// stand-in, as the Windows build answers them.
#include "commands.h"
#include "errors.h"

int RunInfoCommand(const Arguments&) {
  throw UsageError("info is the Linux build's: it shows what the stub reads through the Linux "
                   "stand-in; here, mksfx check FILE walks the archive as the stub will");
}

int RunExtractCommand(const Arguments&) {
  throw UsageError("extract runs the stub's own code through the Linux stand-in; on Windows, run "
                   "the self-extractor itself");
}
