// POSIX file access for mksfx.
#include "file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

#include "errors.h"

namespace {

// The temporary output of this process, for the signal handler: an
// interrupted pack leaves nothing behind either.  Only one output is pending
// at a time.  Room for PATH_MAX and the ".tmpXXXXXX" suffix.
const size_t kPendingPathSize = 4096 + 16;
char pendingPath[kPendingPathSize];
volatile sig_atomic_t pendingSet = 0;


void RemovePendingAndExit(int signal) {
  if (pendingSet) ::unlink(pendingPath);
  ::_exit(128 + signal);
}

void WatchSignals() {
  static const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
  for (int s : kSignals) {
    struct sigaction action = {};
    action.sa_handler = RemovePendingAndExit;
    ::sigaction(s, &action, nullptr);
  }
}

void SetPending(const std::string& path) {
  if (path.size() >= kPendingPathSize) return;
  pendingSet = 0;
  path.copy(pendingPath, path.size());
  pendingPath[path.size()] = '\0';
  pendingSet = 1;
}

std::string SystemError(const std::string& what, const std::string& path) {
  return path + ": " + what + ": " + std::strerror(errno);
}

std::string TemporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder && *folder ? folder : "/tmp";
}

// The temporary output beside OUTPUT: OUTPUT's name, kTemporaryInfix and
// the kTemporaryRandom characters that mkstemp puts in place of the X's.
const char kTemporaryInfix[] = ".tmp";
const size_t kTemporaryRandom = 6;
// A fresh name when another run's cleanup took the one just made.
const int kTemporaryNameAttempts = 100;

bool IsTemporaryNameOf(const std::string& name, const std::string& base) {
  const size_t stem = base.size() + sizeof kTemporaryInfix - 1;
  if (name.size() != stem + kTemporaryRandom || name.compare(0, base.size(), base) != 0 ||
      name.compare(base.size(), sizeof kTemporaryInfix - 1, kTemporaryInfix) != 0)
    return false;
  for (size_t i = stem; i < name.size(); ++i)
    if (!std::isalnum((unsigned char)name[i])) return false;
  return true;
}

// Whether `fd` is still the file `path` names: a run's cleanup may remove a
// temporary file between its creation and its writer's lock.
bool StillNamed(int fd, const std::string& path) {
  struct stat opened, named;
  return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
         opened.st_ino == named.st_ino;
}

// Removes the temporary outputs of `finalPath` that runs killed before
// they finished left behind.  A writer holds an exclusive lock (flock) on
// its temporary file from creation until the file has its final name, and
// the system drops the lock when the writer ends, however it ends: a
// temporary file that can be locked is no live run's.  Only names this
// writer makes for this OUTPUT are looked at.
void RemoveStaleTemporaries(const std::string& finalPath) {
  size_t slash = finalPath.rfind('/');
  std::string folder = slash == std::string::npos ? "" : finalPath.substr(0, slash + 1);
  std::string base = finalPath.substr(folder.size());
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return;  // the temporary file's creation names the folder's fault
  while (struct dirent* d = ::readdir(dir)) {
    if (!IsTemporaryNameOf(d->d_name, base)) continue;
    std::string path = folder + d->d_name;
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        StillNamed(fd, path) && ::unlink(path.c_str()) == 0)
      std::cerr << "mksfx: note: removed " << path << ", left behind by a run that did not finish\n";
    ::close(fd);
  }
  ::closedir(dir);
}

// Copies the finished temporary file to standard output.
void CopyToStandardOutput(int fd, const std::string& tempPath) {
  if (::lseek(fd, 0, SEEK_SET) != 0) throw Refusal(SystemError("cannot read", tempPath));
  std::vector<uint8_t> chunk(kCopyChunkSize);
  for (;;) {
    ssize_t n = ::read(fd, chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw Refusal(SystemError("cannot read", tempPath));
    if (n == 0) return;
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::write(STDOUT_FILENO, chunk.data() + done, (size_t)(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) throw Refusal(SystemError("cannot write", "standard output"));
      done += w;
    }
  }
}

}  // namespace

