// mksfx extract: the stub's own start-up and walk, through the Linux
// stand-in, on a self-extractor.
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "certificate_table.h"
#include "commands.h"
#include "console_ui.h"
#include "errors.h"
#include "common/overwrite_policy.h"
#include "extract/paths.h"
#include "option_parser.h"
#include "platform/host_control.h"
#include "printable.h"
#include "startup/startup.h"
#include "stub_locator.h"

namespace {

const char kExtractHelp[] =
    "usage: mksfx extract [OPTIONS] SFX DIR\n"
    "\n"
    "Runs the stub's start-up and entry walk on the self-extractor SFX, as the stub\n"
    "does on Windows, and extracts into the folder DIR (created when missing).\n"
    "A signed SFX is read up to its certificate table, never into it.\n"
    "Every message box the stub would show is printed as one line \"caption: text\",\n"
    "each file as \"extracting PATH\", each prompt with its answer, and the\n"
    "program to run afterwards with \"><\" replaced (it is not started).  Names\n"
    "are written and shown in UTF-8, converted from the code page as Windows\n"
    "does; passwords and names given are UTF-8.\n"
    "\n"
    "  --codepage N      the Windows code page given to pack (default 1252); a\n"
    "                    self-extractor does not record its page\n"
    "  --password P      answer to the next password prompt (repeatable; after the\n"
    "                    last one the prompt gets an empty answer)\n"
    "  --overwrite MODE  ask, overwrite or skip existing files, as in pack\n"
    "                    (default: the self-extractor's own mode)\n"
    "  --answer yes|no   the answer to every overwrite prompt (default: no)\n"
    "  --select NAME     extract only this entry (repeatable; default: all)\n"
    "  -q, --quiet       no line per file\n"
    "\n"
    "Exit code 0 when every selected entry was extracted, 1 otherwise, 2 for a\n"
    "usage error.\n";

std::string WindowsPathOf(const std::string& nativePath) {
  std::string absolute = std::filesystem::absolute(nativePath).lexically_normal().string();
  while (absolute.size() > 1 && absolute.back() == '/') absolute.pop_back();
  char win[PATH_MAX + 4];
  if (!HostWindowsPath(absolute.c_str(), win, sizeof win))
    throw Refusal(nativePath + ": cannot be named in Windows code page " +
                  std::to_string(Console().page->number));
  return win;
}

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
  ConsoleScript& s = Console();
  s.page = &CodePageOption(line);
  const std::vector<std::string> passwords = PasswordsInCodePage(line.Values("--password"), *s.page);
  s.passwords.assign(passwords.begin(), passwords.end());
  s.select = line.Values("--select");
  s.quiet = line.Has("--quiet");
  if (line.Has("--overwrite")) s.overwriteMode = ParseOverwriteMode("--overwrite", line.Value("--overwrite"));
  if (line.Has("--answer")) {
    const std::string answer = line.Value("--answer");
    if (answer != "yes" && answer != "no") throw UsageError("--answer takes yes or no, not \"" + answer + "\"");
    s.overwriteAnswer = answer == "yes";
  }
  const std::vector<std::string>& positional = line.operands;
  if (positional.size() != 2) throw UsageError("extract takes SFX and DIR (see mksfx extract --help)");
  if (!std::filesystem::is_regular_file(positional[0])) throw Refusal(positional[0] + ": no such file");
  // The stub's code would read into the certificate table of these two.
  RefuseSigned64BitImage(InputFile(positional[0]));

  HostResetPlatform();
  // Nothing else writes into DIR meanwhile; a folder of many new files is
  // then read once, not once per file.
  HostKeepFolderListings(true);
  HostSetAnsiCodePage(s.page->upper);
  HostSetModuleFileName(WindowsPathOf(positional[0]).c_str());
  TakeImageHeaders(InputFile(positional[0]));
  s.destination = WindowsPathOf(positional[1]);
  if (s.destination.size() > (size_t)kMaxPathLength)
    throw Refusal(positional[1] + ": longer than the 259 characters a Windows path may have");

  try {
    RunSelfExtractor("mksfx");
  } catch (const EngineEnded& ended) {
    // The stub ends itself after "Cannot process file." (kExitCannotProcess,
    // which is mksfx's usage error code) and after the fatal error report
    // (its number): both are failures here.
    std::cout.flush();
    return ended.code && ended.code != kExitCannotProcess ? (int)ended.code : kExitRefused;
  }
  if (!s.unknownSelections.empty()) {
    for (const std::string& name : s.unknownSelections)
      std::cerr << "mksfx: no entry named \"" << Printable(name) << "\"\n";
    return kExitUsage;
  }
  return s.extractionSucceeded ? kExitSuccess : kExitRefused;
}
