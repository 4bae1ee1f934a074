// The texts of the configuration block as the stub shows them: given in
// UTF-8 on the command line and in the information file, written in the
// stub's code page.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "codepages.h"
#include "pack_options.h"

typedef std::vector<std::pair<std::string, std::string>> BlockOptionList;

// The block options of `options` in their order, every value converted to
// `page`; --info-file carries `infoFileText`, the file's bytes, less a
// leading UTF-8 byte order mark.  Throws one Refusal naming every text that
// is not UTF-8 and every character that the page has no byte for.
BlockOptionList BlockOptionsInCodePage(const PackOptions& options, std::string infoFileText,
                                       const CodePageTable& page);
