// mksfx info --json: what info shows, as one JSON document for scripts.
//
// {"file": PATH, "size": BYTES, "codepage": 1252,
//  "signed": null | {"table_offset": N, "table_size": N},
//  "execution_level": "asInvoker" | "requireAdministrator" | ... | null,
//  "block": null | {"offset": N, "size": N},
//  "first_local_header": N,
//  "settings": {"show_run_checkbox": B, "selectable_file_list": B,
//               "hide_overwrite_choice": B, "overwrite": "ask"|"overwrite"|"skip",
//               "auto_extract": B, "caption": S|null, "default_folder": S|null,
//               "run_command": S|null, "info_caption": S|null, "info_text": S|null},
//  "entries": [{"name": S, "method": "stored"|"deflated"|"other", "method_id": N,
//               "compressed_size": N, "uncompressed_size": N, "crc32": "8 hex digits",
//               "encrypted": B, "offset": N}, ...],
//  "stub_problems": [{"entry": S|null, "reason": S}, ...]}
//
// Names and texts are the stub's bytes read in the code page "codepage"
// names, as UTF-8; a byte the page leaves undefined is the control character
// of the same number, as Windows converts it.  Control characters are written
// \u00XX.  The file's path, a native one, is UTF-8 with U+FFFD for bytes that
// are not.  The default folder is given as the block holds it ("><" for the
// user's temporary folder).
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
