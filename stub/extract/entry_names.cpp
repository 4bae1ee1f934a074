// Which entry names may be joined to the destination folder.  An archive is
// untrusted input: a name must not reach outside the folder, open a device or
// an alternate data stream, or carry characters Windows refuses.
#include "extract.h"

static bool IsNameSeparator(char c) { return c == '\\' || c == '/'; }

static char Upper(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 32) : c; }

// The devices every folder holds: CON, PRN, AUX, NUL, COM1-9, LPT1-9,
// CONIN$ and CONOUT$.  `base` is the component up to its first dot, with
// trailing blanks dropped, as Windows compares it.
static bool IsDeviceName(const char* base, int n) {
  char u[8];
  if (n < 3 || n > 7) return false;
  for (int i = 0; i < n; ++i) u[i] = Upper(base[i]);
  u[n] = 0;
  static const char kThree[] = "CONPRNAUXNUL";
  if (n == 3) {
    for (int k = 0; k < 12; k += 3)
      if (u[0] == kThree[k] && u[1] == kThree[k + 1] && u[2] == kThree[k + 2]) return true;
    return false;
  }
  if (n == 4)
    return ((u[0] == 'C' && u[1] == 'O' && u[2] == 'M') || (u[0] == 'L' && u[1] == 'P' && u[2] == 'T')) &&
           u[3] >= '1' && u[3] <= '9';
  static const char kConin[] = "CONIN$";
  static const char kConout[] = "CONOUT$";
  const char* device = n == 6 ? kConin : n == 7 ? kConout : nullptr;
  if (!device) return false;
  for (int i = 0; i < n; ++i)
    if (u[i] != device[i]) return false;
  return true;
}

// One component, from `c` for `n` bytes.
static bool IsSafeComponent(const char* c, int n) {
  bool onlyDotsAndBlanks = true;
  for (int i = 0; i < n; ++i)
    if (c[i] != '.' && c[i] != ' ') onlyDotsAndBlanks = false;
  // "." stays in the folder; "..", "..." or ". ." become ".." once Windows
  // drops trailing dots and blanks.
  if (onlyDotsAndBlanks && n > 0 && !(n == 1 && c[0] == '.')) return false;
  int base = 0;
  while (base < n && c[base] != '.') ++base;
  while (base > 0 && c[base - 1] == ' ') --base;
  return !IsDeviceName(c, base);
}

bool IsSafeEntryName(const char* name) {
  if (IsNameSeparator(name[0])) return false;
  for (const char* p = name; *p; ++p) {
    unsigned char ch = (unsigned char)*p;
    if (ch < 32 || ch == ':' || ch == '<' || ch == '>' || ch == '"' || ch == '|' || ch == '?' ||
        ch == '*')
      return false;
  }
  const char* start = name;
  for (const char* p = name;; ++p) {
    if (*p == 0 || IsNameSeparator(*p)) {
      if (!IsSafeComponent(start, (int)(p - start))) return false;
      if (*p == 0) return true;
      start = p + 1;
    }
  }
}
