// The subcommands of mksfx.  Each takes the arguments after its own name,
// prints its messages, and returns the exit code: 0 success, 1 refused or
// failed, 2 usage error.  Refusal and UsageError may also escape; main turns
// them into the message and the code.
#pragma once

#include <string>
#include <vector>

typedef std::vector<std::string> Arguments;

int RunPackCommand(const Arguments& args);
int RunInfoCommand(const Arguments& args);
int RunCheckCommand(const Arguments& args);

// Runs the stub's start-up and walk on Linux (extract_command_host.cpp).
int RunExtractCommand(const Arguments& args);
