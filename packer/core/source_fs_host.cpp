// The folder walk's file system calls on POSIX systems.
#include "source_fs.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "errors.h"

FsEntry InspectPath(const std::string& path) {
  FsEntry e;
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) {
    e.error = std::strerror(errno);
    return e;
  }
  e.link = S_ISLNK(st.st_mode);
  if (::stat(path.c_str(), &st) != 0) {
    e.danglingLink = true;
    e.error = std::strerror(errno);
    return e;
  }
  e.kind = S_ISREG(st.st_mode) ? FsEntry::kFile : S_ISDIR(st.st_mode) ? FsEntry::kFolder : FsEntry::kOther;
  e.device = (uint64_t)st.st_dev;
  e.node = (uint64_t)st.st_ino;
  e.size = (uint64_t)st.st_size;
  e.mtime = st.st_mtime;
  return e;
}

std::string LinkTarget(const std::string& path) {
  char target[PATH_MAX];
  if (!::realpath(path.c_str(), target)) throw Refusal(path + ": cannot follow the link: " + std::strerror(errno));
  return target;
}

bool ListFolder(const std::string& path, std::vector<std::string>& names, std::string& error) {
  DIR* dir = ::opendir(path.c_str());
  if (!dir) {
    error = std::strerror(errno);
    return false;
  }
  while (struct dirent* d = ::readdir(dir))
    if (std::strcmp(d->d_name, ".") != 0 && std::strcmp(d->d_name, "..") != 0) names.push_back(d->d_name);
  ::closedir(dir);
  return true;
}
