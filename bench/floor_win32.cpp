// The floor of the stub benchmark: only the file calls that any extractor of
// the same files pays under the same Windows (or Wine), with nothing decoded,
// checked or shown.  For each line of a list it creates the folder, or
// creates the file, writes its size in 32 KiB pieces, sets its time and
// closes it, exactly as the stub does for an entry.
//
//   sfxbenchfloor LIST DEST
//   sfxbenchfloor --hold      keeps a desktop client alive until its input
//                             ends (see HoldDesktop)
//
// LIST holds one line per item, in the order the stub meets them:
//   D name         a folder (parents first)
//   F size name    a file of `size` bytes
// with names relative to DEST and "\" separators.  Exit code 0 when every
// call succeeded, 1 otherwise (the first failure is printed).
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

// The stub's chunk: it writes entry data in pieces of this many bytes.
const DWORD kChunkSize = 32768;
// The DOS time and date of the benchmark corpora (2024-01-01 12:00:00), so
// the time conversion runs on a valid value as it does in the stub.
const WORD kDosDate = (44 << 9) | (1 << 5) | 1;
const WORD kDosTime = 12 << 11;

char chunk[kChunkSize];

bool Fail(const char* what, const char* path) {
  fprintf(stderr, "sfxbenchfloor: %s %s: error %lu\n", what, path, GetLastError());
  return false;
}

bool WriteOne(const char* path, unsigned long long size) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail("cannot create", path);
  bool ok = true;
  while (size > 0 && ok) {
    DWORD piece = size < kChunkSize ? (DWORD)size : kChunkSize;
    DWORD written = 0;
    ok = WriteFile(file, chunk, piece, &written, nullptr) && written == piece;
    size -= piece;
  }
  FILETIME local, utc;
  if (DosDateTimeToFileTime(kDosDate, kDosTime, &local) && LocalFileTimeToFileTime(&local, &utc))
    SetFileTime(file, nullptr, nullptr, &utc);
  if (!CloseHandle(file)) ok = false;
  return ok || Fail("cannot write", path);
}

// The whole list, read at start-up (not part of what is measured per file).
char* ReadList(const char* name) {
  FILE* f = fopen(name, "rb");
  if (!f) return nullptr;
  fseek(f, 0, SEEK_END);
  long n = ftell(f);
  fseek(f, 0, SEEK_SET);
  char* text = (char*)malloc((size_t)n + 1);
  if (text && fread(text, 1, (size_t)n, f) != (size_t)n) {
    free(text);
    text = nullptr;
  }
  if (text) text[n] = 0;
  fclose(f);
  return text;
}

// Wine starts its desktop process (explorer) with the first program that uses
// the window system and ends it soon after the last one: every GUI program
// run alone would pay that start, about a second, which a Windows user never
// does.  The benchmark runs this beside its runs so the desktop stays up.
// user32 is loaded here only, so the floor's own runs load kernel32 alone.
int HoldDesktop() {
  HMODULE user32 = LoadLibraryA("user32.dll");
  FARPROC desktop = user32 ? GetProcAddress(user32, "GetDesktopWindow") : nullptr;
  if (!desktop) return 1;
  desktop();
  char byte;
  DWORD got;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &got, nullptr) && got) {
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && strcmp(argv[1], "--hold") == 0) return HoldDesktop();
  if (argc != 3) {
    fprintf(stderr, "usage: sfxbenchfloor LIST DEST\n");
    return 2;
  }
  char* list = ReadList(argv[1]);
  if (!list) {
    fprintf(stderr, "sfxbenchfloor: cannot read %s\n", argv[1]);
    return 2;
  }
  const char* dest = argv[2];
  CreateDirectoryA(dest, nullptr);
  char path[MAX_PATH * 2];
  for (char* line = strtok(list, "\r\n"); line; line = strtok(nullptr, "\r\n")) {
    char kind = line[0];
    char* rest = line + 2;
    unsigned long long size = 0;
    if (kind == 'F') size = strtoull(rest, &rest, 10), ++rest;
    snprintf(path, sizeof path, "%s\\%s", dest, rest);
    if (kind == 'D' && !CreateDirectoryA(path, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      Fail("cannot create folder", path);
      return 1;
    }
    if (kind == 'F' && !WriteOne(path, size)) return 1;
  }
  free(list);
  return 0;
}
