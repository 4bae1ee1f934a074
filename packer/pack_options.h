// The command line of mksfx pack.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "commands.h"
#include "config_block.h"

struct PackOptions {
  std::string stubPath;
  std::string outputPath;  // -o, or the last positional argument
  std::vector<std::string> inputs;
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

extern const char kPackHelp[];

// Throws UsageError for a wrong command line.
PackOptions ParsePackOptions(const Arguments& args);

// The overwrite mode of both pack and extract: ask, overwrite or skip.
OverwriteChoice ParseOverwriteMode(const std::string& option, const std::string& mode);

// Applies one of the block options to `settings`.
void ApplyBlockOption(BlockSettings& settings, const std::string& option, const std::string& value);
