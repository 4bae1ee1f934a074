// The switches a deployment tool passes on the command line: /S (silent)
// and /D=FOLDER (the destination).  A self-extractor started without any
// behaves as it always has.  The line is read as the system holds it, in
// UTF-16, so that a folder the ANSI code page cannot name is never turned
// into a look-alike on the way in.
#include "../common/messages.h"
#include "../common/dialogs.h"
#include "startup.h"

const char kSwitchHelp[] = "Switches:\r\n/S\tno window\r\n/D=FOLDER\tdestination (last)";

// Characters are compared as 32-bit numbers: 16-bit compares cost a prefix
// byte each.
static bool IsBlank(unsigned c) { return c == ' ' || c == '\t'; }

// Past blanks and quotes: quotes a caller put around a switch ("/D=C:\My
// Folder") are dropped with the blanks.
static const WCHAR* SkipBlanksAndQuotes(const WCHAR* line) {
  while (IsBlank(*line) || *line == '"') ++line;
  return line;
}

bool ReadSwitches(const WCHAR* line) {
  // The program's own name: up to the first blank outside quotes.
  for (bool quoted = false; *line && (quoted || !IsBlank(*line)); ++line)
    if (*line == '"') quoted = !quoted;
  bool unknown = false;
  for (;;) {
    line = SkipBlanksAndQuotes(line);
    unsigned c = *line;
    if (!c) break;
    unsigned letter = line[1] | 0x20u;  // case-insensitive; line[2] is read only after a letter
    if (c == '/' && letter == 'd' && line[2] == '=') {
      // The rest of the line, blanks and all.  Nothing but blanks and
      // quotes there (an unset variable in a batch file) names no folder:
      // refused, never the current folder.
      Engine.FolderSwitch = line + 3;
      if (!*SkipBlanksAndQuotes(line + 3)) unknown = true;
      break;
    }
    if (c == '/' && letter == 's' && (IsBlank(line[2]) || !line[2] || line[2] == '"'))
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
