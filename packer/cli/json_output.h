// The JSON documents of info --json and check --json: texts quoted, the
// fields each document opens with, and the document a failure prints when
// --json was asked, so that a script parses every outcome.
#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "option_parser.h"

// The documents' shape: raised when a field changes its meaning or goes
// away; fields may be added at any version.
const int kJsonFormatVersion = 2;

// `utf8` quoted, with '"', '\\' and the C0 and C1 control characters
// escaped; a byte that is not UTF-8 becomes U+FFFD, so the document always
// parses.
std::string Json(const std::string& utf8);
const char* JsonBool(bool value);

// "{" and the fields every document opens with: mksfx_version,
// format_version and command; the caller goes on with ",\n  ".
void OpenJsonDocument(std::ostream& out, const char* command);

// Runs `body`, which returns the exit code.  When `json`, a failure that
// escapes it is first printed on standard output as one document: the
// opening fields, "error" (the message) and "exit_code"; it then goes on to
// main, which prints the message and returns that code.
int WithJsonFailures(bool json, const char* command, const std::function<int()>& body);

// A command that answers with --json: a wrong command line and --help are
// answered here, the rest by `body`, all under WithJsonFailures.
int RunJsonCommand(const CommandLine& line, const char* command, const char* help,
                   const std::function<int()>& body);
