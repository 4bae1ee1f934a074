// mksfx: writes self-extractors from ZIP archives and shows what the stub
// will read from one.
#include <exception>
#include <iostream>

#include "commands.h"
#include "errors.h"

namespace {

const char kHelp[] =
    "usage: mksfx COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  pack [OPTIONS] ARCHIVE OUTPUT   write a self-extractor from a ZIP archive\n"
    "                                  (mksfx pack --help lists the options)\n"
    "  info FILE                       show a self-extractor's settings and entries\n"
    "                                  as the stub reads them\n"
    "  extract SFX DIR [OPTIONS]       extract SFX into DIR with the stub's own\n"
    "                                  start-up and walk (mksfx extract --help)\n"
    "  help                            this text\n"
    "\n"
    "Exit codes: 0 success, 1 refused or failed, 2 usage error.\n";

int Dispatch(const std::string& command, const Arguments& args) {
  if (command == "pack") return RunPackCommand(args);
  if (command == "info") return RunInfoCommand(args);
  if (command == "extract") return RunExtractCommand(args);
  if (command == "help" || command == "--help" || command == "-h") {
    std::cout << kHelp;
    return kExitSuccess;
  }
  throw UsageError("unknown command \"" + command + "\" (see mksfx --help)");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << kHelp;
    return kExitUsage;
  }
  try {
    return Dispatch(argv[1], Arguments(argv + 2, argv + argc));
  } catch (const UsageError& e) {
    std::cerr << "mksfx: " << e.what() << "\n";
    return kExitUsage;
  } catch (const Refusal& e) {
    std::cerr << "mksfx: " << e.what() << "\n";
    return kExitRefused;
  } catch (const std::exception& e) {
    std::cerr << "mksfx: " << e.what() << "\n";
    return kExitRefused;
  }
}
