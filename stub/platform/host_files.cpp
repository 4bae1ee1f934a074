// Files, folders, file times, the heap and process calls of the Linux
// stand-in.  Error codes are those Windows sets for the same situation.
#include <ctype.h>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "image_page.h"
#include "host_control.h"
#include "host_internal.h"

namespace {

thread_local DWORD lastError;

// Every ReadFile goes to the file itself, as on Windows: no read-ahead of
// our own.  A benchmark of mksfx extract over 5,000 small entries (three
// small reads each) showed no difference with a 64 KiB read-ahead buffer.

struct FileHandle {
  int fd;
  bool writable;
  int64_t position = 0;  // the handle's own, so a seek costs no call
};

struct FindHandle {
  int unused;
};

std::string moduleFileName;
HostWriteOpenObserver writeOpenObserver;
void* writeOpenObserverContext;

DWORD ErrorFromErrno(int e) {
  switch (e) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOSPC: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_ACCESS_DENIED;
  }
}

// Windows tells a missing file from a missing folder on its way.
DWORD MissingError(const HostResolved& r) {
  return HostIsFolder(r.nativeParent.c_str()) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

FileHandle* AsFile(HANDLE h) {
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return nullptr;
  return static_cast<FileHandle*>(h);
}

const int64_t kEpochDifference = 116444736000000000LL;  // 1601 to 1970, in 100 ns

void FileTimeFromTimespec(const struct timespec& t, FILETIME* ft) {
  int64_t v = (int64_t)t.tv_sec * 10000000 + t.tv_nsec / 100 + kEpochDifference;
  ft->dwLowDateTime = (DWORD)v;
  ft->dwHighDateTime = (DWORD)((uint64_t)v >> 32);
}

int64_t FileTimeValue(const FILETIME* ft) {
  return (int64_t)(((uint64_t)ft->dwHighDateTime << 32) | ft->dwLowDateTime);
}

// Days from 1970-01-01 to y-m-d in the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = (unsigned)(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + (int64_t)doe - 719468;
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// Windows-style wildcard match, without regard to case; "*.*" matches all.
bool WildcardMatch(const char* pattern, const char* name) {
  if (strcmp(pattern, "*.*") == 0) return true;
  if (*pattern == 0) return *name == 0;
  if (*pattern == '*') {
    for (const char* n = name;; ++n) {
      if (WildcardMatch(pattern + 1, n)) return true;
      if (*n == 0) return false;
    }
  }
  if (*name == 0) return false;
  if (*pattern == '?' || tolower((unsigned char)*pattern) == tolower((unsigned char)*name))
    return WildcardMatch(pattern + 1, name + 1);
  return false;
}

void FillFindData(const struct stat& st, const char* name, LPWIN32_FIND_DATAA data) {
  memset(data, 0, sizeof *data);
  {
    data->dwFileAttributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    data->nFileSizeLow = (DWORD)st.st_size;
    data->nFileSizeHigh = (DWORD)((uint64_t)st.st_size >> 32);
    FileTimeFromTimespec(st.st_mtim, &data->ftLastWriteTime);
  }
  snprintf(data->cFileName, sizeof data->cFileName, "%s", name);
}

}  // namespace

bool HostIsFolder(const char* native) {
  struct stat st;
  return stat(native, &st) == 0 && S_ISDIR(st.st_mode);
}

DWORD WINAPI GetLastError(void) { return lastError; }
void WINAPI SetLastError(DWORD code) { lastError = code; }

// ------------------------------------------------------------------- files

// HostResolve, with its error as the last error when it fails.
static bool Resolve(LPCSTR path, HostResolved& r) {
  if (HostResolve(path, r)) return true;
  SetLastError(r.error);
  return false;
}

HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD, LPSECURITY_ATTRIBUTES,
                          DWORD disposition, DWORD, HANDLE) {
  // The NUL device, by its bare name or as \\.\NUL: writes succeed and are
  // discarded, reads find nothing.  It opens whatever the disposition asks.
  if (name && (strcasecmp(name, "NUL") == 0 || strcasecmp(name, "\\\\.\\NUL") == 0)) {
    int fd = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (fd < 0) {
      SetLastError(ErrorFromErrno(errno));
      return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_SUCCESS);
    FileHandle* f = new FileHandle;
    f->fd = fd;
    f->writable = (access & GENERIC_WRITE) != 0;
    return f;
  }
  HostResolved r;
  if (!Resolve(name, r)) return INVALID_HANDLE_VALUE;
  if (r.invalidName || r.wildcard || r.trailingSeparator || r.isDriveRoot) {
    SetLastError(r.trailingSeparator && HostIsFolder(r.native.c_str()) ? ERROR_ACCESS_DENIED
                                                                       : ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  int flags = O_CLOEXEC;
  if ((access & GENERIC_READ) && (access & GENERIC_WRITE))
    flags |= O_RDWR;
  else if (access & GENERIC_WRITE)
    flags |= O_WRONLY;
  else
    flags |= O_RDONLY;
  if (disposition == CREATE_ALWAYS) flags |= O_CREAT | O_TRUNC;
  // Anything of that name, a folder too, is in the way of a new file.
  if (disposition == CREATE_NEW) flags |= O_CREAT | O_EXCL;
  int fd = open(r.native.c_str(), flags, 0666);
  if (fd < 0) {
    DWORD error = errno == ENOENT ? MissingError(r) : ErrorFromErrno(errno);
    SetLastError(errno == EEXIST ? ERROR_FILE_EXISTS : error);
    return INVALID_HANDLE_VALUE;
  }
  if (flags & O_CREAT) HostNoteCreated(r.nativeParent, r.native.substr(r.native.find_last_of('/') + 1));
  // A folder opens for reading on Linux, never on Windows.
  struct stat st;
  if (!(flags & (O_WRONLY | O_RDWR)) && fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  SetLastError(ERROR_SUCCESS);
  FileHandle* f = new FileHandle;
  f->fd = fd;
  f->writable = (access & GENERIC_WRITE) != 0;
  if (f->writable && writeOpenObserver) writeOpenObserver(writeOpenObserverContext, r.native.c_str());
  return f;
}

BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read, LPOVERLAPPED) {
  if (read) *read = 0;
  FileHandle* f = AsFile(file);
  if (!f) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DWORD done = 0;
  char* to = (char*)buffer;
  while (done < count) {
    ssize_t n = ::pread(f->fd, to + done, count - done, f->position);
    if (n < 0) {
      if (errno == EINTR) continue;
      SetLastError(ErrorFromErrno(errno));
      if (read) *read = done;
      return FALSE;
    }
    if (n == 0) break;
    done += (DWORD)n;
    f->position += n;
  }
  if (read) *read = done;
  if (HostProbes.ioObserver) HostProbes.ioObserver(HostProbes.ioObserverContext, false, file, count, done);
  return TRUE;
}

BOOL WINAPI WriteFile(HANDLE file, const void* buffer, DWORD count, LPDWORD written,
                      LPOVERLAPPED) {
  if (written) *written = 0;
  FileHandle* f = AsFile(file);
  if (!f || !f->writable) {
    SetLastError(f ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DWORD want = count;
  if (HostProbes.writeBudget >= 0 && (int64_t)want > HostProbes.writeBudget) want = (DWORD)HostProbes.writeBudget;
  DWORD done = 0;
  while (done < want) {
    ssize_t n = ::pwrite(f->fd, (const char*)buffer + done, want - done, f->position);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    done += (DWORD)n;
    f->position += n;
  }
  if (HostProbes.writeBudget >= 0) HostProbes.writeBudget -= done;
  if (written) *written = done;
  if (HostProbes.ioObserver) HostProbes.ioObserver(HostProbes.ioObserverContext, true, file, count, done);
  if (done < count) {
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method) {
  FileHandle* f = AsFile(file);
  if (!f) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  int64_t offset = distance;
  if (distanceHigh) offset = (int64_t)(((uint64_t)(uint32_t)*distanceHigh << 32) | (uint32_t)distance);
  int64_t base = 0;
  if (method == FILE_CURRENT) {
    base = f->position;
  } else if (method == FILE_END) {
    struct stat st;
    base = fstat(f->fd, &st) == 0 ? (int64_t)st.st_size : 0;
  }
  // A seek before the start fails and leaves the position, as on Windows.
  int64_t at = base + offset;
  if (at < 0) {
    SetLastError(ERROR_NEGATIVE_SEEK);
    return INVALID_SET_FILE_POINTER;
  }
  f->position = at;
  if (distanceHigh) *distanceHigh = (LONG)((uint64_t)at >> 32);
  SetLastError(ERROR_SUCCESS);
  return (DWORD)at;
}

DWORD WINAPI GetFileSize(HANDLE file, LPDWORD sizeHigh) {
  FileHandle* f = AsFile(file);
  struct stat st;
  if (!f || fstat(f->fd, &st) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  if (sizeHigh) *sizeHigh = (DWORD)((uint64_t)st.st_size >> 32);
  return (DWORD)st.st_size;
}

BOOL WINAPI CloseHandle(HANDLE object) {
  FileHandle* f = AsFile(object);
  if (!f) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  bool fail = f->writable && HostProbes.closesToFail > 0;
  if (fail) --HostProbes.closesToFail;
  close(f->fd);
  delete f;
  if (fail) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

// ----------------------------------------------------------------- folders

DWORD WINAPI GetFileAttributesA(LPCSTR name) {
  HostResolved r;
  if (!Resolve(name, r)) return INVALID_FILE_ATTRIBUTES;
  struct stat st;
  if (r.invalidName || r.wildcard || stat(r.native.c_str(), &st) != 0) {
    SetLastError(r.invalidName || r.wildcard ? ERROR_INVALID_NAME : MissingError(r));
    return INVALID_FILE_ATTRIBUTES;
  }
  if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
  if (r.trailingSeparator) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_FILE_ATTRIBUTES;
  }
  return (st.st_mode & 0222) ? FILE_ATTRIBUTE_ARCHIVE : FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY;
}

HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
  HostResolved r;
  if (!Resolve(pattern, r)) return INVALID_HANDLE_VALUE;
  // A trailing separator names nothing to search for; a drive root is no entry.
  if (r.trailingSeparator || r.isDriveRoot || r.invalidName) {
    SetLastError(r.invalidName ? ERROR_INVALID_NAME : ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (!r.wildcard) {
    struct stat st;
    if (stat(r.native.c_str(), &st) != 0) {
      SetLastError(MissingError(r));
      return INVALID_HANDLE_VALUE;
    }
    FillFindData(st, r.lastComponent.c_str(), data);
    return new FindHandle{0};
  }
  DIR* dir = opendir(r.nativeParent.c_str());
  if (!dir) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  // A drive root lists no "." and "..", every other folder does.
  HostResolved parent;
  std::string parentPattern = r.canonical.substr(0, r.canonical.find_last_of('\\') + 1);
  bool parentIsRoot = HostResolve(parentPattern.c_str(), parent) && parent.isDriveRoot;
  bool found = false;
  while (struct dirent* e = readdir(dir)) {
    bool dots = strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0;
    if (dots && parentIsRoot) continue;
    std::string name;
    HostAnsiName(e->d_name, name);
    if (WildcardMatch(r.lastComponent.c_str(), name.c_str())) {
      std::string full = r.nativeParent + "/" + e->d_name;
      struct stat st = {};
      stat(full.c_str(), &st);
      FillFindData(st, name.c_str(), data);
      found = true;
      break;
    }
  }
  closedir(dir);
  if (!found) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return new FindHandle{0};
}

BOOL WINAPI FindClose(HANDLE find) {
  if (find == nullptr || find == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  delete static_cast<FindHandle*>(find);
  return TRUE;
}

BOOL WINAPI CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES) {
  HostResolved r;
  if (!Resolve(path, r)) return FALSE;
  if (r.isDriveRoot) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (r.invalidName || r.wildcard) {
    SetLastError(ERROR_INVALID_NAME);
    return FALSE;
  }
  if (mkdir(r.native.c_str(), 0777) != 0) {
    SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
    return FALSE;
  }
  HostNoteCreated(r.nativeParent, r.native.substr(r.native.find_last_of('/') + 1));
  return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR path) {
  HostResolved r;
  if (!Resolve(path, r)) return FALSE;
  if (HostIsFolder(r.native.c_str())) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (unlink(r.native.c_str()) != 0) {
    SetLastError(errno == ENOENT ? ERROR_FILE_NOT_FOUND : ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR path) {
  HostResolved r;
  if (!Resolve(path, r)) return FALSE;
  if (rmdir(r.native.c_str()) != 0) {
    SetLastError(errno == ENOTEMPTY || errno == EEXIST ? ERROR_DIR_NOT_EMPTY
                 : errno == ENOENT                    ? ERROR_FILE_NOT_FOUND
                                                      : ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

void WINAPI Sleep(DWORD milliseconds) { usleep((useconds_t)milliseconds * 1000); }

DWORD WINAPI WaitForSingleObject(HANDLE, DWORD) {
  SetLastError(ERROR_INVALID_HANDLE);
  return (DWORD)-1;  // WAIT_FAILED
}

BOOL WINAPI GetExitCodeProcess(HANDLE, LPDWORD) {
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

// -------------------------------------------------------------- file times

BOOL WINAPI DosDateTimeToFileTime(WORD date, WORD time, LPFILETIME ft) {
  int year = (date >> 9) + 1980, month = (date >> 5) & 15, day = date & 31;
  int hour = time >> 11, minute = (time >> 5) & 63, second = (time & 31) * 2;
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  int monthDays = kDays[month - 1] + (month == 2 && IsLeap(year));
  if (day > monthDays) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  int64_t seconds = DaysFromCivil(year, (unsigned)month, (unsigned)day) * 86400 + hour * 3600 +
                    minute * 60 + second;
  int64_t v = seconds * 10000000 + kEpochDifference;
  ft->dwLowDateTime = (DWORD)v;
  ft->dwHighDateTime = (DWORD)((uint64_t)v >> 32);
  return TRUE;
}

// Windows converts with the bias in force now, not the one at that date.
BOOL WINAPI LocalFileTimeToFileTime(const FILETIME* local, LPFILETIME utc) {
  time_t now = ::time(nullptr);
  struct tm tmNow;
  localtime_r(&now, &tmNow);
  int64_t v = FileTimeValue(local) - (int64_t)tmNow.tm_gmtoff * 10000000;
  utc->dwLowDateTime = (DWORD)v;
  utc->dwHighDateTime = (DWORD)((uint64_t)v >> 32);
  return TRUE;
}

BOOL WINAPI SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* access,
                        const FILETIME* write) {
  FileHandle* f = AsFile(file);
  if (!f) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  (void)creation;
  struct timespec times[2];
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_nsec = UTIME_OMIT;
  const FILETIME* in[2] = {access, write};
  for (int i = 0; i < 2; ++i) {
    if (!in[i]) continue;
    int64_t v = FileTimeValue(in[i]) - kEpochDifference;
    int64_t s = v >= 0 ? v / 10000000 : -((-v + 9999999) / 10000000);
    times[i].tv_sec = (time_t)s;
    times[i].tv_nsec = (long)((v - s * 10000000) * 100);
  }
  if (futimens(f->fd, times) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

BOOL WINAPI GetFileTime(HANDLE file, LPFILETIME creation, LPFILETIME access, LPFILETIME write) {
  FileHandle* f = AsFile(file);
  struct stat st;
  if (!f || fstat(f->fd, &st) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (creation) FileTimeFromTimespec(st.st_ctim, creation);
  if (access) FileTimeFromTimespec(st.st_atim, access);
  if (write) FileTimeFromTimespec(st.st_mtim, write);
  return TRUE;
}

// -------------------------------------------------------------------- heap

HANDLE WINAPI GetProcessHeap(void) { return (HANDLE)&HostProbes; }

LPVOID WINAPI HeapAlloc(HANDLE, DWORD flags, size_t bytes) {
  if (HostProbes.allocationsAllowed == 0) return nullptr;
  if (HostProbes.allocationsAllowed > 0) --HostProbes.allocationsAllowed;
  void* p = (flags & HEAP_ZERO_MEMORY) ? calloc(1, bytes ? bytes : 1) : malloc(bytes ? bytes : 1);
  return p;
}

BOOL WINAPI HeapFree(HANDLE, DWORD, LPVOID mem) {
  free(mem);
  return TRUE;
}

// ----------------------------------------------------------------- process

void HostSetModuleFileName(const char* windowsPath) { moduleFileName = windowsPath ? windowsPath : ""; }

DWORD WINAPI GetModuleFileNameA(HMODULE, LPSTR name, DWORD size) {
  if (size == 0) return 0;
  DWORD n = (DWORD)moduleFileName.size();
  if (n + 1 > size) {
    memcpy(name, moduleFileName.c_str(), size - 1);
    name[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  memcpy(name, moduleFileName.c_str(), n + 1);
  return n;
}

namespace {
uint8_t moduleHeaders[kMappedHeaderBytes];
}  // namespace

HMODULE WINAPI GetModuleHandleA(LPCSTR name) {
  if (name) return (HMODULE)&moduleFileName;
  memset(moduleHeaders, 0, sizeof moduleHeaders);
  HostResolved r;
  int fd = HostResolve(moduleFileName.c_str(), r) ? open(r.native.c_str(), O_RDONLY) : -1;
  if (fd >= 0) {
    ssize_t got = read(fd, moduleHeaders, sizeof moduleHeaders);
    (void)got;  // a short file leaves zeros, as the loader's page would
    close(fd);
  }
  // The module is a 32-bit image; a file Windows could not have started as
  // one reads as zeros, whose directories name nothing.
  MapAsImagePage(moduleHeaders);
  return (HMODULE)moduleHeaders;
}

DWORD WINAPI GetTickCount(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (DWORD)((uint64_t)t.tv_sec * 1000 + (uint64_t)t.tv_nsec / 1000000);
}

// ExitProcess runs no C++ destructors and no leak check, as on Windows.
void WINAPI ExitProcess(UINT code) {
  fflush(nullptr);
  _exit((int)code);
}

// ---------------------------------------------------------- observers

void HostSetWriteOpenObserver(HostWriteOpenObserver observer, void* context) {
  writeOpenObserver = observer;
  writeOpenObserverContext = context;
}

void HostResetFiles() {
  writeOpenObserver = nullptr;
  writeOpenObserverContext = nullptr;
}
