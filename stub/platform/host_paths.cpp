// Windows path resolution for the Linux stand-in: drive mapping, the
// stand-in's own current folder, the normalisation Windows applies ("." and
// ".." resolved lexically, trailing dots and blanks dropped), names that
// differ only in case taken for the entry that exists, and the ANSI code page
// between Windows names and native ones.
#include <ctype.h>
#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "ansi_text.h"
#include "host_control.h"
#include "host_internal.h"

namespace {

std::string driveRoot[26];
bool driveMapped[26];
std::string currentFolder;  // canonical Windows form, e.g. "Z:\tmp"
const uint16_t* ansiHighBytes;  // see HostSetAnsiCodePage; nullptr: byte for byte

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

void EnsureStarted() {
  if (!currentFolder.empty()) return;
  driveMapped['Z' - 'A'] = true;
  driveRoot['Z' - 'A'] = "";
  char cwd[PATH_MAX];
  char win[PATH_MAX + 4];
  if (getcwd(cwd, sizeof cwd) && HostWindowsPath(cwd, win, sizeof win))
    currentFolder = win;
  else
    currentFolder = "Z:\\";
}

// Splits "a\b/c" into components; empty components are dropped.
void Split(const char* text, std::vector<std::string>& parts) {
  std::string part;
  for (const char* p = text;; ++p) {
    if (*p == 0 || IsSeparator(*p)) {
      parts.push_back(part);
      part.clear();
      if (*p == 0) break;
    } else {
      part += *p;
    }
  }
}

}  // namespace

void HostSetAnsiCodePage(const uint16_t* highBytes) {
  ansiHighBytes = highBytes;
  // The current folder is the process's, named anew in this page.
  currentFolder.clear();
  EnsureStarted();
}

std::string HostNativeName(const std::string& ansi) {
  if (!ansiHighBytes) return ansi;
  return AnsiToUtf8(ansi, ansiHighBytes);
}

bool HostAnsiName(const std::string& native, std::string& ansi) {
  if (!ansiHighBytes) {
    ansi = native;
    return true;
  }
  ansi.clear();
  bool whole = true;
  for (size_t at = 0; at < native.size();) {
    char32_t cp;
    int byte = -1;
    if (DecodeUtf8(native, at, cp))
      byte = AnsiByteOf(cp, ansiHighBytes);
    else
      ++at;  // one byte that is not UTF-8
    if (byte < 0) whole = false;
    ansi += byte < 0 ? '?' : (char)byte;
  }
  return whole;
}

void HostMapDrive(char letter, const char* nativeFolder) {
  EnsureStarted();
  int d = toupper((unsigned char)letter) - 'A';
  if (d < 0 || d >= 26) return;
  driveMapped[d] = nativeFolder != nullptr;
  driveRoot[d] = nativeFolder ? nativeFolder : "";
  while (!driveRoot[d].empty() && driveRoot[d].back() == '/') driveRoot[d].pop_back();
}

bool HostWindowsPath(const char* nativePath, char* out, size_t capacity) {
  if (!nativePath || nativePath[0] != '/') return false;
  std::string ansi;
  if (!HostAnsiName(nativePath, ansi)) return false;
  std::string w = "Z:";
  for (char c : ansi) w += (c == '/') ? '\\' : c;
  if (w.size() == 2) w += '\\';
  if (w.size() + 1 > capacity) return false;
  memcpy(out, w.c_str(), w.size() + 1);
  return true;
}

void HostResetPaths() {
  HostKeepFolderListings(false);
  for (int d = 0; d < 26; ++d) {
    driveMapped[d] = false;
    driveRoot[d].clear();
  }
  currentFolder.clear();
  ansiHighBytes = nullptr;
  EnsureStarted();
}

