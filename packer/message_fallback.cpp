// The engine's messages for a mksfx built without its console front end
// (console_ui.cpp): "caption: text" on stderr, as that front end prints them.
// Weak, so that the front end's definition takes over wherever it is built.
#include <cstdio>

#include "ui/dialogs.h"

__attribute__((weak)) void ShowMessage(const char* text, const char* caption, UINT) {
  std::fprintf(stderr, "%s: %s\n", caption, text);
}
