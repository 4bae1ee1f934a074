// Options and help of mksfx pack.
#include "pack_options.h"

#include <algorithm>
#include <type_traits>

#include "codepages.h"
#include "errors.h"
#include "file_entry.h"
#include "option_parser.h"

namespace {

const char kPackHelpHead[] =
    "usage: mksfx pack [OPTIONS] INPUT... OUTPUT\n"
    "       mksfx pack [OPTIONS] -o OUTPUT INPUT...\n"
    "\n"
    "Writes OUTPUT, a self-extractor for Windows: the stub, padded with zeros to\n"
    "0x5400 bytes, a configuration block, and a ZIP archive whose offsets count\n"
    "from the first byte of OUTPUT.  INPUT is either folders and files, or one\n"
    "existing ZIP archive or self-extractor:\n"
    "\n"
    "  folders, files  compressed into a new archive.  A folder contributes its\n"
    "                  contents, named relative to the folder itself (as with\n"
    "                  \"cd DIR && zip -r\"), so they land directly in the folder the\n"
    "                  user picks; a file contributes its base name.  Entries are\n"
    "                  sorted by name, empty folders get folder entries, symbolic\n"
    "                  links are followed, file times are kept (DOS local time).\n"
    "  a ZIP archive   one INPUT named *.zip (any case), a self-extractor (it\n"
    "                  starts with \"MZ\" and holds an archive), or any one INPUT\n"
    "                  with --archive: taken over with its compressed bytes, never\n"
    "                  recompressed.  Other ZIP-format files (.docx, .jar) are\n"
    "                  packed as files.\n"
    "                  An archive the stub cannot walk as it is (sizes only in\n"
    "                  data descriptors or the central directory, descriptors\n"
    "                  without signature) is written anew, every entry checked\n"
    "                  against the central directory's sizes and CRC.  A prefix\n"
    "                  (an earlier stub, padding) is left out.  Names flagged\n"
    "                  UTF-8, and those a Unix or macOS system wrote in UTF-8,\n"
    "                  are converted to the --codepage; other names without the\n"
    "                  flag are code page 437, as the ZIP format has it, and are\n"
    "                  converted from it (a self-extractor's are kept: the stub\n"
    "                  reads them in its code page already).\n";

// Sets a member of PackOptions: a flag to true, else to the value given.
template <auto member>
void Set(PackOptions& o, const GivenOption& given) {
  if constexpr (std::is_same_v<decltype(o.*member), bool&>) o.*member = true;
  else o.*member = given.value;
}
void SetLevel(PackOptions& o, const GivenOption& given) { o.level = std::stoi(given.name.substr(1)); }

template <std::string BlockSettings::*text>
void SetText(BlockSettings& s, const std::string& value) { s.*text = value; }
template <bool BlockSettings::*choice, bool value>
void SetChoice(BlockSettings& s, const std::string&) { s.*choice = value; }
void SetOverwrite(BlockSettings& s, const std::string& mode) { s.overwrite = ParseOverwriteMode("--overwrite", mode); }

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
     "the file to write (else the last argument); \"-\"\n"
     "writes to standard output, unless a terminal\n",
     "Archive:"},
    {{"--archive", "", kFlag}, "", Set<&PackOptions::archive>, nullptr, "take the one INPUT over as a ZIP archive\n"},
    {{"--exclude", "", OptionKind::kValues}, "PATTERN", nullptr, nullptr,
     "leave out what PATTERN matches in folders and files\n"
     "(repeatable).  Without \"/\" it matches a file or\n"
     "folder name at any depth (\"*.pdb\", \".git\"); with\n"
     "\"/\", leading or inside, the path from the top of\n"
     "the INPUT folder (\"/build\", \"docs/*.md\"); a\n"
     "trailing \"/\" matches folders only (\"cache/\").\n"
     "\"*\" matches any characters but \"/\", \"?\" one,\n"
     "\"[a-z]\" and \"[!a-z]\" one of a set or not; \"\\\"\n"
     "takes the next character as it is; case counts.  A\n"
     "folder left out is not read; one whose contents\n"
     "are all left out is packed empty\n"},
    {{"-1", "", kFlag}, "... -12", SetLevel, nullptr,
     "deflate level for folders and files, 12 the\n"
     "strongest (default -9); entries that deflate does\n"
     "not shrink are stored\n"},
    {{"-2", "", kFlag}, "", SetLevel, nullptr},  {{"-3", "", kFlag}, "", SetLevel, nullptr},
    {{"-4", "", kFlag}, "", SetLevel, nullptr},  {{"-5", "", kFlag}, "", SetLevel, nullptr},
    {{"-6", "", kFlag}, "", SetLevel, nullptr},  {{"-7", "", kFlag}, "", SetLevel, nullptr},
    {{"-8", "", kFlag}, "", SetLevel, nullptr},  {{"-9", "", kFlag}, "", SetLevel, nullptr},
    {{"-10", "", kFlag}, "", SetLevel, nullptr}, {{"-11", "", kFlag}, "", SetLevel, nullptr},
    {{"-12", "", kFlag}, "", SetLevel, nullptr},
    {{"-0", "", kFlag}, "", SetLevel, nullptr, "store every entry without compression\n"},
    {{"--codepage", "", kValue}, "N", nullptr, nullptr,
     "Windows code page the stub reads names, texts and\n"
     "the password in; they are converted to it from\n"
     "UTF-8 (default 1252; 874, 1250 to 1258).  A\n"
     "character the page has no byte for is refused\n"},
    {{"--password-file", "", kValue}, "FILE", Set<&PackOptions::passwordFile>, nullptr,
     "encrypt every entry (traditional ZIP encryption)\n"
     "with the first line of FILE (UTF-8; \"-\": of\n"
     "standard input)\n"},
    {{"--password-prompt", "", kFlag}, "", Set<&PackOptions::passwordPrompt>, nullptr,
     "the same, the password asked on the terminal\n"},
    {{"--password", "", kValue}, "TEXT", Set<&PackOptions::password>, nullptr,
     "the same from the command line, where other users\n"
     "may see it in the process list\n"
     "A password has 1 to 79 characters, the most the\n"
     "stub's prompt takes.  mksfx check and extract take\n"
     "it in UTF-8 as well, with the same --codepage.\n"},
    {{"--stub", "", kValue}, "FILE", Set<&PackOptions::stubPath>, nullptr,
     "the stub; without it the file $MKSFX_STUB names,\n"
     "else the stub built into mksfx (that of its own\n"
     "build, so a copied mksfx needs nothing beside it)\n"},
    {{"--no-block", "", kFlag}, "", Set<&PackOptions::noBlock>, nullptr,
     "write no configuration block; the archive starts\n"
     "at 0x5400 and the stub uses its defaults\n"},
    {{"--elevate", "", kFlag}, "", Set<&PackOptions::elevate>, nullptr,
     "the self-extractor asks for administrator rights:\n"
     "its manifest requests \"requireAdministrator\" in\n"
     "place of \"asInvoker\", and Windows asks the user\n"
     "before it starts (for a default folder under\n"
     "%ProgramFiles%, say).  The stub's manifest must\n"
     "have room for it, as this build's stub has\n"},

    {{"--caption", "", kValue}, "TEXT", nullptr, SetText<&BlockSettings::caption>,
     "title of the main dialog (at most 255 characters)\n",
     "Texts (UTF-8, converted to the --codepage as names are):"},
    {{"--default-folder", "", kValue}, "TEXT", nullptr, SetText<&BlockSettings::defaultFolder>,
     "folder proposed for extraction (at most 255\n"
     "characters);\n"
     "exactly \"><\" means the user's temporary folder.\n"
     "The stub expands environment variables on the\n"
     "user's machine (\"%ProgramFiles%\\Product\"), and\n"
     "takes a relative folder from the current folder\n"},
    {{"--run", "", kValue}, "COMMAND", nullptr, SetText<&BlockSettings::runCommand>,
     "program to start after a complete extraction:\n"
     "PROGRAM or PROGRAM|PARAMETERS; \"><\" in either part\n"
     "stands for the destination folder (at most 255\n"
     "characters)\n"},
    {{"--info-text", "", kValue}, "TEXT", nullptr, SetText<&BlockSettings::infoText>,
     "text shown before the main dialog\n"},
    {{"--info-file", "", kValue}, "FILE", Set<&PackOptions::infoFile>, SetText<&BlockSettings::infoText>,
     "the same, read from FILE (UTF-8; a leading byte\n"
     "order mark is dropped)\n"},
    {{"--info-caption", "", kValue}, "TEXT", nullptr, SetText<&BlockSettings::infoCaption>,
     "title of that information dialog (at most 255\n"
     "characters)\n"
     "The information text may be as long as the block's\n"
     "16-bit length allows: 65,535 characters (a byte\n"
     "each in the code page) less 12 and the other texts.\n"},

    {{"--hide-run-checkbox", "", kFlag}, "", nullptr, SetChoice<&BlockSettings::showRunCheckBox, false>,
     "hide the \"run after extraction\" check box; the\n"
     "program is still run [--show-run-checkbox]\n",
     "Choices (defaults in brackets, which are also the stub's defaults):"},
    {{"--show-run-checkbox", "", kFlag}, "", nullptr, SetChoice<&BlockSettings::showRunCheckBox, true>},
    {{"--fixed-file-list", "", kFlag}, "", nullptr, SetChoice<&BlockSettings::selectableFileList, false>,
     "show the entries without letting the user choose;\n"
     "everything is extracted [--selectable-file-list]\n"},
    {{"--selectable-file-list", "", kFlag}, "", nullptr, SetChoice<&BlockSettings::selectableFileList, true>},
    {{"--hide-overwrite-choice", "", kFlag}, "", nullptr, SetChoice<&BlockSettings::hideOverwriteChoice, true>,
     "remove the overwrite-mode buttons\n"
     "[--show-overwrite-choice]\n"},
    {{"--show-overwrite-choice", "", kFlag}, "", nullptr, SetChoice<&BlockSettings::hideOverwriteChoice, false>},
    {{"--overwrite", "", kValue}, "MODE", nullptr, SetOverwrite, "ask, overwrite or skip existing files [ask]\n"},
    {{"--auto-extract", "", kFlag}, "", nullptr, SetChoice<&BlockSettings::autoExtract, true>,
     "extract at once without waiting for the user\n"
     "[--no-auto-extract]\n"},
    {{"--no-auto-extract", "", kFlag}, "", nullptr, SetChoice<&BlockSettings::autoExtract, false>},
    {{"--keep-settings", "", kFlag}, "", Set<&PackOptions::keepSettings>, nullptr,
     "INPUT is a self-extractor: keep its texts (the\n"
     "code page bytes they are) and choices; options\n"
     "given here change them (the ones in brackets\n"
     "turn a choice back, an empty TEXT removes a text)\n"},

    {{"--list-problems", "", kFlag}, "", Set<&PackOptions::listProblems>, nullptr,
     "name every file or entry that is refused, not\n"
     "the first few\n",
     "Checks:"},
    {{"--force", "", kFlag}, "", Set<&PackOptions::force>, nullptr,
     "pack an archive even when the stub cannot extract\n"
     "every entry (other methods, AES, unsafe names):\n"
     "the archive is taken over as it is and the stub\n"
     "fails on those entries.  For tests of the stub.\n"
     "Also replaces an OUTPUT that is not a\n"
     "self-extractor.\n"},
};

