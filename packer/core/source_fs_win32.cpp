// The folder walk's file system calls on Windows.  Names come through the
// ANSI calls; the manifest of mksfx.exe makes UTF-8 the process's ANSI code
// page where Windows supports it.
#include <windows.h>

#include "errors.h"
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
  DWORD type = GetFileType(h);
  BOOL ok = GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  DWORD attributes = GetFileAttributesA(path.c_str());
  e.link = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  // A device (NUL, CON) or a pipe, which may hold no file information.
  if (type != FILE_TYPE_DISK) {
    e.kind = FsEntry::kOther;
    return e;
  }
  if (!ok) {
    e.error = ErrorText(GetLastError());
    return e;
  }
  e.kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? FsEntry::kFolder : FsEntry::kFile;
  e.device = info.dwVolumeSerialNumber;
  e.node = (uint64_t)info.nFileIndexHigh << 32 | info.nFileIndexLow;
  e.size = (uint64_t)info.nFileSizeHigh << 32 | info.nFileSizeLow;
  e.mtime = UnixTime(info.ftLastWriteTime);
  return e;
}

std::string LinkTarget(const std::string& path) {
  // The final path comes as \\?\C:\... or \\?\UNC\server\...; the prefix goes.
  HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  char target[MAX_PATH + 8];
  DWORD n = h == INVALID_HANDLE_VALUE ? 0 : GetFinalPathNameByHandleA(h, target, sizeof target, 0);
  DWORD code = GetLastError();
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  if (n == 0 || n >= sizeof target) throw Refusal(path + ": cannot follow the link: " + ErrorText(code));
  std::string final(target, n);
  if (final.compare(0, 8, "\\\\?\\UNC\\") == 0) return "\\" + final.substr(7);
  return final.compare(0, 4, "\\\\?\\") == 0 ? final.substr(4) : final;
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
