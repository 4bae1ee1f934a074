// The subcommands of mksfx.  Each takes the arguments after its own name,
// prints its messages, and returns the exit code: 0 success, 1 refused or
// failed, 2 usage error.  Refusal and UsageError may also escape; main turns
// them into the message and the code.
#pragma once

#include <string>
#include <vector>

typedef std::vector<std::string> Arguments;

class InputFile;

int RunPackCommand(const Arguments& args);
int RunInfoCommand(const Arguments& args);
int RunCheckCommand(const Arguments& args);

// Throws Refusal unless `file` starts with a Windows program ("MZ"): what
// info and check say of a plain archive.
void RequireSelfExtractor(const InputFile& file);

// Runs the stub's start-up and walk on Linux (extract_command.cpp).
int RunExtractCommand(const Arguments& args);

// The stub that pack uses when --stub is not given: $MKSFX_STUB, else
// ../win32/sfxstub.exe beside the mksfx binary.
std::string DefaultStubPath();
