// mksfx: writes self-extractors from folders, files and ZIP archives, and
// shows and checks what the stub will read from one.
#include <exception>
#include <iostream>

#include "commands.h"
#include "errors.h"
#include "codepages.h"
#include "pack_options.h"
#include "version.h"

namespace {

const char kHelp[] =
    "usage: mksfx COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  pack [OPTIONS] INPUT... OUTPUT  write a self-extractor from folders and files\n"
    "                                  or from one ZIP archive (mksfx pack --help)\n"
    "  info [OPTIONS] FILE             show a self-extractor's settings and entries\n"
    "                                  as the stub reads them (mksfx info --help)\n"
    "  check [OPTIONS] FILE            walk and decode a self-extractor as the stub\n"
    "                                  will; exit 1 when it would fail on anything\n"
    "  extract [OPTIONS] SFX DIR       extract SFX into DIR with the stub's own\n"
    "                                  start-up and walk (mksfx extract --help)\n"
    "  help                            this text; COMMAND --help for each command\n"
    "\n"
    "Options: --version, --help.\n"
    "Each command takes an option's value as \"--OPTION VALUE\" or \"--OPTION=VALUE\",\n"
    "the last value where an option is given twice (unless its help says\n"
    "repeatable: then every one), and \"--\" to end its options\n"
    "(before an INPUT or FILE whose name starts with \"-\").\n"
    "Exit codes: 0 success, 1 input refused or failed, 2 usage error.\n";

int Dispatch(const std::string& command, const Arguments& args) {
  if (command == "pack") return RunPackCommand(args);
  if (command == "info") return RunInfoCommand(args);
  if (command == "extract") return RunExtractCommand(args);
  if (command == "check") return RunCheckCommand(args);
  if (command == "--version" || command == "version") {
    std::cout << "mksfx " << kMksfxVersion << "\n";
    return kExitSuccess;
  }
  if (command == "help" || command == "--help" || command == "-h") {
    std::cout << kHelp;
    return kExitSuccess;
  }
  throw UsageError("unknown command \"" + command + "\" (see mksfx --help)");
}

}  // namespace

// Messages name files and entries, which may hold anything: they are
// printed escaped, line breaks kept.
int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << kHelp;
    return kExitUsage;
  }
  try {
    return Dispatch(argv[1], Arguments(argv + 2, argv + argc));
  } catch (const UsageError& e) {
    ProgressEnd();
    std::cerr << "mksfx: " << Printable(e.what(), true) << "\n";
    return kExitUsage;
  } catch (const Refusal& e) {
    ProgressEnd();
    std::cerr << "mksfx: " << Printable(e.what(), true) << "\n";
    return kExitRefused;
  } catch (const std::exception& e) {
    ProgressEnd();
    std::cerr << "mksfx: " << Printable(e.what(), true) << "\n";
    return kExitRefused;
  }
}