InputFile::InputFile(const std::string& path) : path_(path) {
  // O_NONBLOCK: a FIFO is refused below instead of holding the open until
  // a writer comes; on a regular file it changes nothing.
  fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) throw Refusal(SystemError("cannot open", path));
  struct stat st;
  if (::fstat(fd_, &st) != 0) {
    ::close(fd_);
    throw Refusal(SystemError("cannot examine", path));
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd_);
    throw Refusal(path + ": not a regular file");
  }
  size_ = (uint64_t)st.st_size;
}

InputFile::~InputFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::vector<uint8_t> InputFile::ReadSome(uint64_t offset, size_t count) const {
  if (offset >= size_) return {};
  if (count > size_ - offset) count = (size_t)(size_ - offset);
  std::vector<uint8_t> bytes(count);
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::pread(fd_, bytes.data() + done, count - done, (off_t)(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw Refusal(SystemError("cannot read", path_));
    if (n == 0) break;
    done += (size_t)n;
  }
  bytes.resize(done);
  return bytes;
}

PendingOutput::PendingOutput(const std::string& finalPath) : finalPath_(finalPath) {
  bool toStandardOutput = finalPath == kStandardOutputName;
  std::string folder = toStandardOutput ? TemporaryFolder() : finalPath;
  std::string pattern = toStandardOutput ? folder + "/mksfx-XXXXXX"
                                         : finalPath + kTemporaryInfix + std::string(kTemporaryRandom, 'X');
  if (!toStandardOutput) RemoveStaleTemporaries(finalPath);
  for (int attempt = 0; attempt < kTemporaryNameAttempts && fd_ < 0; ++attempt) {
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = ::mkstemp(name.data());
    if (fd_ < 0) throw Refusal(SystemError("cannot create a temporary file in its folder", folder));
    tempPath_ = name.data();
    // Waits only while another run's cleanup tests the file.  Where the
    // file system has no locks, no run's cleanup removes anything either.
    if (::flock(fd_, LOCK_EX) != 0 || StillNamed(fd_, tempPath_)) break;
    ::close(fd_);
    fd_ = -1;
  }
  if (fd_ < 0) throw Refusal(folder + ": cannot keep a temporary file in its folder");
  WatchSignals();
  SetPending(tempPath_);
  if (toStandardOutput) return;  // private until it is copied
  // mkstemp creates the file 0600; give it the mode a new file would get.
  mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd_, 0777 & ~mask);
}

PendingOutput::~PendingOutput() {
  pendingSet = 0;
  if (committed_) return;
  if (fd_ >= 0) ::close(fd_);
  ::unlink(tempPath_.c_str());
}

void PendingOutput::Write(const uint8_t* bytes, size_t count) {
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::write(fd_, bytes + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw Refusal(SystemError("cannot write", finalPath_));
    done += (size_t)n;
  }
  written_ += count;
}

void PendingOutput::WriteAt(uint64_t pos, const uint8_t* bytes, size_t count) {
  if (pos + count > written_) throw Refusal(tempPath_ + ": internal error: a write behind the end");
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::pwrite(fd_, bytes + done, count - done, (off_t)(pos + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw Refusal(SystemError("cannot write", finalPath_));
    done += (size_t)n;
  }
}

void PendingOutput::Rewind(uint64_t pos) {
  if (pos > written_) throw Refusal(tempPath_ + ": internal error: a rewind behind the end");
  if (::ftruncate(fd_, (off_t)pos) != 0 || ::lseek(fd_, (off_t)pos, SEEK_SET) != (off_t)pos)
    throw Refusal(SystemError("cannot write", finalPath_));
  written_ = pos;
}

void PendingOutput::Commit() {
  if (finalPath_ == kStandardOutputName) {
    CopyToStandardOutput(fd_, tempPath_);
    int fd = fd_;
    fd_ = -1;
    ::close(fd);
    ::unlink(tempPath_.c_str());
    committed_ = true;
    pendingSet = 0;
    return;
  }
  if (::fsync(fd_) != 0) throw Refusal(SystemError("cannot write", finalPath_));
  // Renamed while still open and locked: another run's cleanup never sees
  // the temporary name unlocked while this run lives.
  if (::rename(tempPath_.c_str(), finalPath_.c_str()) != 0)
    throw Refusal(SystemError("cannot rename the temporary file to", finalPath_));
  committed_ = true;
  pendingSet = 0;
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) throw Refusal(SystemError("cannot close", finalPath_));
}
