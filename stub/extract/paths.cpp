// Path strings and folders.
#include "paths.h"

#include "../common/fatal.h"
#include "../common/made_list.h"

static bool IsSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

// Index of the last "\", "/" or ":", -1 when there is none.
static int LastSeparator(const char* path) {
  int last = -1;
  for (int i = 0; path[i]; ++i)
    if (IsSeparator(path[i])) last = i;
  return last;
}

char* SlashesToBackslashes(char* text) {
  for (char* p = text; *p; ++p)
    if (*p == '/') *p = '\\';
  return text;
}

static bool HasWildcard(const char* path) {
  for (; *path; ++path)
    if (*path == '*' || *path == '?') return true;
  return false;
}

// GetFileAttributesA costs 6 to 36 us under Wine, a search with FindFirstFileA
// about 250 us, and the walk tests every entry's path.  The outcomes are the
// search's: a path ending in "\" exists when it names a folder (the search
// for "folder\*.*" finds at least "."), any other path when a file or folder of
// that name exists, a name with wildcards when something matches it.
bool PathExists(char* path) {
  uint16_t n = StrLength(path);
  if (n == 0) return false;
  bool folderOnly = path[n - 1] == '\\';
  if (!folderOnly) {
    // A name ending in "/" (a folder entry) ends in "\" now, and the search
    // that takes no trailing "\" found nothing for it: the walk then makes
    // the folder and counts the entry done without an overwrite question.
    if (SlashesToBackslashes(path)[n - 1] == '\\') return false;
    // Wildcards are left to the search, the only call that expands them.
    if (HasWildcard(path)) {
      WIN32_FIND_DATAA data;
      HANDLE found = FindFirstFileA(path, &data);
      if (found == INVALID_HANDLE_VALUE) return false;
      FindClose(found);
      return true;
    }
  }
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  return !folderOnly || (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

char* ParentFolder(const char* path, char* result) {
  int n = StrLength(path);
  int keep;
  bool hasColon = false;
  for (int i = 0; i < n; ++i) hasColon |= path[i] == ':';
  if (n == 3 && hasColon) {
    keep = 3;  // a drive root such as C:\ stays as it is
  } else {
    int at = LastSeparator(path);
    if (at < 0)
      keep = 0;
    else if (path[at] == ':')
      keep = at + 1;  // C:file gives C:
    else if (at == 2 && path[1] == ':')
      keep = 3;  // C:\x gives C:\, keeping the root's separator
    else
      keep = at;
  }
  for (int i = 0; i < keep; ++i) result[i] = path[i];
  result[keep] = 0;
  return result;
}

char* FileNamePart(const char* path, char* result) {
  const char* from = path + LastSeparator(path) + 1;
  int n = 0;
  while (from[n] && n < kFileNamePartLength) {
    result[n] = from[n];
    ++n;
  }
  result[n] = 0;
  return result;
}

char* AddTrailingBackslash(char* text) {
  uint16_t n = StrLength(text);
  if (n == 0 || text[n - 1] != '\\') {
    text[n] = '\\';
    text[n + 1] = 0;
  }
  return text;
}

char* RemoveTrailingBackslash(char* text) {
  uint16_t n = StrLength(text);
  if (n > 0 && text[n - 1] == '\\') text[n - 1] = 0;
  return text;
}

void CreateFolderPath(const char* path) {
  char folder[MAX_PATH + 1];
  uint16_t n = StrLength(path);
  // Nothing this long can be created; the caller's test of the folder reports it.
  if (n > kMaxPathLength) return;
  for (uint16_t i = 0; i <= n; ++i) folder[i] = path[i];
  if (n > 0 && folder[n - 1] == '\\') folder[--n] = 0;
  if (n < 3) return;
  if (PathExists(folder)) return;
  char parent[MAX_PATH + 1];
  ParentFolder(folder, parent);
  // The parents come first, top down.  A parent that is no shorter (a text
  // such as "a:b") would recurse without end.
  if (StrLength(parent) < n) CreateFolderPath(parent);
  if (CreateDirectoryA(folder, nullptr)) {
    NoteMade(folder);
    return;
  }
  // A path the platform normalises onto its parent ("sub\.") names a folder
  // made a moment ago: that is no failure.  Anything else ends the program.
  DWORD error = GetLastError();
  DWORD attributes = GetFileAttributesA(folder);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  FatalErrorReport(error, folder);
}
