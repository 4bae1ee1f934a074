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
#include "config_block_codec.h"
#include "errors.h"
#include "finding_list.h"
#include "info_json.h"
#include "option_parser.h"
#include "platform/host_control.h"
#include "printable.h"
#include "startup/startup.h"
#include "stub_compat.h"
#include "stub_locator.h"
#include "stub_manifest.h"
#include "common/zip_format.h"

namespace {

const char kInfoHelp[] =
    "usage: mksfx info [--codepage N] [--json] FILE\n"
    "\n"
    "Shows what the stub reads from the self-extractor FILE: whether it is signed\n"
    "(the archive then ends where the certificate table begins), the execution\n"
    "level its manifest requests, where it finds the archive and the\n"
    "configuration block, the settings, and the entries with whatever in them\n"
    "the stub cannot extract.  Exit code 1 when the stub would not find its\n"
    "archive (it shows \"Cannot process file.\").\n"
    "\n"
    "  --codepage N   the Windows code page the stub reads names and texts in, as\n"
    "                 given to pack (default 1252): they are shown in UTF-8.  A\n"
    "                 self-extractor does not record its page.\n"
    "  --json         the same as one JSON document: \"file\", \"size\",\n"
    "                 \"codepage\", \"signed\" (null or table_offset, table_size),\n"
    "                 \"execution_level\", \"block\" (null or offset, size),\n"
    "                 \"first_local_header\", \"settings\" (show_run_checkbox,\n"
    "                 selectable_file_list, hide_overwrite_choice, overwrite,\n"
    "                 auto_extract, and caption, default_folder, run_command,\n"
    "                 info_caption, info_text: null when absent), \"entries\"\n"
    "                 (name, method, method_id, compressed_size, uncompressed_size,\n"
    "                 crc32 as 8 hex digits, encrypted, offset) and\n"
    "                 \"stub_problems\" (entry or null, reason).  Names and texts\n"
    "                 are the stub's bytes read in the code page, as UTF-8.\n";

const char* YesNo(BOOL value) { return value ? "yes" : "no"; }

// The page the stub reads names and texts in, set from --codepage.
const CodePageTable* shownPage;

// Code page bytes, as the stub holds them, in UTF-8 for the terminal.
std::string Shown(const std::string& bytes) { return Printable(FromCodePage(bytes, *shownPage)); }

std::string Quoted(const std::string& text) { return "\"" + Shown(text) + "\""; }

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", (unsigned long long)value);
  return text;
}

// `folder`: the default folder as the block holds it; the stub settles it on
// the user's machine (the temporary folder, environment variables, a folder
// relative to the current one), so the settings show it as written.
void PrintSettings(std::ostream& out, const std::string& folder) {
  const Settings& s = Engine.SfxSettings;
  out << "settings:\n"
      << "  show run check box:    " << YesNo(s.ShowRunCheckBox) << "\n"
      << "  selectable file list:  " << YesNo(s.SelectableFileList) << "\n"
      << "  hide overwrite choice: " << YesNo(s.HideOverwriteChoice) << "\n"
      << "  overwrite mode:        " << OverwriteModeName(s.OverwriteButtonId) << " ("
      << s.OverwriteButtonId << ")\n"
      << "  auto extract:          " << YesNo(s.AutoExtract) << "\n"
      << "  caption:               " << (s.HasCaption ? Quoted(s.Caption) : "(none)") << "\n";
  out << "  default folder:        ";
  if (!s.HasDefaultFolder)
    out << "(none)\n";
  else if (folder == kTempFolderMark)
    out << "\"><\" (the user's temporary folder)\n";
  else if (folder.find('%') != std::string::npos)
    out << Quoted(folder) << " (environment variables expanded on the user's machine)\n";
  else
    out << Quoted(folder) << "\n";
  out << "  run command:           " << (s.HasRunCommand ? Quoted(s.RunCommand) : "(none)") << "\n"
      << "  information caption:   " << (s.HasInfoCaption ? Quoted(s.InfoCaption) : "(none)")
      << "\n";
  if (!s.HasInfoText) {
    out << "  information text:      (none)\n";
    return;
  }
  std::string text = s.InfoText;
  out << "  information text:      " << text.size() << (text.size() == 1 ? " byte\n" : " bytes\n");
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out << "    | " << Shown(line) << "\n";
  }
}

