// File access for mksfx on Windows, through the C runtime's descriptors
// (binary mode, 64-bit positions) and MoveFileExA for the final rename.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

#include "errors.h"
#include "file_io.h"

namespace {

// Attempts at a fresh temporary name before giving up.
const int kTemporaryNameAttempts = 100;

std::string SystemError(const std::string& what, const std::string& path) {
  return path + ": " + what + ": " + std::strerror(errno);
}

void WriteAll(int fd, const uint8_t* bytes, size_t count, const std::string& path) {
  size_t done = 0;
  while (done < count) {
    unsigned step = (unsigned)std::min<size_t>(count - done, 1u << 30);
    int n = ::_write(fd, bytes + done, step);
    if (n <= 0) throw Refusal(SystemError("cannot write", path));
    done += (size_t)n;
  }
}

// The temporary output beside OUTPUT: OUTPUT's name, kTemporaryInfix, the
// writer's process id, "-" and the attempt.
const char kTemporaryInfix[] = ".tmp";

// The process id in `name` when it is a temporary name of `base`, else 0.
DWORD WriterOfTemporary(const std::string& name, const std::string& base) {
  const std::string stem = base + kTemporaryInfix;
  if (name.size() <= stem.size() || _strnicmp(name.c_str(), stem.c_str(), stem.size()) != 0) return 0;
  const size_t dash = name.find('-', stem.size());
  if (dash == std::string::npos || dash == stem.size() || dash + 1 == name.size()) return 0;
  for (size_t i = stem.size(); i < name.size(); ++i)
    if (i != dash && !std::isdigit((unsigned char)name[i])) return 0;
  return (DWORD)std::strtoul(name.c_str() + stem.size(), nullptr, 10);
}

bool ProcessRuns(DWORD pid) {
  HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!process) return ::GetLastError() == ERROR_ACCESS_DENIED;  // another user's, running
  bool runs = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  ::CloseHandle(process);
  return runs;
}

