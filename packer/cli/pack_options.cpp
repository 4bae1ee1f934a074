// Options and help of mksfx pack.
#include "pack_options.h"

#include "codepages.h"
#include "file_entry.h"
#include "errors.h"
#include "option_parser.h"

const char kPackHelp[] =
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
    "                  reads them in its code page already).\n"
    "\n"
    "Archive:\n"
    "  -o, --output OUTPUT      the file to write (else the last argument); \"-\"\n"
    "                           writes to standard output, unless a terminal\n"
    "  --archive                take the one INPUT over as a ZIP archive\n"
    "  --exclude PATTERN        leave out what PATTERN matches in folders and files\n"
    "                           (repeatable).  Without \"/\" it matches a file or\n"
    "                           folder name at any depth (\"*.pdb\", \".git\"); with\n"
    "                           \"/\", leading or inside, the path from the top of\n"
    "                           the INPUT folder (\"/build\", \"docs/*.md\"); a\n"
    "                           trailing \"/\" matches folders only (\"cache/\").\n"
    "                           \"*\" matches any characters but \"/\", \"?\" one,\n"
    "                           \"[a-z]\" and \"[!a-z]\" one of a set or not; \"\\\"\n"
    "                           takes the next character as it is; case counts.  A\n"
    "                           folder left out is not read; one whose contents\n"
    "                           are all left out is packed empty\n"
    "  -1 ... -12               deflate level for folders and files, 12 the\n"
    "                           strongest (default -9); entries that deflate does\n"
    "                           not shrink are stored\n"
    "  -0                       store every entry without compression\n"
    "  --codepage N             Windows code page the stub reads names, texts and\n"
    "                           the password in; they are converted to it from\n"
    "                           UTF-8 (default 1252; 874, 1250 to 1258).  A\n"
    "                           character the page has no byte for is refused\n"
    "  --password-file FILE     encrypt every entry (traditional ZIP encryption)\n"
    "                           with the first line of FILE (UTF-8; \"-\": of\n"
    "                           standard input)\n"
    "  --password-prompt        the same, the password asked on the terminal\n"
    "  --password TEXT          the same from the command line, where other users\n"
    "                           may see it in the process list\n"
    "                           A password has 1 to 79 characters, the most the\n"
    "                           stub's prompt takes.  mksfx check and extract take\n"
    "                           it in UTF-8 as well, with the same --codepage.\n"
    "  --stub FILE              the stub; without it the file $MKSFX_STUB names,\n"
    "                           else the stub built into mksfx (that of its own\n"
    "                           build, so a copied mksfx needs nothing beside it)\n"
    "  --no-block               write no configuration block; the archive starts\n"
    "                           at 0x5400 and the stub uses its defaults\n"
    "  --elevate                the self-extractor asks for administrator rights:\n"
    "                           its manifest requests \"requireAdministrator\" in\n"
    "                           place of \"asInvoker\", and Windows asks the user\n"
    "                           before it starts (for a default folder under\n"
    "                           %ProgramFiles%, say).  The stub's manifest must\n"
    "                           have room for it, as this build's stub has\n"
    "\n"
    "Texts (UTF-8, converted to the --codepage as names are):\n"
    "  --caption TEXT           title of the main dialog (at most 255 characters)\n"
    "  --default-folder TEXT    folder proposed for extraction (at most 255\n"
    "                           characters);\n"
    "                           exactly \"><\" means the user's temporary folder.\n"
    "                           The stub expands environment variables on the\n"
    "                           user's machine (\"%ProgramFiles%\\Product\"), and\n"
    "                           takes a relative folder from the current folder\n"
    "  --run COMMAND            program to start after a complete extraction:\n"
    "                           PROGRAM or PROGRAM|PARAMETERS; \"><\" in either part\n"
    "                           stands for the destination folder (at most 255\n"
    "                           characters)\n"
    "  --info-text TEXT         text shown before the main dialog\n"
    "  --info-file FILE         the same, read from FILE (UTF-8; a leading byte\n"
    "                           order mark is dropped)\n"
    "  --info-caption TEXT      title of that information dialog (at most 255\n"
    "                           characters)\n"
    "                           The information text may be as long as the block's\n"
    "                           16-bit length allows: 65,535 characters (a byte\n"
    "                           each in the code page) less 12 and the other texts.\n"
    "\n"
    "Choices (defaults in brackets, which are also the stub's defaults):\n"
    "  --hide-run-checkbox      hide the \"run after extraction\" check box; the\n"
    "                           program is still run [--show-run-checkbox]\n"
    "  --fixed-file-list        show the entries without letting the user choose;\n"
    "                           everything is extracted [--selectable-file-list]\n"
    "  --hide-overwrite-choice  remove the overwrite-mode buttons\n"
    "                           [--show-overwrite-choice]\n"
    "  --overwrite MODE         ask, overwrite or skip existing files [ask]\n"
    "  --auto-extract           extract at once without waiting for the user\n"
    "                           [--no-auto-extract]\n"
    "  --keep-settings          INPUT is a self-extractor: keep its texts (the\n"
    "                           code page bytes they are) and choices; options\n"
    "                           given here change them (the ones in brackets\n"
    "                           turn a choice back, an empty TEXT removes a text)\n"
    "\n"
    "Checks:\n"
    "  --list-problems          name every file or entry that is refused, not\n"
    "                           the first few\n"
    "  --force                  pack an archive even when the stub cannot extract\n"
    "                           every entry (other methods, AES, unsafe names):\n"
    "                           the archive is taken over as it is and the stub\n"
    "                           fails on those entries.  For tests of the stub.\n"
    "                           Also replaces an OUTPUT that is not a\n"
    "                           self-extractor.\n"
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

