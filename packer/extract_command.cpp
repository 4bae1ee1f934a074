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
#include "extract/overwrite_policy.h"
#include "extract/paths.h"
#include "pack_options.h"
#include "platform/host_control.h"
#include "printable.h"
#include "startup/startup.h"

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

void OnEngineExit(UINT code) {
  // The stub ends itself after "Cannot process file." (kExitCannotProcess,
  // which is mksfx's usage error code) and after the fatal error report (its
  // number): both are failures here.
  std::cout.flush();
  std::exit(code && code != kExitCannotProcess ? (int)code : kExitRefused);
}

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
  ConsoleScript& s = Console();
  s.page = FindCodePage(kDefaultCodePage);
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(a + " needs a value");
      return args[++i];
    };
    if (a == "--help" || a == "-h") {
      std::cout << kExtractHelp;
      return kExitSuccess;
    } else if (a == "--password") {
      s.passwords.push_back(value());
    } else if (a == "--codepage") {
      s.page = &ParseCodePage(value());
    } else if (a == "--overwrite") {
      s.overwriteMode = ParseOverwriteMode(a, value());
    } else if (a == "--answer") {
      const std::string& answer = value();
      if (answer != "yes" && answer != "no") throw UsageError("--answer takes yes or no, not \"" + answer + "\"");
      s.overwriteAnswer = answer == "yes";
    } else if (a == "-q" || a == "--quiet") {
      s.quiet = true;
    } else if (a == "--select") {
      s.select.push_back(value());
    } else if (a.size() > 1 && a[0] == '-') {
      throw UsageError("unknown option " + a + " (see mksfx extract --help)");
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 2) throw UsageError("extract takes SFX and DIR (see mksfx extract --help)");
  for (std::string& p : s.passwords) {
    std::string bytes, problem;
    if (!ToCodePage(p, *s.page, bytes, problem)) throw Refusal("--password: " + problem);
    p = bytes;
  }
  if (!std::filesystem::is_regular_file(positional[0])) throw Refusal(positional[0] + ": no such file");
  // The stub's code would read into the certificate table of these two.
  RefuseSigned64BitImage(InputFile(positional[0]));

  HostResetPlatform();
  HostSetAnsiCodePage(s.page->upper);
  HostSetExitHook(OnEngineExit);
  HostSetModuleFileName(WindowsPathOf(positional[0]).c_str());
  s.destination = WindowsPathOf(positional[1]);
  if (s.destination.size() > (size_t)kMaxPathLength)
    throw Refusal(positional[1] + ": longer than the 259 characters a Windows path may have");

  RunSelfExtractor("mksfx");
  if (!s.unknownSelections.empty()) {
    for (const std::string& name : s.unknownSelections)
      std::cerr << "mksfx: no entry named \"" << Printable(name) << "\"\n";
    return kExitUsage;
  }
  return s.extractionSucceeded ? kExitSuccess : kExitRefused;
}
