// Findings as every command prints them: check's list, info's "stub
// problems" and pack's warnings under --force.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "codepages.h"
#include "stub_compat.h"

// Prints each finding on a line of its own behind `prefix` ("", "  ",
// "mksfx: warning: "): "NAME": reason, or the reason alone for the archive as
// a whole.  Names are read in `page` when it is given, else taken as they
// stand (UTF-8, or bytes the escaping shows); names and reasons are escaped
// (Printable), so one finding stays one line whatever a name holds.
void PrintFindings(std::ostream& out, const std::vector<EntryFinding>& findings,
                   const std::string& prefix, const CodePageTable* page);
