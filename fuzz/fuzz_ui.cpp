// The one user-interface call the decoder can reach (the fatal report when
// memory runs out), and the end that report takes, for fuzz targets that
// link no dialogs.
#include <stdio.h>

#include "common/own_process.h"
#include "common/dialogs.h"

void ShowMessage(const char* text, const char* caption, UINT) {
  fprintf(stderr, "%s: %s\n", caption, text);
}

void EndProcess(UINT code) { ExitProcess(code); }
