// The stub's message box and prompts on a terminal: every message the
// engine shows is one line "caption: text", each prompt is answered from the
// script.  Both builds of mksfx carry them, since check and pack run the
// stub's start-up and walk, which report and may prompt through them; the
// rest of the stub's user interface is console_ui_host.cpp's.
#include <cstring>
#include <iostream>

#include "console_ui.h"
#include "extract/extract.h"
#include "printable.h"
#include "stub_walk.h"
#include "common/dialogs.h"

ConsoleScript& Console() {
  static ConsoleScript script;
  return script;
}

std::string OneLine(const char* text) {
  std::string line;
  for (const char* p = text; *p; ++p) {
    if (p[0] == '\r' && p[1] == '\n') {
      line += ' ';
      ++p;
    } else {
      line += *p;
    }
  }
  return Printable(FromCodePage(line, *Console().page));
}

void ShowMessage(const char* text, const char* caption, UINT) {
  if (TakenMessages) {
    TakenMessages->push_back(OneLine(caption) + ": " + OneLine(text));
    return;
  }
  std::cout << OneLine(caption) << ": " << OneLine(text) << "\n" << std::flush;
}

void RunPasswordPrompt() {
  std::string typed;
  ConsoleScript& s = Console();
  if (!s.passwords.empty()) {
    typed = s.passwords.front();
    s.passwords.pop_front();
  }
  // The prompt's edit field holds 79 characters.
  if (typed.size() > kPasswordSize - 1) typed.resize(kPasswordSize - 1);
  std::cout << "password prompt: answered " << (typed.empty() ? "with nothing (no --password left)" : "with a --password") << "\n";
  std::memcpy(Engine.TypedPassword, typed.c_str(), typed.size() + 1);
  Engine.TypedPasswordLength = (int32_t)typed.size();
}

void RunOverwritePrompt() {
  ApplyOverwriteReply({Console().overwriteAnswer, false});
  std::cout << "overwrite prompt for " << OneLine(Engine.ExistingFileName) << ": answered "
            << (Engine.OverwriteAnswer ? "yes" : "no") << "\n";
}
