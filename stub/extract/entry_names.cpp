// Which entry names may be joined to the destination folder.  An archive is
// untrusted input: a name must not reach outside the folder, open a device or
// an alternate data stream, or carry characters Windows refuses.
#include "device_names.h"
#include "extract.h"

static bool IsNameSeparator(char c) { return c == '\\' || c == '/'; }

// One component, from `c` for `n` bytes.
static NameFault ComponentFault(const char* c, int n) {
  bool onlyDotsAndBlanks = true;
  for (int i = 0; i < n; ++i)
    if (c[i] != '.' && c[i] != ' ') onlyDotsAndBlanks = false;
  // "." stays in the folder; "..", "..." or ". ." become ".." once Windows
  // drops trailing dots and blanks.
  if (onlyDotsAndBlanks && n > 0 && !(n == 1 && c[0] == '.')) return kNameDotsAndBlanks;
  return IsReservedDeviceName(c, n) ? kNameDevice : kNameSafe;
}

NameFault EntryNameFault(const char* name) {
  if (IsNameSeparator(name[0])) return kNameAbsolute;
  for (const char* p = name; *p; ++p) {
    unsigned char ch = (unsigned char)*p;
    if (ch == ':') return kNameColon;
    if (ch < 32 || ch == '<' || ch == '>' || ch == '"' || ch == '|' || ch == '?' || ch == '*')
      return kNameForbiddenCharacter;
  }
  const char* start = name;
  for (const char* p = name;; ++p) {
    if (*p == 0 || IsNameSeparator(*p)) {
      NameFault fault = ComponentFault(start, (int)(p - start));
      if (fault || *p == 0) return fault;
      start = p + 1;
    }
  }
}
