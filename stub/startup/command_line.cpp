// The switches a deployment tool passes on the command line: /S (silent)
// and /D=FOLDER (the destination).  A self-extractor started without any
// behaves as it always has.
#include "../common/messages.h"
#include "../common/dialogs.h"
#include "startup.h"

const char kSwitchHelp[] = "Switches:\r\n/S\tno window\r\n/D=FOLDER\tdestination (last)";

static bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool ReadSwitches(const char* line) {
  // The program's own name: quoted, or up to the first blank.
  if (*line == '"') {
    do ++line;
    while (*line && *line != '"');
  }
  while (*line && !IsBlank(*line)) ++line;
  bool unknown = false;
  for (;;) {
    // Blanks separate switches; quotes a caller put around one ("/D=C:\My
    // Folder") are dropped with them.
    while (IsBlank(*line) || *line == '"') ++line;
    if (!*line) break;
    char letter = (char)(line[1] | 0x20);  // case-insensitive
    if (*line == '/' && letter == 'd' && line[2] == '=') {
      // The rest of the line, blanks and all.
      Engine.FolderSwitch = line + 3;
      break;
    }
    if (*line == '/' && letter == 's' && (IsBlank(line[2]) || !line[2] || line[2] == '"'))
      Engine.Silent = TRUE;
    else
      unknown = true;
    while (*line && !IsBlank(*line)) ++line;
  }
  if (!unknown) return true;
  // Every switch is read first: under /S no box appears, wherever it stands.
  ShowMessage(kSwitchHelp, kErrorCaption, MB_ICONERROR);
  Engine.ExitCode = kExitBadSwitch;
  return false;
}
