// The command line of every mksfx command.  Each command lists its options
// in a table; one parser reads them, so that every command takes
// "--opt=value" and "--opt value", "--" and --help alike, and refuses a
// wrong command line with the same messages.
#pragma once

#include <string>
#include <vector>

#include "codepages.h"
#include "commands.h"
#include "config_block_codec.h"

enum class OptionKind {
  kFlag,    // takes no value
  kValue,   // takes one value; given again, the last one counts (as zip's options)
  kValues,  // takes a value each time it is given (repeatable)
};

struct OptionRow {
  std::string name;   // as messages and the command's code name it: "--output", "-0"
  std::string alias;  // a second spelling ("-o"), or ""
  OptionKind kind;
};

struct GivenOption {
  std::string name;   // the row's name, whichever spelling was given
  std::string value;  // "" for a flag
};

struct CommandLine {
  bool help = false;                 // --help or -h
  std::vector<GivenOption> options;  // in command-line order
  std::vector<std::string> operands;
  std::string error;  // ReadCommandLine's: the first fault, "" for a right command line

  bool Has(const std::string& name) const;
  // The option's last value, or "" when it is not given.
  std::string Value(const std::string& name) const;
  // Every value of a repeatable option, in command-line order.
  std::vector<std::string> Values(const std::string& name) const;
};

// Reads `args`, the arguments after the name of `command`, against `table`.
// An argument starting with "-" (but "-" alone, which is an operand) names
// an option up to "--", after which everything is an operand.  A long
// option takes its value after "=" or as the next argument, which may start
// with "-"; a short one only as the next argument.  --help and -h are every
// command's own.  Throws UsageError for an unknown option, a value missing or
// given to a flag.
CommandLine ParseCommandLine(const std::string& command, const std::vector<OptionRow>& table,
                             const Arguments& args);
// The same, never throwing: a wrong command line sets `error`, and the
// options given around the fault are read all the same (whether --json was
// asked, for the document that reports the fault).
CommandLine ReadCommandLine(const std::string& command, const std::vector<OptionRow>& table,
                            const Arguments& args);

// The page of --codepage VALUE, for every command; throws UsageError naming
// the pages there are for any other value.
const CodePageTable& ParseCodePage(const std::string& value);

// The page --codepage names on `line`, else the default page.
const CodePageTable& CodePageOption(const CommandLine& line);

// The overwrite mode of both pack and extract: ask, overwrite or skip.
OverwritePolicy ParseOverwriteMode(const std::string& option, const std::string& mode);
// The mode's name, as the command line takes it.
const char* OverwriteModeName(OverwritePolicy policy);

// check's and extract's --password values, UTF-8 as pack takes them, in the
// stub's code page; throws Refusal naming a character the page lacks.
std::vector<std::string> PasswordsInCodePage(const std::vector<std::string>& utf8,
                                             const CodePageTable& page);
