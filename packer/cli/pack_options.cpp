// Options and help of mksfx pack.
#include "pack_options.h"

#include <algorithm>
#include <cstdio>
#include <type_traits>

#include "codepages.h"
#include "errors.h"
#include "file_entry.h"
#include "file_io.h"
#include "option_parser.h"
#include "system.h"

namespace {

const char kPackHelpHead[] =
    "usage: mksfx pack [OPTIONS] INPUT... OUTPUT\n"
    "       mksfx pack [OPTIONS] -o OUTPUT INPUT...\n"
    "\n"
    "Writes OUTPUT, a self-extractor for Windows: the stub, padded with zeros to\n"
    "0x5400 bytes, a configuration block, and a ZIP archive.  INPUT is folders and\n"
    "files, compressed into a new archive (a folder gives its contents), or one\n"
    "*.zip archive or self-extractor, whose entries are taken over as they are\n"
    "compressed.  man mksfx tells each option and rule in full.\n";

// Sets a member of PackOptions: a flag to true, else to the value given.
template <auto member>
void Set(PackOptions& o, const GivenOption& given) {
  if constexpr (std::is_same_v<decltype(o.*member), bool&>) o.*member = true;
  else o.*member = given.value;
}
void SetLevel(PackOptions& o, const GivenOption& given) { o.level = std::stoi(given.name.substr(1)); }
template <Elevation value>
void SetElevation(PackOptions& o, const GivenOption&) { o.elevation = value; }

template <std::string BlockSettings::*text>
void SetText(BlockSettings& s, const std::string& value) { s.*text = value; }
template <bool BlockSettings::*choice, bool value>
void SetChoice(BlockSettings& s, const std::string&) { s.*choice = value; }
void SetOverwrite(BlockSettings& s, const std::string& mode) { s.overwrite = ParseOverwriteMode("--overwrite", mode); }
// The folder is removed once the program ends: without the wait, no removal.
void SetNoWait(BlockSettings& s, const std::string&) { s.waitForProgram = s.tempCleanup = false; }

// One option of pack: what the parser reads, what it sets, and its lines in
// --help.
struct PackRow {
  OptionRow option;
  const char* shown;  // behind the name in --help: the value's name, or "... -12" behind -1
  void (*apply)(PackOptions&, const GivenOption&);    // nullptr: read off the whole command line
  void (*block)(BlockSettings&, const std::string&);  // what a block option sets (ApplyBlockOption)
  const char* help = "";            // its lines in --help; none for an option named in another's
  const char* section = nullptr;    // the --help section that this row opens, shown in front of it
};

const OptionKind kFlag = OptionKind::kFlag, kValue = OptionKind::kValue;

// In the order of --help; the levels -2 to -12 are named in the lines of -1.
const PackRow kRows[] = {
    {{"--output", "-o", kValue}, "OUTPUT", Set<&PackOptions::outputPath>, nullptr,
     "the file to write (else the last argument); \"-\":\nstandard output, unless a terminal\n", "Archive:"},
    {{"--archive", "", kFlag}, "", Set<&PackOptions::archive>, nullptr, "take the one INPUT over as a ZIP archive\n"},
    {{"--exclude", "", OptionKind::kValues}, "PATTERN", nullptr, nullptr,
     "leave out what PATTERN matches in folders and\nfiles, by the rules of .gitignore (repeatable;\n"
     "mksfx.exe reads \"\\\" as \"/\"; see man mksfx)\n"},
    {{"--exclude-from", "", OptionKind::kValues}, "FILE", nullptr, nullptr,
     "the same with every pattern of FILE, a .gitignore\n(repeatable; in the order given with --exclude)\n"},
    {{"-1", "", kFlag}, "... -12", SetLevel, nullptr, "deflate level, 12 the strongest (default -9)\n"},
    {{"-2", "", kFlag}, "", SetLevel, nullptr},  {{"-3", "", kFlag}, "", SetLevel, nullptr},
    {{"-4", "", kFlag}, "", SetLevel, nullptr},  {{"-5", "", kFlag}, "", SetLevel, nullptr},
    {{"-6", "", kFlag}, "", SetLevel, nullptr},  {{"-7", "", kFlag}, "", SetLevel, nullptr},
    {{"-8", "", kFlag}, "", SetLevel, nullptr},  {{"-9", "", kFlag}, "", SetLevel, nullptr},
    {{"-10", "", kFlag}, "", SetLevel, nullptr}, {{"-11", "", kFlag}, "", SetLevel, nullptr},
    {{"-12", "", kFlag}, "", SetLevel, nullptr},
    {{"-0", "", kFlag}, "", SetLevel, nullptr, "store every entry without compression\n"},
    {{"--codepage", "", kValue}, "N", nullptr, nullptr,
     "the Windows code page the stub reads names, texts\nand passwords in (default 1252; 874, 1250-1258)\n"},
    {{"--password-file", "", kValue}, "FILE", Set<&PackOptions::passwordFile>, nullptr,
     "encrypt every entry with the first line of FILE\n(\"-\": standard input); 1 to 79 characters\n"},
    {{"--password-prompt", "", kFlag}, "", Set<&PackOptions::passwordPrompt>, nullptr,
     "the same, the password asked on the terminal\n"},
    {{"--password", "", kValue}, "TEXT", Set<&PackOptions::password>, nullptr,
     "the same from the command line, where other\nusers may see it\n"},
    {{"--stub", "", kValue}, "FILE", Set<&PackOptions::stubPath>, nullptr,
     "the stub (else $MKSFX_STUB, else the built-in one)\n"},
    {{"--no-block", "", kFlag}, "", Set<&PackOptions::noBlock>, nullptr,
     "no configuration block: the stub's defaults\n"},
    {{"--elevate", "", kFlag}, "", SetElevation<Elevation::kAdministrator>, nullptr,
     "the self-extractor asks for administrator rights\n[--no-elevate; --keep-settings keeps the input's]\n"},
    {{"--no-elevate", "", kFlag}, "", SetElevation<Elevation::kAsInvoker>, nullptr},
    {{"--icon", "", kValue}, "FILE", Set<&PackOptions::iconPath>, nullptr,
     "the program's icon: every image of the .ico FILE\n", "The program's icon and version (they need the block):"},
    {{"--version-info", "", OptionKind::kValues}, "KEY=TEXT", nullptr, nullptr,
     "a version string (repeatable): FileDescription,\nProductName, CompanyName, LegalCopyright,\n"
     "FileVersion, ProductVersion (1 to 4 dotted numbers,\nalso the numeric version), OriginalFilename\n"},

    {{"--caption", "", kValue}, "TEXT", nullptr, SetText<&BlockSettings::caption>,
     "title of the main dialog\n",
     "Texts (UTF-8, converted to the --codepage, a byte a character; at most 255\n"
     "characters each, the information text 65,535 less 12 and the others):"},
    {{"--default-folder", "", kValue}, "TEXT", nullptr, SetText<&BlockSettings::defaultFolder>,
     "folder proposed for extraction; \"><\": the user's\ntemporary folder; %VARIABLES% are expanded\n"},
    {{"--run", "", kValue}, "COMMAND", nullptr, SetText<&BlockSettings::runCommand>,
     "PROGRAM[|PARAMETERS] to start after a complete\nextraction; \"><\" stands for the folder\n"},
    {{"--info-text", "", kValue}, "TEXT", nullptr, SetText<&BlockSettings::infoText>,
     "text shown before the main dialog\n"},
    {{"--info-file", "", kValue}, "FILE", Set<&PackOptions::infoFile>, SetText<&BlockSettings::infoText>,
     "the same, read from FILE (\"-\": standard input)\n"},
    {{"--info-caption", "", kValue}, "TEXT", nullptr, SetText<&BlockSettings::infoCaption>,
     "title of that information dialog\n"},

    {{"--hide-run-checkbox", "", kFlag}, "", nullptr, SetChoice<&BlockSettings::showRunCheckBox, false>,
     "hide the run check box [--show-run-checkbox]\n", "Choices (defaults in brackets, also the stub's):"},
    {{"--show-run-checkbox", "", kFlag}, "", nullptr, SetChoice<&BlockSettings::showRunCheckBox, true>},
    {{"--fixed-file-list", "", kFlag}, "", nullptr, SetChoice<&BlockSettings::selectableFileList, false>,
     "extract every entry, no choice [--selectable-file-list]\n"},
    {{"--selectable-file-list", "", kFlag}, "", nullptr, SetChoice<&BlockSettings::selectableFileList, true>},
    {{"--hide-overwrite-choice", "", kFlag}, "", nullptr, SetChoice<&BlockSettings::hideOverwriteChoice, true>,
     "remove the overwrite-mode buttons\n[--show-overwrite-choice]\n"},
    {{"--show-overwrite-choice", "", kFlag}, "", nullptr, SetChoice<&BlockSettings::hideOverwriteChoice, false>},
    {{"--overwrite", "", kValue}, "MODE", nullptr, SetOverwrite, "ask, overwrite or skip existing files [ask]\n"},
    {{"--auto-extract", "", kFlag}, "", nullptr, SetChoice<&BlockSettings::autoExtract, true>,
     "extract at once [--no-auto-extract]\n"},
    {{"--no-auto-extract", "", kFlag}, "", nullptr, SetChoice<&BlockSettings::autoExtract, false>},
    {{"--wait", "", kFlag}, "", nullptr, SetChoice<&BlockSettings::waitForProgram, true>,
     "wait for the run command and exit with its exit\ncode [--no-wait, which ends --temp-cleanup too]\n"},
    {{"--no-wait", "", kFlag}, "", nullptr, SetNoWait},
    {{"--temp-cleanup", "", kFlag}, "", nullptr, SetChoice<&BlockSettings::tempCleanup, true>,
     "extract into a fresh temporary folder, run the\ncommand there, wait, then remove what was\n"
     "extracted; needs --run, no --default-folder\n[--no-temp-cleanup]\n"},
    {{"--no-temp-cleanup", "", kFlag}, "", nullptr, SetChoice<&BlockSettings::tempCleanup, false>},
    {{"--keep-settings", "", kFlag}, "", Set<&PackOptions::keepSettings>, nullptr,
     "keep the settings of the INPUT self-extractor\n"},

    {{"--list-problems", "", kFlag}, "", Set<&PackOptions::listProblems>, nullptr,
     "name every refused file or entry\n", "Checks:"},
    {{"--force", "", kFlag}, "", Set<&PackOptions::force>, nullptr,
     "pack an archive the stub cannot extract whole,\nand a *.zip INPUT that holds no archive as a file;\n"
     "replace an existing OUTPUT that mksfx did not write\n"},
};

const PackRow& Row(const std::string& name) {
  for (const PackRow& row : kRows)
    if (row.option.name == name) return row;
  throw Refusal("internal error: no pack option " + name);
}

// The options pack takes, for the parser.
const std::vector<OptionRow>& PackTable() {
  static std::vector<OptionRow> table;
  if (table.empty())
    for (const PackRow& row : kRows) table.push_back(row.option);
  return table;
}

const char kPackHelpTail[] =
    "\n"
    "Refused, with exit code 1 and OUTPUT untouched: names the code page cannot\n"
    "hold or the stub refuses, too long, or naming one file on Windows; texts\n"
    "longer than their length fields; a *.zip INPUT that holds no archive; ZIP64\n"
    "records, several disks, more than 65,535 entries; a stub larger than 0x5400\n"
    "bytes, signed, or holding a ZIP signature; an OUTPUT of 2 GiB or more, that\n"
    "is an INPUT, that is no regular file (a folder, a device, a FIFO; also with\n"
    "--force), or that exists, is not empty and was not written by mksfx.\n"
    "With SOURCE_DATE_EPOCH set, the same inputs give the same bytes.  Sign\n"
    "OUTPUT after packing; it ends on a multiple of 8 for the signer's table.\n"
    "\n"
    "Exit codes: 0 written, 1 refused or failed, 2 usage error.\n";

// "U+4E2D (中), U+2603 (☃)".
std::string ListCharacters(const std::u32string& characters) {
  std::string list;
  for (char32_t c : characters) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", (unsigned)c);
    std::string glyph;
    AppendUtf8(glyph, c);
    list += (list.empty() ? "" : ", ") + std::string(code) + " (" + Printable(glyph) + ")";
  }
  return list;
}