void ApplyBlockOption(BlockSettings& s, const std::string& arg, const std::string& value) {
  if (arg == "--caption") s.caption = value;
  else if (arg == "--default-folder") s.defaultFolder = value;
  else if (arg == "--run") s.runCommand = value;
  else if (arg == "--info-text" || arg == "--info-file") s.infoText = value;
  else if (arg == "--info-caption") s.infoCaption = value;
  else if (arg == "--hide-run-checkbox") s.showRunCheckBox = false;
  else if (arg == "--show-run-checkbox") s.showRunCheckBox = true;
  else if (arg == "--fixed-file-list") s.selectableFileList = false;
  else if (arg == "--selectable-file-list") s.selectableFileList = true;
  else if (arg == "--hide-overwrite-choice") s.hideOverwriteChoice = true;
  else if (arg == "--show-overwrite-choice") s.hideOverwriteChoice = false;
  else if (arg == "--overwrite") s.overwrite = ParseOverwriteMode(arg, value);
  else if (arg == "--auto-extract") s.autoExtract = true;
  else if (arg == "--no-auto-extract") s.autoExtract = false;
}

namespace {

// The options that set the configuration block (ApplyBlockOption), besides
// --info-file, whose value is a file to read.
const char* const kBlockTextOptions[] = {"--caption", "--default-folder", "--run",
                                         "--info-text", "--info-caption", "--overwrite"};
const char* const kBlockChoiceOptions[] = {"--hide-run-checkbox", "--show-run-checkbox",
                                           "--fixed-file-list", "--selectable-file-list",
                                           "--hide-overwrite-choice", "--show-overwrite-choice",
                                           "--auto-extract", "--no-auto-extract"};

// The level options "-0" (kStoreLevel) to "-12" (kStrongestLevel), one row each.
std::string LevelOption(int level) { return "-" + std::to_string(level); }

const std::vector<OptionRow>& PackTable() {
  static const std::vector<OptionRow> table = [] {
    std::vector<OptionRow> t = {
        {"--output", "-o", OptionKind::kValue},    {"--stub", "", OptionKind::kValue},
        {"--no-block", "", OptionKind::kFlag},     {"--force", "", OptionKind::kFlag},
        {"--exclude", "", OptionKind::kValues},    {"--list-problems", "", OptionKind::kFlag},
        {"--keep-settings", "", OptionKind::kFlag}, {"--archive", "", OptionKind::kFlag},
        {"--elevate", "", OptionKind::kFlag},      {"--password-prompt", "", OptionKind::kFlag},
        {"--password-file", "", OptionKind::kValue}, {"--password", "", OptionKind::kValue},
        {"--codepage", "", OptionKind::kValue},    {"--info-file", "", OptionKind::kValue},
    };
    for (const char* name : kBlockTextOptions) t.push_back({name, "", OptionKind::kValue});
    for (const char* name : kBlockChoiceOptions) t.push_back({name, "", OptionKind::kFlag});
    for (int level = kStoreLevel; level <= kStrongestLevel; ++level)
      t.push_back({LevelOption(level), "", OptionKind::kFlag});
    return t;
  }();
  return table;
}

bool IsBlockOption(const std::string& name) {
  for (const char* t : kBlockTextOptions)
    if (name == t) return true;
  for (const char* f : kBlockChoiceOptions)
    if (name == f) return true;
  return name == "--info-file";
}

}  // namespace

PackOptions ParsePackOptions(const Arguments& args) {
  CommandLine line = ParseCommandLine("pack", PackTable(), args);
  PackOptions o;
  o.help = line.help;
  if (o.help) return o;
  o.outputPath = line.Value("--output");
  o.stubPath = line.Value("--stub");
  o.noBlock = line.Has("--no-block");
  o.force = line.Has("--force");
  o.listProblems = line.Has("--list-problems");
  o.keepSettings = line.Has("--keep-settings");
  o.archive = line.Has("--archive");
  o.elevate = line.Has("--elevate");
  o.passwordPrompt = line.Has("--password-prompt");
  o.passwordFile = line.Value("--password-file");
  o.passwordGiven = line.Has("--password");
  o.password = line.Value("--password");
  o.infoFile = line.Value("--info-file");
  if (line.Has("--codepage")) o.codepage = CodePageOption(line).number;
  for (const GivenOption& given : line.options) {
    for (int n = kStoreLevel; n <= kStrongestLevel; ++n)
      if (given.name == LevelOption(n)) o.level = n;
    if (!IsBlockOption(given.name)) continue;
    if (given.name == "--overwrite") ParseOverwriteMode(given.name, given.value);
    o.blockOptions.emplace_back(given.name, given.name == "--info-file" ? "" : given.value);
  }
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