const char* MethodName(uint16_t method) {
  switch (method) {
    case kMethodStored: return "stored";
    case kMethodDeflated: return "deflated";
    default: return "other";
  }
}

void PrintEntries(std::ostream& out, const ArchiveLayout& layout) {
  out << "entries: " << layout.entries.size() << "\n"
      << "  offset      method        compressed  uncompressed  crc-32    encrypted  name\n";
  for (const CentralEntry& e : layout.entries) {
    char row[128];
    std::snprintf(row, sizeof row, "  %-10s  %-8s %3u  %10u  %12u  %08x  %-9s  ",
                  Hex(e.localPos).c_str(), MethodName(e.method), e.method, e.compressedSize,
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
  RequireSelfExtractor(file);
  if (file.Size() > (uint64_t)INT32_MAX)
    throw Refusal(infoPath + ": larger than the 2 GiB - 1 bytes the stub can read");
  uint64_t fileSize = file.Size();
  CertificateTable table = EndAtCertificateTable(file);

  StubLocation where = LocateLikeTheStub(file);
  if (!where.archiveFound)
    throw Refusal(infoPath + ": the stub would not find its archive and shows \"Cannot process file.\"");

  std::string level = RequestedExecutionLevel(file.ReadSome(0, kStubImageSize));
  std::string folder;
  if (where.blockFound)
    folder = ParseConfigurationBlock(file.ReadAt((uint64_t)where.blockPos,
                                                 (size_t)(where.firstHeaderPos - where.blockPos)))
                 .defaultFolder;
  InfoReport report;
  std::ostream& out = std::cout;
  if (json) {
    report.file = infoPath;
    report.size = fileSize;
    report.table = table;
    report.executionLevel = level;
    report.where = where;
    TakeSettings(report, folder);
  } else {
    out << "file: " << infoPath << " (" << fileSize << " bytes)\n";
    if (table.pos)
      out << "signed: " << DescribeTable(table) << "; the archive ends in front of it\n";
    else
      out << "signed: no\n";
    out << "execution level: " << (level.empty() ? "(none requested)" : level)
        << (level == kAdministratorLevelName ? " (Windows asks for administrator rights)" : "") << "\n";
    if (where.blockFound)
      out << "configuration block: at " << Hex((uint64_t)where.blockPos) << ", "
          << where.firstHeaderPos - where.blockPos << " bytes\n";
    else
      out << "configuration block: none; the stub uses its defaults\n";
    out << "first local header: " << Hex((uint32_t)where.firstHeaderPos) << "\n";
    PrintSettings(out, folder);
  }
  ResetSettings();
  int64_t archiveStart = where.firstHeaderPos;

  if (file.Size() <= (uint64_t)kDefaultArchiveStart)
    throw Refusal(infoPath + ": the stub searches only files longer than " +
                  Hex((uint32_t)kDefaultArchiveStart) + " bytes and finds no archive in this one");
  ArchiveLayout layout = ReadArchiveLayout(file);
  // The walk from where the stub starts it, as check judges it.
  std::vector<EntryFinding> findings =
      JudgeLikeTheStub(file, (uint64_t)archiveStart, &layout, shownPage, nullptr).findings;
  if (json) {
    PrintInfoJson(out, report, layout, findings, *shownPage);
  } else {
    PrintEntries(out, layout);
    out << "stub problems: " << (findings.empty() ? "none" : std::to_string(findings.size())) << "\n";
    PrintFindings(out, findings, "  ", shownPage);
  }
  if ((int64_t)layout.firstLocalPos != archiveStart)
    throw Refusal(infoPath + ": the stub starts its walk at " + Hex((uint32_t)archiveStart) +
                  ", not at the first local header (" + Hex(layout.firstLocalPos) + ")");
  return kExitSuccess;
}
