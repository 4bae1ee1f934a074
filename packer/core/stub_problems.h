// What mksfx says of an entry the stub refuses or fails: one sentence per
// kind of problem, the same in check's and info's findings (one line per
// entry), in pack's refusals (entries grouped by sentence) and in its
// warnings under --force.  Where the stub's own rule decides (its name
// check, its methods), the sentence is chosen by the stub's reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "codepages.h"
#include "errors.h"

struct EntryFinding {
  std::string entry;  // entry name, or "" for the archive as a whole
  std::string reason;
};

// "" for a name the stub writes; else why not: empty, a NUL byte (the stub
// cuts the name there), longer than the stub's limit, or the stub's own
// name check's reason.
std::string EntryNameProblem(const std::string& name);

std::string MethodProblem(uint16_t method);

extern const char kStrongEncryptionProblem[];
extern const char kZip64Problem[];
extern const char kMaskedDirectoryProblem[];
extern const char kShortEncryptedProblem[];
extern const char kSizeUnknownProblem[];
extern const char kSymbolicLinkProblem[];
extern const char kSharedHeaderProblem[];
extern const char kLocalOnlyEncryptionProblem[];
extern const char kCentralOnlyEncryptionProblem[];

// Prints each finding on a line of its own behind `prefix` ("", "  ",
// "mksfx: warning: "): "NAME": reason, or the reason alone for the archive as
// a whole.  Names are read in `page` when it is given, else taken as they
// stand (UTF-8, or bytes the escaping shows); names and reasons are escaped,
// so one finding stays one line whatever a name holds.
void PrintFindings(std::ostream& out, const std::vector<EntryFinding>& findings, const std::string& prefix,
                   const CodePageTable* page);

// A refusal of entries: their findings, and as text each sentence once with
// how many of `total` entries it concerns and their names (the first few,
// every one with `listAll`).  Under --force pack prints the findings.
struct EntryRefusal : Refusal {
  EntryRefusal(const std::string& path, size_t total, const std::vector<EntryFinding>& findings, bool listAll);
  std::vector<EntryFinding> findings;
};

// Throws EntryRefusal when there are findings.
void RefuseEntries(const std::string& path, size_t total, const std::vector<EntryFinding>& findings,
                   bool listAll);
