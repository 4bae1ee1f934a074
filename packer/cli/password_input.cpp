// Reading the password.
#include "pack_options.h"

#include <iostream>

#include "errors.h"
#include "system.h"
#include "text_input.h"
#include "zip_crypto.h"

namespace {

// The first line of a password file longer than this is no password.
const size_t kLongestPasswordLine = 4096;

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
  if (!o.passwordFile.empty()) {
    utf8 = ReadTextInput(o.passwordFile, kLongestPasswordLine, true, "--password-file");
    source = "--password-file " + o.passwordFile + ": the password";
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
