// The password for encrypting a pack, from a file, the terminal or the
// command line, converted to the stub's code page and checked against what
// the stub's prompt can take.
#pragma once

#include <string>

#include "codepages.h"
#include "pack_options.h"

// "" when no password was asked for.  Throws Refusal for a password that is
// empty, longer than the stub's 79 characters, holds a NUL byte or a
// character the code page lacks; UsageError when the prompt has no terminal.
std::string ReadPassword(const PackOptions& options, const CodePageTable& page);
