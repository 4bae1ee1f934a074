// mksfx extract: the stub's own start-up and walk, through the Linux
// stand-in, on a self-extractor.
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "commands.h"
#include "console_ui.h"
#include "errors.h"
#include "platform/host_control.h"
#include "startup/startup.h"

namespace {

const char kExtractHelp[] =
    "usage: mksfx extract SFX DIR [--password P]... [--overwrite MODE] [--select NAME]...\n"
    "\n"
    "Runs the stub's start-up and entry walk on the self-extractor SFX, as the stub\n"
    "does on Windows, and extracts into the folder DIR (created when missing).\n"
    "Every message box the stub would show is printed as one line \"caption: text\".\n"
    "\n"
    "  --password P      answer to the next password prompt (repeatable; after the\n"
    "                    last one the prompt gets an empty answer)\n"
    "  --overwrite MODE  ask-yes, ask-no: ask for each existing file and answer\n"
    "                    yes or no; always: overwrite; never: leave existing files.\n"
    "                    Default: the self-extractor's own mode, prompts answered no\n"
    "  --select NAME     extract only this entry (repeatable; default: all)\n"
    "\n"
    "Exit code 0 when every selected entry was extracted, 1 otherwise, 2 for a\n"
    "usage error.\n";

void OnEngineExit(UINT code) {
  // The stub ends itself after "Cannot process file." (code 0) and after the
  // fatal error report (its code): both are failures here.
  std::cout.flush();
  std::exit(code ? (int)code : kExitRefused);
}

std::string WindowsPathOf(const std::string& nativePath) {
  std::string absolute = std::filesystem::absolute(nativePath).lexically_normal().string();
  while (absolute.size() > 1 && absolute.back() == '/') absolute.pop_back();
  char win[PATH_MAX + 4];
  if (!HostWindowsPath(absolute.c_str(), win, sizeof win)) throw Refusal("cannot name " + nativePath);
  return win;
}

}  // namespace

int RunExtractCommand(const Arguments& args) {
  ConsoleScript& s = Console();
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
    } else if (a == "--overwrite") {
      const std::string& mode = value();
      if (mode == "ask-yes" || mode == "ask-no") {
        s.overwriteMode = 2;
        s.overwriteAnswer = mode == "ask-yes";
      } else if (mode == "always") {
        s.overwriteMode = 0;
      } else if (mode == "never") {
        s.overwriteMode = 1;
      } else {
        throw UsageError("--overwrite takes ask-yes, ask-no, always or never");
      }
    } else if (a == "--select") {
      s.select.push_back(value());
    } else if (a.size() > 1 && a[0] == '-') {
      throw UsageError("unknown option " + a + " (see mksfx extract --help)");
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 2) throw UsageError("extract takes SFX and DIR (see mksfx extract --help)");
  if (!std::filesystem::is_regular_file(positional[0])) throw Refusal(positional[0] + ": no such file");

  HostResetPlatform();
  HostSetExitHook(OnEngineExit);
  HostSetModuleFileName(WindowsPathOf(positional[0]).c_str());
  s.destination = WindowsPathOf(positional[1]);
  if (s.destination.size() > MAX_PATH - 1)
    throw Refusal(positional[1] + ": longer than the 259 characters a Windows path may have");

  RunSelfExtractor();
  if (!s.unknownSelections.empty()) {
    for (const std::string& name : s.unknownSelections)
      std::cerr << "mksfx: no entry named \"" << name << "\"\n";
    return kExitUsage;
  }
  return s.extractionSucceeded ? kExitSuccess : kExitRefused;
}