const PackRow& Row(const std::string& name) {
  for (const PackRow& row : kRows)
    if (row.option.name == name) return row;
  throw Refusal("internal error: no pack option " + name);
}

const char kPackHelpTail[] =
    "\n"
    "Refused, with exit code 1 and OUTPUT untouched: names the stub refuses or\n"
    "cannot represent, texts and passwords the code page cannot hold, names\n"
    "longer than the stub's limit, names that collide\n"
    "on Windows (case and trailing dots ignored), ZIP64 records, archives on\n"
    "several disks, more than 65,535 entries, texts longer than their length\n"
    "fields, a stub larger than 0x5400 bytes, signed, or holding PK\\3\\4 or\n"
    "PK\\5\\6, an archive comment too long to pad (see Signing), an OUTPUT of\n"
    "2 GiB or more, an OUTPUT that is a folder or one of the INPUTs, an existing\n"
    "OUTPUT that is neither empty nor a self-extractor (a file that starts with\n"
    "\"MZ\" and in which the stub finds its archive) unless --force.\n"
    "\n"
    "Signing: sign OUTPUT after packing, with any Authenticode signer, as often as\n"
    "you like.  OUTPUT ends on a multiple of 8 (its archive comment padded with\n"
    "zero bytes), so the certificate table a signer appends starts right behind\n"
    "the archive; the stub never reads the table.  A signed INPUT is read up to\n"
    "its table, and OUTPUT is unsigned.\n"
    "\n"
    "Reproducible output: with SOURCE_DATE_EPOCH set, the same inputs and options\n"
    "give the same bytes.  File times later than it are set to it, times are\n"
    "written in UTC, and each encrypted entry's 11 header bytes, random otherwise,\n"
    "are a keyed hash (HMAC-SHA-256) of the password over the entry's name, CRC,\n"
    "size and time: the same for the same entry and password, unknown to anyone\n"
    "without the password.\n"
    "\n"
    "Exit codes: 0 written, 1 refused or failed, 2 usage error.\n";

}  // namespace

const std::vector<OptionRow>& PackTable() {
  static std::vector<OptionRow> table;
  if (table.empty())
    for (const PackRow& row : kRows) table.push_back(row.option);
  return table;
}

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
  o.excludes = ExcludePatterns(line.Values("--exclude"));
  if (line.Has("--info-text") && line.Has("--info-file"))
    throw UsageError("give either --info-text or --info-file, not both");
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