namespace {

// The drive and the components of `path` once Windows has normalised it
// against the current folder; nothing is looked up.  `path` is neither
// empty nor a UNC path.
void Normalise(const char* path, char& drive, std::vector<std::string>& comps) {
  const char* rest = path;
  if (isalpha((unsigned char)path[0]) && path[1] == ':') {
    drive = (char)toupper((unsigned char)path[0]);
    rest = path + 2;
    if (!IsSeparator(*rest) && currentFolder[0] == drive) Split(currentFolder.c_str() + 3, comps);
  } else {
    drive = currentFolder[0];
    if (!IsSeparator(*rest)) Split(currentFolder.c_str() + 3, comps);
  }
  std::vector<std::string> more;
  Split(rest, more);
  // Windows drops one trailing dot of an inner component and every trailing
  // dot and blank of the last one.
  for (size_t i = 0; i < more.size(); ++i) {
    std::string c = more[i];
    bool last = i + 1 == more.size();
    if (c == "." || c.empty()) continue;
    if (c == "..") {
      if (!comps.empty()) comps.pop_back();
      continue;
    }
    if (last) {
      while (!c.empty() && (c.back() == '.' || c.back() == ' ')) c.pop_back();
    } else if (c.back() == '.') {
      c.pop_back();
    }
    if (c.empty()) continue;
    comps.push_back(c);
  }
}

// The next character of a native name, case folded (FoldCodePoint): a code
// point where the names are UTF-8 (a code page is set), else a byte.  A
// byte that is no character of the page stands for itself, above every code
// point.
char32_t NextFolded(const std::string& name, size_t& at) {
  char32_t cp;
  if (ansiHighBytes && DecodeUtf8(name, at, cp)) return FoldCodePoint(cp);
  unsigned char byte = (unsigned char)name[at++];
  return byte < 0x80 ? FoldCodePoint(byte) : 0x110000 + byte;
}

// The name as Windows compares it.
std::u32string Folded(const std::string& name) {
  std::u32string folded;
  for (size_t at = 0; at < name.size();) folded += NextFolded(name, at);
  return folded;
}

// A folder's entries by folded name, each with its first spelling met, and
// what the folder was when they were read (or when the stand-in last added
// one of its own): the listing holds while the folder has not changed since.
struct Listing {
  ino_t node = 0;
  struct timespec changed = {};
  off_t size = 0;
  std::map<std::u32string, std::string> spellings;
};
bool keepListings = false;
std::map<std::string, Listing> listings;  // by native folder
std::string lastListed;  // the folder whose listing the last miss consulted

bool Unchanged(const Listing& l, const struct stat& st) {
  return l.node == st.st_ino && l.size == st.st_size && l.changed.tv_sec == st.st_mtim.tv_sec &&
         l.changed.tv_nsec == st.st_mtim.tv_nsec;
}

void Remember(Listing& l, const struct stat& st) {
  l.node = st.st_ino;
  l.size = st.st_size;
  l.changed = st.st_mtim;
}

// The listing of native `folder` as it is now: the kept one while the folder
// is unchanged, else read again.  False when the folder cannot be read.
// `known`: the folder's stat taken just before, or null.
bool CurrentListing(const std::string& folder, const struct stat* known, Listing& fresh,
                    Listing*& listing) {
  struct stat st;
  if (known) st = *known;
  else if (stat(folder.c_str(), &st) != 0) return false;
  listing = keepListings ? &listings[folder] : &fresh;
  if (keepListings && Unchanged(*listing, st) && listing->node) return true;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return false;
  listing->spellings.clear();
  while (struct dirent* e = readdir(dir)) listing->spellings.emplace(Folded(e->d_name), e->d_name);
  closedir(dir);
  Remember(*listing, st);
  return true;
}

// The spelling of `name` in native `folder` as Windows finds it: `name`
// when it exists so, else that of the entry equal to it but for case, else
// `name` (a new entry takes the spelling given).  A miss reads the whole
// folder, where Windows looks a name up in an index: without kept listings
// a folder of n new files costs the stand-in O(n^2) entries read.  With a
// kept listing still current (`folderStat`: the folder's stat, just taken)
// the listing alone answers, as Windows' index does: one stat per name.
std::string ExistingSpelling(const std::string& folder, const std::string& name,
                             const struct stat* folderStat = nullptr) {
  const std::string where = folder.empty() ? "/" : folder;
  Listing fresh, *listing;
  if (folderStat && keepListings) {
    auto kept = listings.find(where);
    if (kept != listings.end() && kept->second.node && Unchanged(kept->second, *folderStat)) {
      auto hit = kept->second.spellings.find(Folded(name));
      if (hit == kept->second.spellings.end()) {
        lastListed = where;
        return name;
      }
      if (hit->second == name) return name;
    }
  }
  std::string path = (folder.empty() ? std::string() : folder) + "/" + name;
  struct stat st;
  if (lstat(path.c_str(), &st) == 0) return name;
  if (!CurrentListing(where, folderStat, fresh, listing)) return name;
  lastListed = where;
  auto hit = listing->spellings.find(Folded(name));
  return hit == listing->spellings.end() ? name : hit->second;
}

}  // namespace

void HostKeepFolderListings(bool keep) {
  keepListings = keep;
  listings.clear();
  lastListed.clear();
}

void HostNoteCreated(const std::string& nativeParent, const std::string& name) {
  // Only right after the miss that looked the name up: the listing was
  // current then, and the new entry is all that changed.
  auto kept = listings.find(nativeParent);
  struct stat st;
  if (!keepListings || lastListed != nativeParent || kept == listings.end() ||
      stat(nativeParent.c_str(), &st) != 0)
    return;
  kept->second.spellings.emplace(Folded(name), name);
  Remember(kept->second, st);
  lastListed.clear();
}

