// The command line of mksfx pack, and what pack reads from and shows on the
// terminal (password_input.cpp, progress_line.cpp; main clears the
// progress line before it prints a failure).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "codepages.h"
#include "commands.h"
#include "config_block_codec.h"
#include "exclude_patterns.h"
#include "file_io.h"
#include "option_parser.h"
#include "version_resource.h"

enum class Elevation { kUnset, kAsInvoker, kAdministrator };

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
  // What the manifest asks for: --elevate, --no-elevate (the last given
  // counts); unset: asInvoker, or with --keep-settings the input's level.
  Elevation elevation = Elevation::kUnset;
  std::string iconPath;      // --icon: the publisher's .ico
  VersionStrings versionInfo;  // --version-info, checked; an empty value removes a kept one
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

// --icon and --version-info from `line` into `o` (pack_publisher.cpp);
// throws UsageError for a wrong KEY=VALUE and for either with --no-block.
void ParsePublisherOptions(const CommandLine& line, PackOptions& o);

// The stub with the publisher's icon and version (--icon, --version-info,
// and with --keep-settings those of `keptFrom`, the INPUT self-extractor,
// unless given anew), or `stub` itself when there are none.  Throws Refusal.
std::vector<uint8_t> StubWithPublisherResources(const PackOptions& o, const InputFile* keptFrom,
                                                const std::vector<uint8_t>& stub, const std::string& stubName);

// Applies one of the block options to `settings`.
void ApplyBlockOption(BlockSettings& settings, const std::string& option, const std::string& value);

// A warning about the parameters of a run command, or "": the stub puts the
// destination folder, with its trailing backslash, in place of each "><" as
// it is, quoting nothing, and ShellExecute hands the parameters on as one
// text that the program splits at blanks outside double quotes.  The program
// part needs no quotes: ShellExecute takes it whole as the file to open.
std::string RunParametersWarning(const std::string& command);

typedef std::vector<std::pair<std::string, std::string>> BlockOptionList;

// The block options of `options` in their order, every value converted from
// UTF-8 (the command line, the information file) to `page`, the stub's;
// --info-file carries `infoFileText` (ReadTextInput's).  Throws one
// Refusal naming every character that the page has no byte for and, apart,
// every text that is not UTF-8.
BlockOptionList BlockOptionsInCodePage(const PackOptions& options, const std::string& infoFileText,
                                       const CodePageTable& page);

// The password for encrypting a pack, from a file, the terminal or the
// command line, converted to the stub's code page; "" when none was asked
// for.  Throws Refusal for a password that is empty, longer than the stub's
// 79 characters, holds a NUL byte or a character the code page lacks;
// UsageError when the prompt has no terminal.
std::string ReadPassword(const PackOptions& options, const CodePageTable& page);

// The progress line of a long pack: shown on a terminal only, and only once
// the work has taken more than a second; pipes and logs stay quiet.
void ProgressStart(const char* what);
// `done` of `total` bytes; cheap enough to call per entry.
void ProgressUpdate(uint64_t done, uint64_t total);
// Clears the line when one was shown.
void ProgressEnd();
