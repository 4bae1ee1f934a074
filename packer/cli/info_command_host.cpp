// mksfx info: the settings and the archive position as the stub's own
// start-up code reads them from a finished self-extractor, run through the
// Linux stand-in, and the entries as the central directory and the local
// headers give them.

#include <cstdio>
#include <iostream>
#include <sstream>

#include "commands.h"
#include "errors.h"
#include "option_parser.h"
#include "engine_console.h"
#include "info_publisher.h"
#include "json_output.h"
#include "codepages.h"
#include "sfx_limits.h"
#include "stub_compat.h"
#include "stub_manifest.h"

namespace {

// "stored", "deflated" or "other", as info shows an entry's method.
const char* EntryMethodName(uint16_t method) {
  switch (method) {
    case kMethodStored: return "stored";
    case kMethodDeflated: return "deflated";
    default: return "other";
  }
}

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
    "  --json         the same as one JSON document, also for a failure (its\n"
    "                 fields: man mksfx)\n";

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
      << "  wait for program:      " << YesNo(s.waitForProgram) << "\n"
      << "  temporary folder:      " << (s.tempCleanup ? "yes (removed afterwards)" : "no") << "\n"
      << "  caption:               " << Quoted(s.caption) << "\n"
      << "  default folder:        " << Quoted(s.defaultFolder);
  if (s.tempCleanup && !s.defaultFolder.empty())
    out << " (unused: the stub extracts into a fresh temporary folder)";
  else if (s.defaultFolder == kTempFolderMark)
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

// A text of the block: null when it has none.
std::string Text(const std::string& bytes, const CodePageTable& page) {
  return bytes.empty() ? "null" : Json(FromCodePage(bytes, page));
}

// Reads the entry's time from its local header, as the stub does; "" where
// the header cannot be read.
std::string EntryTime(const InputFile& file, const CentralEntry& e) {
  try {
    return EntryTimeLikeTheStub(LocalHeaderAt(file, e.localPos).timeDate);
  } catch (const Refusal&) {
    return "";
  }
}

// info --json: the same as one JSON document for scripts; its fields are the
// manual page's (mksfx.1, info --json).  Names and texts are the stub's bytes
// read in the code page "codepage" names, as UTF-8 (a byte the page leaves
// undefined is the control character of its number, as Windows converts
// it); control characters are written \u00XX; the file's path is UTF-8 with
// U+FFFD for bytes that are not.  A text the block does not hold is null; the
// default folder is given as the block holds it.  `error`: why info ends
// with exit code 1 although it could show the file, or "".
void PrintInfoJson(std::ostream& out, const InputFile& file, const std::string& executionLevel,
                   const StubView& v, const CodePageTable& page, const std::string& error) {
  const BlockSettings& s = v.where.settings;
  OpenJsonDocument(out, "info");
  out << ",\n  \"file\": " << Json(file.Path()) << ",\n  \"size\": " << file.Size()
      << ",\n  \"codepage\": " << page.number << ",\n  \"signed\": ";
  if (v.table.pos)
    out << "{\"table_offset\": " << v.table.pos << ", \"table_size\": " << v.table.size << "}";
  else
    out << "null";
  out << ",\n  \"execution_level\": "
      << (executionLevel.empty() ? "null" : Json(executionLevel));
  PrintPublisherResourcesJson(out, file);
  out << ",\n  \"block\": ";
  if (v.where.blockFound)
    out << "{\"offset\": " << v.where.blockPos
        << ", \"size\": " << v.where.firstHeaderPos - v.where.blockPos << "}";
  else
    out << "null";
  out << ",\n  \"first_local_header\": " << v.where.firstHeaderPos << ",\n  \"settings\": {"
      << "\n    \"show_run_checkbox\": " << JsonBool(s.showRunCheckBox)
      << ",\n    \"selectable_file_list\": " << JsonBool(s.selectableFileList)
      << ",\n    \"hide_overwrite_choice\": " << JsonBool(s.hideOverwriteChoice)
      << ",\n    \"overwrite\": \"" << OverwriteModeName(s.overwrite) << "\""
      << ",\n    \"auto_extract\": " << JsonBool(s.autoExtract)
      << ",\n    \"wait_for_program\": " << JsonBool(s.waitForProgram)
      << ",\n    \"temp_cleanup\": " << JsonBool(s.tempCleanup)
      << ",\n    \"caption\": " << Text(s.caption, page)
      << ",\n    \"default_folder\": " << Text(s.defaultFolder, page)
      << ",\n    \"run_command\": " << Text(s.runCommand, page)
      << ",\n    \"info_caption\": " << Text(s.infoCaption, page)
      << ",\n    \"info_text\": " << Text(s.infoText, page) << "\n  },\n  \"entries\": [";
  const char* separator = "\n";
  for (const CentralEntry& e : v.layout->entries) {
    char crc[12];
    std::snprintf(crc, sizeof crc, "%08x", e.crc);
    const std::string time = EntryTime(file, e);
    const char last = e.name.empty() ? 0 : e.name.back();
    out << separator << "    {\"name\": " << Json(FromCodePage(e.name, page)) << ", \"method\": \""
        << EntryMethodName(e.method) << "\", \"method_id\": " << e.method
        << ", \"compressed_size\": " << e.compressedSize << ", \"uncompressed_size\": " << e.uncompressedSize
        << ", \"crc32\": \"" << crc << "\", \"encrypted\": " << JsonBool(e.flags & kFlagEncrypted)
        << ", \"offset\": " << e.localPos << ", \"time\": " << (time.empty() ? "null" : Json(time))
        << ", \"attributes\": " << Read32(CentralBytes(*v.layout, e) + kCentralExternalAttributes)
        << ", \"folder\": " << JsonBool(last == '/' || last == '\\') << "}";
    separator = ",\n";
  }
  out << (v.layout->entries.empty() ? "]" : "\n  ]") << ",\n  \"stub_problems\": [";
  separator = "\n";
  for (const EntryFinding& f : v.judged.findings) {
    out << separator << "    {\"entry\": " << (f.entry.empty() ? "null" : Json(FromCodePage(f.entry, page)))
        << ", \"reason\": " << Json(f.reason) << "}";
    separator = ",\n";
  }
  out << (v.judged.findings.empty() ? "]" : "\n  ]") << ",\n  \"error\": " << (error.empty() ? "null" : Json(error))
      << ",\n  \"exit_code\": " << (error.empty() ? kExitSuccess : kExitRefused) << "\n}\n";
}

// info on one file: the text, or the JSON document.
int ShowInfo(const std::string& infoPath, bool json) {
  InputFile file(infoPath);  // a readable regular file, or a clear refusal
  if (file.Size() > kLargestOutput)
    throw Refusal(infoPath + ": larger than the 2 GiB - 1 bytes the stub can read");
  StubView v = ViewLikeTheStub(file, shownPage, nullptr);
  const StubLocation& where = v.where;
  const std::string level = RequestedExecutionLevel(file.ReadSome(0, kStubImageSize));
  std::ostream& out = std::cout;
  if (!json) {
    out << "file: " << infoPath << " (" << file.Size() << " bytes)\n";
    if (v.table.pos)
      out << "signed: " << DescribeTable(v.table) << "; the archive ends in front of it\n";
    else
      out << "signed: no\n";
    out << "execution level: " << (level.empty() ? "(none requested)" : level)
        << (level == kAdministratorLevelName ? " (Windows asks for administrator rights)" : "") << "\n";
    PrintPublisherResources(out, file);
    if (where.blockFound)
      out << "configuration block: at " << Hex((uint64_t)where.blockPos) << ", "
          << where.firstHeaderPos - where.blockPos << " bytes\n";
    else
      out << "configuration block: none; the stub uses its defaults\n";
    out << "first local header: " << Hex((uint32_t)where.firstHeaderPos) << "\n";
    PrintSettings(out, where.settings);
  }
  if (!v.layout) throw Refusal(v.directoryProblem);
  std::string walkProblem;
  if ((int64_t)v.layout->firstLocalPos != where.firstHeaderPos)
    walkProblem = infoPath + ": the stub starts its walk at " + Hex((uint32_t)where.firstHeaderPos) +
                  ", not at the first local header (" + Hex(v.layout->firstLocalPos) + ")";
  // The walk from where the stub starts it, as check judges it.
  const std::vector<EntryFinding>& findings = v.judged.findings;
  if (json) {
    // One document, which says why info fails besides showing the file.
    PrintInfoJson(out, file, level, v, *shownPage, walkProblem);
    if (walkProblem.empty()) return kExitSuccess;
    std::cerr << "mksfx: " << Printable(walkProblem) << "\n";
    return kExitRefused;
  }
  PrintEntries(out, *v.layout);
  out << "stub problems: " << (findings.empty() ? "none" : std::to_string(findings.size())) << "\n";
  PrintFindings(out, findings, "  ", shownPage);
  if (!walkProblem.empty()) throw Refusal(walkProblem);
  return kExitSuccess;
}

}  // namespace

int RunInfoCommand(const Arguments& args) {
  static const std::vector<OptionRow> kOptions = {{"--codepage", "", OptionKind::kValue},
                                                  {"--json", "", OptionKind::kFlag}};
  const CommandLine line = ReadCommandLine("info", kOptions, args);
  return RunJsonCommand(line, "info", kInfoHelp, [&] {
    shownPage = &CodePageOption(line);
    if (line.operands.size() != 1) throw UsageError("info needs exactly one FILE (see mksfx info --help)");
    return ShowInfo(line.operands[0], line.Has("--json"));
  });
}