// A .gitignore holds some kilobytes; a file far larger is a wrong FILE, not
// read into memory whole.
const uint64_t kLongestPatternFile = 16 << 20;

std::string ReadPatternFile(const std::string& path) {
  try {
    InputFile file(path);
    if (file.Size() > kLongestPatternFile)
      throw Refusal(path + ": " + std::to_string(file.Size()) + " bytes, more than a file of patterns holds (" +
                    std::to_string(kLongestPatternFile >> 20) + " MiB)");
    std::vector<uint8_t> bytes = file.ReadAt(0, (size_t)file.Size());
    return std::string(bytes.begin(), bytes.end());
  } catch (const Refusal& e) {
    throw Refusal(std::string("--exclude-from ") + e.what());
  }
}

}  // namespace

std::string PackHelp() {
  // Two blanks, the head padded to kHeadWidth, then the lines of the row.
  const size_t kHeadWidth = 25;
  std::string help = kPackHelpHead;
  for (const PackRow& row : kRows) {
    if (row.section) help += std::string("\n") + row.section + "\n";
    if (!*row.help) continue;
    const OptionRow& o = row.option;
    std::string head = (o.alias.empty() ? "" : o.alias + ", ") + o.name + (*row.shown ? " " : "") + row.shown;
    std::string text = row.help;
    for (size_t at = text.find('\n'); at + 1 < text.size(); at = text.find('\n', at + 1))
      text.insert(at + 1, 2 + kHeadWidth, ' ');
    head.resize(std::max(head.size() + 2, kHeadWidth), ' ');
    help += "  " + head + text;
  }
  return help + kPackHelpTail;
}

