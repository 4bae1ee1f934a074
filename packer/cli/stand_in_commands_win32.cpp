// The commands of mksfx that run the stub's own code through the Linux
// stand-in, as the Windows build answers them.
#include "commands.h"
#include "errors.h"
#include "json_output.h"
#include "option_parser.h"

int RunInfoCommand(const Arguments& args) {
  static const std::vector<OptionRow> kOptions = {{"--codepage", "", OptionKind::kValue},
                                                  {"--json", "", OptionKind::kFlag}};
  return WithJsonFailures(ReadCommandLine("info", kOptions, args).Has("--json"), "info", []() -> int {
    throw UsageError("info is the Linux build's: it shows what the stub reads through the Linux "
                     "stand-in; here, mksfx check FILE walks the archive as the stub will");
  });
}

int RunExtractCommand(const Arguments&) {
  throw UsageError("extract runs the stub's own code through the Linux stand-in; on Windows, run "
                   "the self-extractor itself");
}