bool HostResolve(const char* path, HostResolved& r) {
  EnsureStarted();
  lastListed.clear();
  r = HostResolved();
  if (!path || !*path) {
    r.error = ERROR_PATH_NOT_FOUND;
    return false;
  }
  size_t length = strlen(path);
  if (length >= MAX_PATH) {
    r.error = ERROR_FILENAME_EXCED_RANGE;
    return false;
  }
  if (IsSeparator(path[0]) && IsSeparator(path[1])) {
    r.error = ERROR_BAD_NETPATH;  // UNC paths are not modelled
    return false;
  }
  r.trailingSeparator = IsSeparator(path[length - 1]);
  std::vector<std::string> comps;
  char drive;
  Normalise(path, drive, comps);
  for (std::string& c : comps) {
    if (c.empty()) continue;
    for (char ch : c) {
      if ((unsigned char)ch < 32 || strchr("<>:\"|", ch)) r.invalidName = true;
      if (ch == '*' || ch == '?') r.wildcard = true;
    }
  }
  int d = drive - 'A';
  if (d < 0 || d >= 26 || !driveMapped[d]) {
    r.error = ERROR_PATH_NOT_FOUND;
    return false;
  }
  std::string canonical(1, drive);
  canonical += ":\\";
  std::vector<std::string> names;
  for (const std::string& c : comps) {
    if (c.empty()) continue;
    if (canonical.size() > 3) canonical += '\\';
    canonical += c;
    names.push_back(HostNativeName(c));
  }
  // A pattern is FindFirstFileA's to match against every entry.  When the
  // folder holding the last name exists as spelled, so does every folder
  // above it: one stat stands for the walk down from the drive's root.
  std::string native = driveRoot[d];
  size_t walked = 0;
  struct stat folderStat;
  std::string folder = native;
  for (size_t i = 0; i + 1 < names.size(); ++i) folder += '/' + names[i];
  if (names.size() > 1 && stat(folder.c_str(), &folderStat) == 0 && S_ISDIR(folderStat.st_mode)) {
    native = folder;
    walked = names.size() - 1;
  }
  for (size_t i = walked; i < names.size(); ++i) {
    bool last = i + 1 == names.size();
    std::string name = names[i];
    if (!(r.wildcard && last))
      name = ExistingSpelling(native, name, walked && last ? &folderStat : nullptr);
    native += '/';
    native += name;
  }
  if (native.empty()) native = "/";
  r.isDriveRoot = canonical.size() == 3;
  r.native = native;
  r.canonical = canonical;
  r.lastComponent = comps.empty() ? std::string() : comps.back();
  size_t cut = native.find_last_of('/');
  r.nativeParent = cut == 0 ? std::string("/") : native.substr(0, cut);
  return true;
}

bool HostNativePath(const char* windowsPath, char* out, size_t capacity) {
  HostResolved r;
  if (!HostResolve(windowsPath, r) || r.native.size() + 1 > capacity) return false;
  memcpy(out, r.native.c_str(), r.native.size() + 1);
  return true;
}

DWORD WINAPI GetFullPathNameA(LPCSTR path, DWORD size, LPSTR buffer, LPSTR* filePart) {
  EnsureStarted();
  if (!path || !*path) {
    SetLastError(ERROR_INVALID_NAME);
    return 0;
  }
  if (IsSeparator(path[0]) && IsSeparator(path[1])) {
    SetLastError(ERROR_BAD_NETPATH);  // UNC paths are not modelled
    return 0;
  }
  std::vector<std::string> comps;
  char drive;
  Normalise(path, drive, comps);
  std::string full(1, drive);
  full += ":\\";
  for (size_t i = 0; i < comps.size(); ++i) full += (i ? "\\" : "") + comps[i];
  // A trailing separator stays, as on Windows.
  if (comps.size() && IsSeparator(path[strlen(path) - 1])) full += '\\';
  DWORD n = (DWORD)full.size();
  if (size < n + 1 || !buffer) return n + 1;
  memcpy(buffer, full.c_str(), n + 1);
  if (filePart) {
    size_t cut = full.find_last_of('\\');
    *filePart = full.back() == '\\' ? nullptr : buffer + cut + 1;
  }
  return n;
}

