// The stub's message box and prompts when mksfx runs the engine.  Both
// builds carry them: check and pack run the stub's start-up and walk, which
// report and may prompt through them.
#include "engine_console.h"

#include <cstring>
#include <iostream>

#include "codepages.h"
#include "stub_engine.h"

std::vector<std::string>* TakenMessages;

EngineConsole& Console() {
  static EngineConsole console;
  return console;
}

std::ostream& ConsoleOut() { return Console().out ? *Console().out : std::cout; }

std::string OneLine(const std::string& text) {
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    bool lineBreak = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
    line += lineBreak ? ' ' : text[i];
    i += lineBreak;
  }
  return Printable(FromCodePage(line, *Console().page));
}

std::string ProgramShown(const std::string& program, const std::string& parameters) {
  std::string shown = "\"" + OneLine(program) + "\"";
  return parameters.empty() ? shown : shown + " with parameters \"" + OneLine(parameters) + "\"";
}

void ShowMessage(const char* text, const char* caption, UINT) {
  std::string message = OneLine(caption) + ": " + OneLine(text);
  if (TakenMessages)
    TakenMessages->push_back(message);
  else
    ConsoleOut() << message << "\n" << std::flush;
}

void RunPasswordPrompt() {
  std::string typed;
  EngineConsole& c = Console();
  if (!c.passwords.empty()) {
    typed = c.passwords.front();
    c.passwords.pop_front();
  }
  // The prompt's edit field holds 79 characters.
  if (typed.size() > kPasswordSize - 1) typed.resize(kPasswordSize - 1);
  ConsoleOut() << "password prompt: answered " << (typed.empty() ? "with nothing (no --password left)" : "with a --password")
        << "\n";
  std::memcpy(Engine.TypedPassword, typed.c_str(), typed.size() + 1);
  Engine.TypedPasswordLength = (int32_t)typed.size();
}

void RunOverwritePrompt() {
  ApplyOverwriteReply({Console().overwriteAnswer, false});
  ConsoleOut() << "overwrite prompt for " << OneLine(Engine.ExistingFileName) << ": answered "
        << (Engine.OverwriteAnswer ? "yes" : "no") << "\n";
}
