// What the folder walk of mksfx asks of the file system, behind one seam:
// POSIX calls in source_fs_host.cpp, Win32 calls in source_fs_win32.cpp.
// Paths and names are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FsEntry {
  enum Kind { kMissing, kFile, kFolder, kOther } kind = kMissing;
  bool danglingLink = false;  // a symbolic link to nothing
  bool link = false;          // a symbolic link (or junction) to what `kind` says
  uint64_t device = 0, node = 0;  // the same pair: the same file or folder
  uint64_t size = 0;
  int64_t mtime = 0;  // seconds since 1970, UTC
  std::string error;  // why kMissing
};

// What `path` is, symbolic links followed.
FsEntry InspectPath(const std::string& path);

// The file a symbolic link leads to, links followed to the end, as an
// absolute path; throws Refusal when it cannot be named.
std::string LinkTarget(const std::string& path);

// The names in the folder, "." and ".." left out; false with `error` set
// when it cannot be read.
bool ListFolder(const std::string& path, std::vector<std::string>& names, std::string& error);
