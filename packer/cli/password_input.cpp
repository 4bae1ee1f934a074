// Reading the password.
#include "pack_options.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>

#include "errors.h"
#include "system.h"
#include "zip_crypto.h"

namespace {

std::string FirstLine(std::string text) {
  size_t end = text.find('\n');
  if (end != std::string::npos) text.resize(end);
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return text;
}

// A password file longer than this is no password file.
const size_t kLongestPasswordFile = 4096;
// --password-file - reads standard input.
const char kStandardInputName[] = "-";

// The first line of standard input, read no further than its end (or
// kLongestPasswordFile bytes).
std::string ReadStandardInputLine() {
  std::string line;
  for (int c; line.size() < kLongestPasswordFile && (c = std::cin.get()) != EOF && c != '\n';)
    line += (char)c;
  if (line.size() == kLongestPasswordFile)
    throw Refusal("the password on standard input: no line end within " +
                  std::to_string(kLongestPasswordFile) + " bytes");
  return line;
}

std::string Prompt() {
  std::string first, second;
  if (!AskHidden("Password: ", first) || !AskHidden("The same password again: ", second))
    throw UsageError("--password-prompt needs a terminal; use --password-file in scripts");
  if (first != second) throw Refusal("the two passwords typed differ");
  return first;
}

}  // namespace

std::string ReadPassword(const PackOptions& o, const CodePageTable& page) {
  std::string utf8, source;
  if (o.passwordFile == kStandardInputName) {
    utf8 = FirstLine(ReadStandardInputLine());
    source = "the password on standard input";
  } else if (!o.passwordFile.empty()) {
    // Read as a stream: a pipe, such as bash's <(...), holds a password as
    // well as a file does.
    std::ifstream in(o.passwordFile, std::ios::binary);
    if (!in) throw Refusal(o.passwordFile + ": cannot open: " + std::strerror(errno));
    std::string text(kLongestPasswordFile + 1, '\0');
    in.read(&text[0], (std::streamsize)text.size());
    text.resize((size_t)in.gcount());
    if (text.size() > kLongestPasswordFile) throw Refusal(o.passwordFile + ": too long for a password file");
    utf8 = FirstLine(text);
    source = o.passwordFile + ": the password";
  } else if (o.passwordPrompt) {
    utf8 = Prompt();
    source = "the password";
  } else if (o.passwordGiven) {
    std::cerr << "mksfx: warning: a password given with --password shows in process lists; "
                 "--password-file or --password-prompt keep it private\n";
    utf8 = o.password;
    source = "--password";
  } else {
    return "";
  }
  if (utf8.empty()) throw Refusal(source + " is empty; the stub takes an empty password for none");
  if (utf8.find('\0') != std::string::npos) throw Refusal(source + " holds a NUL byte");
  std::string ansi, problem;
  if (!ToCodePage(utf8, page, ansi, problem)) throw Refusal(source + ": " + problem);
  if (ansi.size() > kLongestPassword)
    throw Refusal(source + " has " + std::to_string(ansi.size()) + " characters; the stub's "
                  "password prompt takes at most " + std::to_string(kLongestPassword));
  return ansi;
}
