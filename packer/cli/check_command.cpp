// mksfx check: a self-extractor walked as the stub will walk it, every entry
// decoded and its CRC compared, without writing anything.
#include <iostream>
#include <memory>

#include "archive_layout.h"
#include "certificate_table.h"
#include "commands.h"
#include "errors.h"
#include "json_output.h"
#include "option_parser.h"
#include "stub_compat.h"
#include "stub_locator.h"

namespace {

const char kCheckHelp[] =
    "usage: mksfx check [--codepage N] [--password P]... [--json] FILE\n"
    "\n"
    "Walks the self-extractor FILE with the stub's own code, each entry taken as\n"
    "the stub takes it when it extracts that entry alone (its name check,\n"
    "password check and decoder, the output discarded), and prints each entry\n"
    "the stub would refuse or fail and why, then a summary.  Nothing is written.\n"
    "\n"
    "  --password P   try P (UTF-8) on encrypted entries (repeatable); without\n"
    "                 one their data are not checked\n"
    "  --codepage N   the Windows code page given to pack (default 1252)\n"
    "  --json         the verdict and the findings as one JSON document, also\n"
    "                 for a failure (its fields: man mksfx)\n"
    "\n"
    "Exit codes: 0 the stub extracts every entry, 1 it would refuse or fail on\n"
    "some (or finds no archive), 2 usage error.\n";

// "1 entry", "2 entries".
std::string Count(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// check --json: the verdict and the findings as one document (fields: the
// manual page's).
void PrintCheckJson(std::ostream& out, const InputFile& file, const StubView& v, size_t entries,
                    const std::vector<EntryFinding>& findings, const CodePageTable& page) {
  OpenJsonDocument(out, "check");
  out << ",\n  \"file\": " << Json(file.Path()) << ",\n  \"codepage\": " << page.number << ",\n  \"signed\": ";
  if (v.table.pos)
    out << "{\"table_offset\": " << v.table.pos << ", \"table_size\": " << v.table.size << "}";
  else
    out << "null";
  out << ",\n  \"entries\": " << entries << ",\n  \"unchecked_encrypted\": " << v.judged.unchecked
      << ",\n  \"verdict\": \"" << (findings.empty() ? "ok" : "problems") << "\",\n  \"findings\": [";
  const char* separator = "\n";
  for (const EntryFinding& f : findings) {
    out << separator << "    {\"entry\": " << (f.entry.empty() ? "null" : Json(FromCodePage(f.entry, page)))
        << ", \"reason\": " << Json(f.reason) << "}";
    separator = ",\n";
  }
  out << (findings.empty() ? "]" : "\n  ]") << ",\n  \"error\": null,\n  \"exit_code\": "
      << (findings.empty() ? kExitSuccess : kExitRefused) << "\n}\n";
}

int Check(const CommandLine& line, bool json) {
  const CodePageTable* page = &CodePageOption(line);
  if (line.operands.size() != 1) throw UsageError("check needs exactly one FILE (see mksfx check --help)");
  const std::vector<std::string> passwords = PasswordsInCodePage(line.Values("--password"), *page);
  InputFile file(line.operands[0]);
  StubView v = ViewLikeTheStub(file, page, &passwords);
  // A directory that does not parse is a finding; the stub's walk, which
  // needs none, is judged all the same.
  std::vector<EntryFinding> findings;
  if (!v.layout) findings.push_back({"", v.directoryProblem});
  findings.insert(findings.end(), v.judged.findings.begin(), v.judged.findings.end());
  if (v.layout && (int64_t)v.layout->firstLocalPos != v.where.firstHeaderPos)
    findings.push_back({"", "the stub starts its walk elsewhere than at the first local header"});
  size_t entries = v.layout ? v.layout->entries.size() : v.judged.headers.size();
  if (json) {
    PrintCheckJson(std::cout, file, v, entries, findings, *page);
    return findings.empty() ? kExitSuccess : kExitRefused;
  }
  PrintFindings(std::cout, findings, "", page);
  if (v.table.pos)
    std::cout << file.Path() << ": signed (" << DescribeTable(v.table) << "); the archive ends in front of it\n";
  std::cout << file.Path() << ": " << Count(entries, "entry", "entries") << ", "
            << (findings.empty() ? "the stub extracts every one" : Count(findings.size(), "problem", "problems"));
  if (v.judged.unchecked)
    std::cout << "; the data of " << Count(v.judged.unchecked, "encrypted entry", "encrypted entries")
              << " unchecked (no --password)";
  std::cout << "\n";
  return findings.empty() ? kExitSuccess : kExitRefused;
}

}  // namespace

int RunCheckCommand(const Arguments& args) {
  static const std::vector<OptionRow> kOptions = {{"--password", "", OptionKind::kValues},
                                                  {"--codepage", "", OptionKind::kValue},
                                                  {"--json", "", OptionKind::kFlag}};
  const CommandLine line = ReadCommandLine("check", kOptions, args);
  return RunJsonCommand(line, "check", kCheckHelp, [&] { return Check(line, line.Has("--json")); });
}