void ApplyBlockOption(BlockSettings& settings, const std::string& option, const std::string& value) {
  Row(option).block(settings, value);
}

PackOptions ParsePackOptions(const Arguments& args) {
  CommandLine line = ParseCommandLine("pack", PackTable(), args);
  PackOptions o;
  o.help = line.help;
  if (o.help) return o;
  if (line.Has("--codepage")) o.codepage = CodePageOption(line).number;
  for (const GivenOption& given : line.options) {
    const PackRow& row = Row(given.name);
    if (row.apply) row.apply(o, given);
    if (!row.block) continue;
    BlockSettings checked;  // a value the block cannot take is refused before anything is read
    row.block(checked, given.value);
    o.blockOptions.emplace_back(given.name, given.name == "--info-file" ? "" : given.value);
  }
  o.passwordGiven = line.Has("--password");
  ParsePublisherOptions(line, o);
  if (line.Has("--info-text") && line.Has("--info-file"))
    throw UsageError("give either --info-text or --info-file, not both");
  if (o.infoFile == "-" && o.passwordFile == "-")
    throw UsageError("--info-file - and --password-file - would both read standard input; give one of them a file");
  if (o.noBlock && !o.blockOptions.empty())
    throw UsageError(o.blockOptions[0].first + " needs a configuration block; drop --no-block");
  if (o.noBlock && o.keepSettings) throw UsageError("--keep-settings needs a configuration block; drop --no-block");
  int passwordSources = (int)o.passwordGiven + (int)o.passwordPrompt + (int)!o.passwordFile.empty();
  if (passwordSources > 1)
    throw UsageError("give one of --password-file, --password-prompt and --password");
  std::vector<std::string> positional = line.operands;
  if (o.outputPath.empty()) {
    if (positional.size() < 2) throw UsageError("pack needs INPUT and OUTPUT (see mksfx pack --help)");
    o.outputPath = positional.back();
    positional.pop_back();
  }
  if (positional.empty()) throw UsageError("pack needs at least one INPUT (see mksfx pack --help)");
  o.inputs = positional;
  if (o.archive && o.inputs.size() != 1)
    throw UsageError("--archive takes over the entries of one INPUT archive; give only that INPUT");
  // Last: a FILE that cannot be read is refused (exit 1), after every usage
  // error (exit 2) of the command line.
  for (const GivenOption& given : line.options) {
    if (given.name == "--exclude") o.excludes.AddPattern(given.value, kBackslashSeparatesFolders);
    if (given.name == "--exclude-from") o.excludes.AddFile(ReadPatternFile(given.value), given.value);
  }
  return o;
}

