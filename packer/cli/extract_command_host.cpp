// mksfx extract: the stub's own start-up and walk, through the Linux
// stand-in, on a self-extractor.
#include <filesystem>
#include <iostream>

#include "commands.h"
#include "engine_console.h"
#include "errors.h"
#include "option_parser.h"
#include "codepages.h"

namespace {

const char kExtractHelp[] =
    "usage: mksfx extract [OPTIONS] SFX DIR\n"
    "\n"
    "Runs the stub's start-up and entry walk on the self-extractor SFX, as the stub\n"
    "does on Windows, and extracts into the folder DIR.  Prints every message box\n"
    "as \"caption: text\", each file written, each prompt with its answer, and the\n"
    "program the stub would start afterwards (not started).  Names and passwords\n"
    "are UTF-8.\n"
    "\n"
    "  --codepage N      the Windows code page given to pack (default 1252)\n"
    "  --password P      answer to the next password prompt (repeatable)\n"
    "  --overwrite MODE  ask, overwrite or skip existing files (default: SFX's own)\n"
    "  --answer yes|no   the answer to every overwrite prompt (default: no)\n"
    "  --select NAME     extract only this entry (repeatable; default: all)\n"
    "  -q, --quiet       no line per file\n"
    "\n"
    "Exit code 0 when every selected entry was extracted, 1 otherwise, 2 for a\n"
    "usage error.\n";

}  // namespace

int RunExtractCommand(const Arguments& args) {
  static const std::vector<OptionRow> kOptions = {
      {"--codepage", "", OptionKind::kValue}, {"--password", "", OptionKind::kValues},
      {"--overwrite", "", OptionKind::kValue}, {"--answer", "", OptionKind::kValue},
      {"--select", "", OptionKind::kValues},  {"--quiet", "-q", OptionKind::kFlag}};
  CommandLine line = ParseCommandLine("extract", kOptions, args);
  if (line.help) {
    std::cout << kExtractHelp;
    return kExitSuccess;
  }
  EngineConsole& console = Console();
  console.page = &CodePageOption(line);
  const std::vector<std::string> passwords = PasswordsInCodePage(line.Values("--password"), *console.page);
  console.passwords.assign(passwords.begin(), passwords.end());
  console.select = line.Values("--select");
  console.quiet = line.Has("--quiet");
  if (line.Has("--overwrite")) console.overwriteMode = ParseOverwriteMode("--overwrite", line.Value("--overwrite"));
  if (line.Has("--answer")) {
    const std::string answer = line.Value("--answer");
    if (answer != "yes" && answer != "no") throw UsageError("--answer takes yes or no, not \"" + answer + "\"");
    console.overwriteAnswer = answer == "yes";
  }
  const std::vector<std::string>& sfxAndDir = line.operands;
  if (sfxAndDir.size() != 2) throw UsageError("extract takes SFX and DIR (see mksfx extract --help)");
  if (!std::filesystem::is_regular_file(sfxAndDir[0])) throw Refusal(sfxAndDir[0] + ": no such file");
  ExtractOutcome outcome = ExtractLikeTheStub(sfxAndDir[0], sfxAndDir[1]);
  std::cout.flush();
  // The stub ends itself after "Cannot process file." and after the fatal
  // error report (its number): both are failures here.
  if (outcome.endedWith >= 0) return outcome.endedWith ? outcome.endedWith : kExitRefused;
  if (!outcome.unknownSelections.empty()) {
    for (const std::string& name : outcome.unknownSelections)
      std::cerr << "mksfx: no entry named \"" << Printable(name) << "\"\n";
    return kExitUsage;
  }
  return outcome.succeeded ? kExitSuccess : kExitRefused;
}