// Removes the temporary outputs of `finalPath` that runs killed before
// they finished left behind: those whose writer no longer runs.  The
// writer holds its file open without delete sharing until it closes it
// right before the rename, so a live writer's file also resists deletion.
// Only names this writer makes for this OUTPUT are looked at.
void RemoveStaleTemporaries(const std::string& finalPath) {
  size_t slash = finalPath.find_last_of("\\/:");
  std::string folder = slash == std::string::npos ? "" : finalPath.substr(0, slash + 1);
  std::string base = finalPath.substr(folder.size());
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((finalPath + kTemporaryInfix + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    DWORD pid = WriterOfTemporary(found.cFileName, base);
    if (!pid || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || ProcessRuns(pid)) continue;
    std::string path = folder + found.cFileName;
    if (::DeleteFileA(path.c_str()))
      std::cerr << "mksfx: note: removed " << path << ", left behind by a run that did not finish\n";
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
}

// Copies the finished temporary file to standard output, in binary mode.
void CopyToStandardOutput(int fd, const std::string& tempPath) {
  if (::_lseeki64(fd, 0, SEEK_SET) != 0) throw Refusal(SystemError("cannot read", tempPath));
  ::_setmode(_fileno(stdout), _O_BINARY);
  std::vector<uint8_t> chunk(kCopyChunkSize);
  for (;;) {
    int n = ::_read(fd, chunk.data(), (unsigned)chunk.size());
    if (n < 0) throw Refusal(SystemError("cannot read", tempPath));
    if (n == 0) return;
    WriteAll(_fileno(stdout), chunk.data(), (size_t)n, "standard output");
  }
}

}  // namespace

InputFile::InputFile(const std::string& path) : path_(path) {
  fd_ = ::_open(path.c_str(), _O_RDONLY | _O_BINARY);
  if (fd_ < 0) throw Refusal(SystemError("cannot open", path));
  struct _stati64 st;
  if (::_fstati64(fd_, &st) != 0) {
    ::_close(fd_);
    throw Refusal(SystemError("cannot examine", path));
  }
  if (!(st.st_mode & _S_IFREG)) {
    ::_close(fd_);
    throw Refusal(path + ": not a regular file");
  }
  size_ = (uint64_t)st.st_size;
}

InputFile::~InputFile() {
  if (fd_ >= 0) ::_close(fd_);
}

std::vector<uint8_t> InputFile::ReadSome(uint64_t offset, size_t count) const {
  if (offset >= size_) return {};
  if (count > size_ - offset) count = (size_t)(size_ - offset);
  std::vector<uint8_t> bytes(count);
  if (::_lseeki64(fd_, (__int64)offset, SEEK_SET) < 0) throw Refusal(SystemError("cannot read", path_));
  size_t done = 0;
  while (done < count) {
    unsigned step = (unsigned)std::min<size_t>(count - done, 1u << 30);
    int n = ::_read(fd_, bytes.data() + done, step);
    if (n < 0) throw Refusal(SystemError("cannot read", path_));
    if (n == 0) break;
    done += (size_t)n;
  }
  bytes.resize(done);
  return bytes;
}

PendingOutput::PendingOutput(const std::string& finalPath) : finalPath_(finalPath) {
  std::string stem = finalPath + ".tmp", folder = finalPath;
  if (finalPath == kStandardOutputName) {
    char temp[MAX_PATH + 1];
    DWORD length = ::GetTempPathA(sizeof temp, temp);
    if (length == 0 || length > MAX_PATH) throw Refusal("cannot find the temporary folder");
    folder = temp;
    stem = folder + "mksfx-";
  } else {
    RemoveStaleTemporaries(finalPath);
  }
  for (int attempt = 0; attempt < kTemporaryNameAttempts && fd_ < 0; ++attempt) {
    tempPath_ = stem + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt);
    fd_ = ::_open(tempPath_.c_str(), _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) throw Refusal(SystemError("cannot create a temporary file in its folder", folder));
}

PendingOutput::~PendingOutput() {
  if (committed_) return;
  if (fd_ >= 0) ::_close(fd_);
  ::DeleteFileA(tempPath_.c_str());
}

void PendingOutput::Write(const uint8_t* bytes, size_t count) {
  WriteAll(fd_, bytes, count, finalPath_);
  written_ += count;
}

void PendingOutput::WriteAt(uint64_t pos, const uint8_t* bytes, size_t count) {
  if (pos + count > written_) throw Refusal(tempPath_ + ": internal error: a write behind the end");
  if (::_lseeki64(fd_, (__int64)pos, SEEK_SET) < 0) throw Refusal(SystemError("cannot write", finalPath_));
  WriteAll(fd_, bytes, count, finalPath_);
  if (::_lseeki64(fd_, (__int64)written_, SEEK_SET) < 0) throw Refusal(SystemError("cannot write", finalPath_));
}

void PendingOutput::Rewind(uint64_t pos) {
  if (pos > written_) throw Refusal(tempPath_ + ": internal error: a rewind behind the end");
  if (::_chsize_s(fd_, (__int64)pos) != 0 || ::_lseeki64(fd_, (__int64)pos, SEEK_SET) < 0)
    throw Refusal(SystemError("cannot write", finalPath_));
  written_ = pos;
}

void PendingOutput::Commit() {
  if (finalPath_ == kStandardOutputName) {
    CopyToStandardOutput(fd_, tempPath_);
    int fd = fd_;
    fd_ = -1;
    ::_close(fd);
    ::DeleteFileA(tempPath_.c_str());
    committed_ = true;
    return;
  }
  if (::_commit(fd_) != 0) throw Refusal(SystemError("cannot write", finalPath_));
  int fd = fd_;
  fd_ = -1;
  if (::_close(fd) != 0) throw Refusal(SystemError("cannot close", tempPath_));
  if (!::MoveFileExA(tempPath_.c_str(), finalPath_.c_str(), MOVEFILE_REPLACE_EXISTING))
    throw Refusal(finalPath_ + ": cannot rename the temporary file to it (system error " +
                  std::to_string(GetLastError()) + ")");
  committed_ = true;
}