std::string RunParametersWarning(const std::string& command) {
  size_t bar = command.find('|');
  if (bar == std::string::npos) return "";
  const std::string parameters = command.substr(bar + 1);
  bool quoted = false;
  for (size_t i = 0; i + 1 < parameters.size(); ++i) {
    if (parameters[i] == '"') quoted = !quoted;
    if (parameters[i] != '>' || parameters[i + 1] != '<') continue;
    if (!quoted)
      return "--run: \"><\" stands unquoted in the parameters: the stub puts the destination "
             "folder there as it is, and a folder with blanks (C:\\Program Files\\...) reaches the "
             "program as several arguments; put it in double quotes: '\"><readme.txt\"', or "
             "'\"><.\"' for the folder alone ('\"><\"' ends in the folder's backslash, which most "
             "programs read with the closing quote as a quote)";
    if (i + 2 < parameters.size() && parameters[i + 2] == '"')
      return "--run: '\"><\"' in the parameters ends in the destination folder's trailing "
             "backslash, which most programs read with the closing quote as a quote; write "
             "'\"><.\"' for the folder alone";
    ++i;
  }
  return "";
}

BlockOptionList BlockOptionsInCodePage(const PackOptions& o, const std::string& infoFileText,
                                       const CodePageTable& page) {
  BlockOptionList converted;
  std::vector<std::string> notInPage, notUtf8;
  for (const auto& option : o.blockOptions) {
    bool fromFile = option.first == "--info-file";
    const std::string& utf8 = fromFile ? infoFileText : option.second;
    std::string named = fromFile ? option.first + " " + o.infoFile : option.first;
    std::string bytes, problem;
    size_t invalid = FirstInvalidUtf8(utf8);
    if (invalid != std::string::npos)
      notUtf8.push_back(named + ": the byte " + Hex((uint8_t)utf8[invalid]) + " at offset " + std::to_string(invalid));
    else if (!ToCodePage(utf8, page, bytes, problem))
      notInPage.push_back(named + ": " + ListCharacters(CharactersWithoutByte(utf8, page)));
    converted.emplace_back(option.first, bytes);
  }
  std::string text;
  if (!notInPage.empty())
    text = "Windows code page " + std::to_string(page.number) + " cannot hold these texts (another --codepage may):";
  for (const std::string& p : notInPage) text += "\n  " + p;
  if (!notUtf8.empty())
    text += (text.empty() ? "" : "\n") + std::string("these texts are not valid UTF-8, which mksfx reads texts in:");
  for (const std::string& p : notUtf8) text += "\n  " + p;
  if (!text.empty()) throw Refusal(text);
  return converted;
}
