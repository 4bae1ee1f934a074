// The folder walk's file system calls on Windows.  Names come through the
// ANSI calls; the manifest of mksfx.exe makes UTF-8 the process's ANSI code
// page where Windows supports it.
#include <windows.h>

#include "source_fs.h"

namespace {

// FILETIME counts 100 ns steps from 1601; Unix time seconds from 1970.
const int64_t kFileTimeTicksPerSecond = 10000000;
const int64_t kSecondsFrom1601To1970 = 11644473600LL;

int64_t UnixTime(const FILETIME& t) {
  int64_t ticks = (int64_t)((uint64_t)t.dwHighDateTime << 32 | t.dwLowDateTime);
  return ticks / kFileTimeTicksPerSecond - kSecondsFrom1601To1970;
}

std::string ErrorText(DWORD code) {
  char text[256];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                           0, text, sizeof text, nullptr);
  while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == '.')) --n;
  return n ? std::string(text, n) : "system error " + std::to_string(code);
}

}  // namespace

FsEntry InspectPath(const std::string& path) {
  FsEntry e;
  // Opening follows links and junctions, as the POSIX side's stat does.
  HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    DWORD attributes = GetFileAttributesA(path.c_str());
    e.danglingLink = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    e.error = ErrorText(code);
    return e;
  }
  BY_HANDLE_FILE_INFORMATION info;
  BOOL ok = GetFileInformationByHandle(h, &info);
  DWORD type = GetFileType(h);
  CloseHandle(h);
  if (!ok) {
    e.error = ErrorText(GetLastError());
    return e;
  }
  e.kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? FsEntry::kFolder
           : type == FILE_TYPE_DISK                            ? FsEntry::kFile
                                                               : FsEntry::kOther;
  e.device = info.dwVolumeSerialNumber;
  e.node = (uint64_t)info.nFileIndexHigh << 32 | info.nFileIndexLow;
  e.size = (uint64_t)info.nFileSizeHigh << 32 | info.nFileSizeLow;
  e.mtime = UnixTime(info.ftLastWriteTime);
  return e;
}

bool ListFolder(const std::string& path, std::vector<std::string>& names, std::string& error) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND) return true;
    error = ErrorText(code);
    return false;
  }
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return true;
}