DWORD WINAPI ExpandEnvironmentStringsA(LPCSTR source, LPSTR buffer, DWORD size) {
  std::string out;
  for (const char* p = source; *p;) {
    const char* close = *p == '%' ? strchr(p + 1, '%') : nullptr;
    const char* value = close ? getenv(std::string(p + 1, close).c_str()) : nullptr;
    std::string ansi;
    if (value && close > p + 1) {
      HostAnsiName(value, ansi);
      out += ansi;
      p = close + 1;
    } else {
      out += *p++;
    }
  }
  // The count includes the terminator; a buffer too small gets what fits.
  DWORD n = (DWORD)out.size() + 1;
  if (buffer && size) {
    DWORD copy = n <= size ? n - 1 : size - 1;
    memcpy(buffer, out.c_str(), copy);
    buffer[copy] = 0;
  }
  return n;
}

namespace {

std::string Utf16ToUtf8(const WCHAR* text) {
  std::string out;
  for (; *text; ++text) {
    char32_t c = *text;
    if (c >= 0xD800 && c < 0xDC00 && text[1] >= 0xDC00 && text[1] < 0xE000) c = 0x10000 + ((c - 0xD800) << 10) + (*++text - 0xDC00);
    AppendUtf8(out, c);
  }
  return out;
}

// A byte that is not UTF-8 stands for the code point of its value.
std::u16string Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  for (size_t at = 0; at < text.size();) {
    char32_t c;
    if (!DecodeUtf8(text, at, c)) c = (unsigned char)text[at++];
    if (c >= 0x10000) {
      out += (char16_t)(0xD800 + ((c - 0x10000) >> 10));
      c = 0xDC00 + ((c - 0x10000) & 0x3FF);
    }
    out += (char16_t)c;
  }
  return out;
}

// Copies `text` and its terminator to `buffer` of `size` units; the count
// copied, terminator included, or 0 with ERROR_INSUFFICIENT_BUFFER.
template <typename Text, typename Unit>
int CopyOut(const Text& text, Unit* buffer, int size) {
  int n = (int)text.size() + 1;
  if (size == 0) return n;
  if (n > size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (int i = 0; i + 1 < n; ++i) buffer[i] = (Unit)text[(size_t)i];
  buffer[n - 1] = 0;
  return n;
}

}  // namespace

int WINAPI MultiByteToWideChar(UINT, DWORD, LPCSTR text, int, LPWSTR buffer, int size) {
  return CopyOut(Utf8ToUtf16(HostNativeName(text)), buffer, size);
}

int WINAPI WideCharToMultiByte(UINT, DWORD, LPCWSTR text, int, LPSTR buffer, int size, LPCSTR, BOOL* usedDefault) {
  std::string ansi;
  bool whole = HostAnsiName(Utf16ToUtf8(text), ansi);
  if (usedDefault) *usedDefault = !whole;
  return CopyOut(ansi, buffer, size);
}

DWORD WINAPI ExpandEnvironmentStringsW(LPCWSTR source, LPWSTR buffer, DWORD size) {
  std::string in = Utf16ToUtf8(source), out;
  for (size_t at = 0; at < in.size();) {
    size_t close = in[at] == '%' ? in.find('%', at + 1) : std::string::npos;
    const char* value = close != std::string::npos && close > at + 1 ? getenv(in.substr(at + 1, close - at - 1).c_str()) : nullptr;
    if (value) {
      out += value;
      at = close + 1;
    } else {
      out += in[at++];
    }
  }
  std::u16string wide = Utf8ToUtf16(out);
  // The count includes the terminator; a buffer too small gets what fits.
  DWORD n = (DWORD)wide.size() + 1;
  if (buffer && size) {
    DWORD copy = n <= size ? n - 1 : size - 1;
    for (DWORD i = 0; i < copy; ++i) buffer[i] = wide[i];
    buffer[copy] = 0;
  }
  return n;
}

DWORD WINAPI GetShortPathNameA(LPCSTR path, LPSTR buffer, DWORD size) {
  if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  DWORD n = (DWORD)strlen(path);
  if (size < n + 1 || !buffer) return n + 1;
  memmove(buffer, path, n + 1);
  return n;
}

// ---------------------------------------------------------------- temp path

namespace {
std::string tempPath;  // from TMPDIR on the first call
}

DWORD WINAPI GetTempPathA(DWORD size, LPSTR buffer) {
  if (tempPath.empty()) {
    const char* t = getenv("TMPDIR");
    char win[PATH_MAX + 4];
    tempPath = (t && *t && HostWindowsPath(t, win, sizeof win)) ? win : "Z:\\tmp";
  }
  std::string p = tempPath;
  if (p.back() != '\\') p += '\\';
  DWORD n = (DWORD)p.size();
  if (size < n + 1 || !buffer) return n + 1;
  memcpy(buffer, p.c_str(), n + 1);
  return n;
}
