// The command line of mksfx pack.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "codepages.h"
#include "commands.h"
#include "config_block_codec.h"
#include "exclude_patterns.h"
#include "option_parser.h"

struct PackOptions {
  std::string stubPath;
  std::string outputPath;  // -o, or the last positional argument
  std::vector<std::string> inputs;
  ExcludePatterns excludes;  // --exclude, for folders and files
  bool listProblems = false;  // every refused name, not the first few
  bool noBlock = false;
  bool force = false;
  bool keepSettings = false;
  bool archive = false;  // --archive: the one INPUT is an archive to take over
  bool elevate = false;  // the manifest asks for administrator rights
  int level = -1;  // -1: the default level; kStoreLevel (-0): stored
  int codepage = 0;  // 0: the default code page
  std::string passwordFile;
  bool passwordPrompt = false;
  bool passwordGiven = false;
  std::string password;  // from --password
  // Block options in command-line order, applied over the defaults or over
  // the kept settings: option and value ("" for a flag).
  std::vector<std::pair<std::string, std::string>> blockOptions;
  std::string infoFile;
  bool help = false;
};

// mksfx pack --help.
std::string PackHelp();

// Throws UsageError for a wrong command line.
PackOptions ParsePackOptions(const Arguments& args);

// Applies one of the block options to `settings`.
void ApplyBlockOption(BlockSettings& settings, const std::string& option, const std::string& value);

// A warning about the parameters of a run command, or "": the stub puts the
// destination folder, with its trailing backslash, in place of each "><" as
// it is, quoting nothing, and ShellExecute hands the parameters on as one
// text that the program splits at blanks outside double quotes.  The program
// part needs no quotes: ShellExecute takes it whole as the file to open.
std::string RunParametersWarning(const std::string& command);
