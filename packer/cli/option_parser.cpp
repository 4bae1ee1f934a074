// One parser for the option tables of every mksfx command.
#include "option_parser.h"

#include <cstdlib>

#include "errors.h"

namespace {

const OptionRow* FindRow(const std::vector<OptionRow>& table, const std::string& spelling) {
  for (const OptionRow& row : table)
    if (spelling == row.name || (!row.alias.empty() && spelling == row.alias)) return &row;
  return nullptr;
}

}  // namespace

bool CommandLine::Has(const std::string& name) const {
  for (const GivenOption& o : options)
    if (o.name == name) return true;
  return false;
}

std::string CommandLine::Value(const std::string& name) const {
  std::string value;
  for (const GivenOption& o : options)
    if (o.name == name) value = o.value;
  return value;
}

std::vector<std::string> CommandLine::Values(const std::string& name) const {
  std::vector<std::string> values;
  for (const GivenOption& o : options)
    if (o.name == name) values.push_back(o.value);
  return values;
}

CommandLine ReadCommandLine(const std::string& command, const std::vector<OptionRow>& table,
                            const Arguments& args) {
  CommandLine line;
  bool optionsEnded = false;
  // After a fault the rest is still read for the options it gives.
  auto fault = [&](const std::string& error) {
    if (line.error.empty()) line.error = error;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      line.operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::string spelling = arg, value;
    bool inlineValue = false;
    size_t eq = arg.find('=');
    if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
      spelling = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      inlineValue = true;
    }
    const bool help = spelling == "--help" || spelling == "-h";
    const OptionRow* row = help ? nullptr : FindRow(table, spelling);
    if (!help && !row) {
      fault("unknown option " + spelling + " (see mksfx " + command + " --help)");
      continue;
    }
    if (help || row->kind == OptionKind::kFlag) {
      if (inlineValue) fault(spelling + " takes no value");
    } else if (!inlineValue) {
      if (i + 1 >= args.size()) {
        fault(spelling + " needs a value");
        break;
      }
      value = args[++i];
    }
    if (help) {
      line.help = true;
      continue;
    }
    line.options.push_back({row->name, value});
  }
  return line;
}

CommandLine ParseCommandLine(const std::string& command, const std::vector<OptionRow>& table,
                             const Arguments& args) {
  CommandLine line = ReadCommandLine(command, table, args);
  if (!line.error.empty()) throw UsageError(line.error);
  return line;
}

const CodePageTable& ParseCodePage(const std::string& value) {
  char* end = nullptr;
  long n = std::strtol(value.c_str(), &end, 10);
  const CodePageTable* page = value.empty() || *end ? nullptr : FindCodePage((int)n);
  if (!page)
    throw UsageError("--codepage takes one of the Windows single-byte code pages (" +
                     CodePageList() + "), not \"" + value + "\"");
  return *page;
}

const CodePageTable& CodePageOption(const CommandLine& line) {
  return line.Has("--codepage") ? ParseCodePage(line.Value("--codepage"))
                                : *FindCodePage(kDefaultCodePage);
}

namespace {

// The modes' names on the command line and in info, by OverwritePolicy.
const char* const kOverwriteModeNames[] = {"overwrite", "skip", "ask"};

}  // namespace

OverwritePolicy ParseOverwriteMode(const std::string& option, const std::string& mode) {
  for (uint8_t policy = kOverwriteAll; policy <= kAskEachFile; ++policy)
    if (mode == kOverwriteModeNames[policy]) return (OverwritePolicy)policy;
  throw UsageError(option + " takes ask, overwrite or skip, not \"" + mode + "\"");
}

const char* OverwriteModeName(OverwritePolicy policy) {
  return kOverwriteModeNames[policy <= kAskEachFile ? policy : kAskEachFile];
}

std::vector<std::string> PasswordsInCodePage(const std::vector<std::string>& utf8,
                                             const CodePageTable& page) {
  std::vector<std::string> passwords;
  for (const std::string& p : utf8) {
    std::string bytes, problem;
    if (!ToCodePage(p, page, bytes, problem)) throw Refusal("--password: " + problem);
    passwords.push_back(bytes);
  }
  return passwords;
}
