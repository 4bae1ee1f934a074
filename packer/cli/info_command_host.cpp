// mksfx info: the settings and the archive position as the stub's own
// start-up code reads them from a finished self-extractor, run through the
// Linux stand-in, and the entries as the central directory and the local
// headers give them.

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>

#include "archive_layout.h"
#include "certificate_table.h"
#include "commands.h"
#include "codepages.h"
#include "errors.h"
#include "info_json.h"
#include "option_parser.h"
#include "engine_console.h"
#include "printable.h"
#include "sfx_limits.h"
#include "stub_compat.h"
#include "stub_locator.h"
#include "stub_manifest.h"

namespace {

const char kInfoHelp[] =
    "usage: mksfx info [--codepage N] [--json] FILE\n"
    "\n"
    "Shows what the stub reads from the self-extractor FILE: its signature, the\n"
    "execution level its manifest requests, where it finds the archive and the\n"
    "configuration block, the settings, and the entries with whatever in them\n"
    "the stub cannot extract.  Exit code 1 when the stub would not find its\n"
    "archive (it shows \"Cannot process file.\").\n"
    "\n"
    "  --codepage N   the Windows code page given to pack (default 1252), which\n"
    "                 a self-extractor does not record: names and texts shown\n"
    "                 in UTF-8\n"
    "  --json         the same as one JSON document (its fields: man mksfx)\n";

const char* YesNo(bool value) { return value ? "yes" : "no"; }

// The page the stub reads names and texts in, set from --codepage.
const CodePageTable* shownPage;

// Code page bytes, as the stub holds them, in UTF-8 for the terminal.
std::string Shown(const std::string& bytes) { return Printable(FromCodePage(bytes, *shownPage)); }

std::string Quoted(const std::string& text) { return text.empty() ? "(none)" : "\"" + Shown(text) + "\""; }

// The folder the run command names with "><" in info, where no destination
// is known yet.
const char kDestinationShown[] = "<destination>";

// The settings as the stub's reader took them.  The default folder is shown
// as the block holds it: the stub settles it on the user's machine (the
// temporary folder, environment variables, a folder relative to the current
// one).  The run command also as the stub splits it to start the program.
void PrintSettings(std::ostream& out, const BlockSettings& s) {
  out << "settings:\n"
      << "  show run check box:    " << YesNo(s.showRunCheckBox) << "\n"
      << "  selectable file list:  " << YesNo(s.selectableFileList) << "\n"
      << "  hide overwrite choice: " << YesNo(s.hideOverwriteChoice) << "\n"
      << "  overwrite mode:        " << OverwriteModeName(s.overwrite) << " (" << ButtonOfPolicy(s.overwrite)
      << ")\n"
      << "  auto extract:          " << YesNo(s.autoExtract) << "\n"
      << "  caption:               " << Quoted(s.caption) << "\n"
      << "  default folder:        " << Quoted(s.defaultFolder);
  if (s.defaultFolder == kTempFolderMark)
    out << " (the user's temporary folder)";
  else if (s.defaultFolder.find('%') != std::string::npos)
    out << " (environment variables expanded on the user's machine)";
  out << "\n  run command:           " << Quoted(s.runCommand) << "\n";
  std::string program, parameters;
  if (!s.runCommand.empty()) {
    bool fits = SplitLikeTheStub(s.runCommand, kDestinationShown, program, parameters);
    out << "    the stub starts:     " << (fits ? ProgramShown(program, parameters) : "nothing (too long a command)")
        << "\n";
  }
  out << "  information caption:   " << Quoted(s.infoCaption) << "\n";
  if (s.infoText.empty()) {
    out << "  information text:      (none)\n";
    return;
  }
  out << "  information text:      " << s.infoText.size() << (s.infoText.size() == 1 ? " byte\n" : " bytes\n");
  std::istringstream lines(s.infoText);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out << "    | " << Shown(line) << "\n";
  }
}

void PrintEntries(std::ostream& out, const ArchiveLayout& layout) {
  out << "entries: " << layout.entries.size() << "\n"
      << "  offset      method        compressed  uncompressed  crc-32    encrypted  name\n";
  for (const CentralEntry& e : layout.entries) {
    char row[128];
    std::snprintf(row, sizeof row, "  %-10s  %-8s %3u  %10u  %12u  %08x  %-9s  ",
                  Hex(e.localPos).c_str(), EntryMethodName(e.method), e.method, e.compressedSize,
                  e.uncompressedSize, e.crc, (e.flags & kFlagEncrypted) ? "yes" : "no");
    out << row << Shown(e.name) << "\n";
  }
}

}  // namespace

int RunInfoCommand(const Arguments& args) {
  static const std::vector<OptionRow> kOptions = {{"--codepage", "", OptionKind::kValue},
                                                  {"--json", "", OptionKind::kFlag}};
  CommandLine line = ParseCommandLine("info", kOptions, args);
  if (line.help) {
    std::cout << kInfoHelp;
    return kExitSuccess;
  }
  shownPage = &CodePageOption(line);
  const bool json = line.Has("--json");
  const std::vector<std::string>& positional = line.operands;
  if (positional.size() != 1) throw UsageError("info needs exactly one FILE (see mksfx info --help)");
  const std::string& infoPath = positional[0];
  InputFile file(infoPath);  // a readable regular file, or a clear refusal
  if (file.Size() > kLargestOutput)
    throw Refusal(infoPath + ": larger than the 2 GiB - 1 bytes the stub can read");
  InfoReport r;
  r.file = infoPath;
  r.size = file.Size();
  StubView v = ViewLikeTheStub(file, shownPage, nullptr);
  r.table = v.table;
  r.where = v.where;
  r.executionLevel = RequestedExecutionLevel(file.ReadSome(0, kStubImageSize));
  std::ostream& out = std::cout;
  const StubLocation& where = r.where;
  if (!json) {
    out << "file: " << infoPath << " (" << r.size << " bytes)\n";
    if (r.table.pos)
      out << "signed: " << DescribeTable(r.table) << "; the archive ends in front of it\n";
    else
      out << "signed: no\n";
    out << "execution level: " << (r.executionLevel.empty() ? "(none requested)" : r.executionLevel)
        << (r.executionLevel == kAdministratorLevelName ? " (Windows asks for administrator rights)" : "") << "\n";
    if (where.blockFound)
      out << "configuration block: at " << Hex((uint64_t)where.blockPos) << ", "
          << where.firstHeaderPos - where.blockPos << " bytes\n";
    else
      out << "configuration block: none; the stub uses its defaults\n";
    out << "first local header: " << Hex((uint32_t)where.firstHeaderPos) << "\n";
    PrintSettings(out, where.settings);
  }
  if (!v.layout) throw Refusal(v.directoryProblem);
  // The walk from where the stub starts it, as check judges it.
  const std::vector<EntryFinding>& findings = v.judged.findings;
  if (json) {
    PrintInfoJson(out, r, *v.layout, findings, *shownPage);
  } else {
    PrintEntries(out, *v.layout);
    out << "stub problems: " << (findings.empty() ? "none" : std::to_string(findings.size())) << "\n";
    PrintFindings(out, findings, "  ", shownPage);
  }
  if ((int64_t)v.layout->firstLocalPos != where.firstHeaderPos)
    throw Refusal(infoPath + ": the stub starts its walk at " + Hex((uint32_t)where.firstHeaderPos) +
                  ", not at the first local header (" + Hex(v.layout->firstLocalPos) + ")");
  return kExitSuccess;
}
