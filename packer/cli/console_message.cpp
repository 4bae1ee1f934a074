// The stub's message box on a terminal: every message the engine shows is
// one line "caption: text".  Both builds of mksfx print it, since check and
// pack run the stub's start-up, which reports through it; the rest of the
// stub's user interface is console_ui_host.cpp's.
#include <iostream>

#include "console_ui.h"
#include "printable.h"
#include "ui/dialogs.h"

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
  std::cout << OneLine(caption) << ": " << OneLine(text) << "\n" << std::flush;
}
