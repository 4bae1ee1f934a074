// mksfx info --json: what info shows, as one JSON document for scripts; its
// fields are the manual page's (mksfx.1, info --json).  Names and texts are
// the stub's bytes read in the code page "codepage" names, as UTF-8 (a byte
// the page leaves undefined is the control character of its number, as
// Windows converts it); control characters are written \u00XX; the file's
// path is UTF-8 with U+FFFD for bytes that are not.  A text the block does
// not hold is null; the default folder is given as the block holds it.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "archive_layout.h"
#include "certificate_table.h"
#include "codepages.h"
#include "stub_compat.h"
#include "stub_locator.h"

struct InfoReport {
  std::string file;
  uint64_t size = 0;
  CertificateTable table;
  std::string executionLevel;  // "" when the manifest requests none
  StubLocation where;          // with the settings as the stub read them
};

// "stored", "deflated" or "other", as info shows an entry's method.
const char* EntryMethodName(uint16_t method);

void PrintInfoJson(std::ostream& out, const InfoReport& report, const ArchiveLayout& layout,
                   const std::vector<EntryFinding>& findings, const CodePageTable& page);
